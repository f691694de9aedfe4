#include "check-paths.h"

#include "system/pathrules.h"

#include <cctype>
#include <vector>

namespace {

const char* const PROGRAM_FILES = "C:\\Program Files\\";
const char* const WINDOWS = "C:\\Windows\\";
const char* const SYSTEM = "C:\\Windows\\system32\\";
const char* const TEMP = "C:\\Windows\\Temp\\";
const char* const CURRENT = "C:\\Users\\Public\\";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string Lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The prefix that makes a path absolute ("C:" or "\\server\share"), or empty.
std::string AbsolutePrefix(const std::string& path, size_t* rest) {
    if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
        IsSeparator(path[2])) {
        *rest = 3;
        return path.substr(0, 2);
    }
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        size_t server = path.find_first_of("\\/", 2);
        if (server == std::string::npos || server == 2) return "";
        size_t share = path.find_first_of("\\/", server + 1);
        if (share == server + 1) return "";
        *rest = share == std::string::npos ? path.size() : share + 1;
        return path.substr(0, share == std::string::npos ? path.size() : share);
    }
    return "";
}

// "." and ".." resolved; ".." never climbs above the prefix.
std::string Resolve(const std::string& path) {
    size_t rest = 0;
    std::string prefix = AbsolutePrefix(path, &rest);
    std::vector<std::string> parts;
    std::string part;
    for (size_t i = rest; i <= path.size(); ++i) {
        if (i < path.size() && !IsSeparator(path[i])) {
            part += path[i];
            continue;
        }
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..") parts.pop_back();
            else if (prefix.empty()) parts.push_back(part);
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    }
    std::string resolved = prefix.empty() ? "" : prefix + "\\";
    for (size_t i = 0; i < parts.size(); ++i) resolved += (i ? "\\" : "") + parts[i];
    return resolved;
}

bool IsInside(const std::string& path, const std::string& folder) {
    std::string base = Lower(Resolve(folder));
    std::string target = Lower(path);
    if (!base.empty() && base.back() != '\\') base += '\\';
    return target.compare(0, base.size(), base) == 0 || target + "\\" == base;
}

} // namespace

std::string RepresentativeInstallPath(const std::string& installDir) {
    return PROGRAM_FILES + installDir;
}

CheckedPath CheckPath(const std::string& entry, const std::string& installPath, bool uninstallRun) {
    // As the program expands it: start from the install path, let each
    // leading macro replace what there is, drop one "\" and append the rest.
    CheckedPath checked;
    std::string expanded = installPath;
    bool viaOtherFolder = false;
    bool viaSystemFolder = false; // the product's files in Program Files or Windows
    size_t at = 0;
    while (at + 1 < entry.size() && entry[at] == '$') {
        char code = entry[at + 1];
        switch (code) {
        case '0': expanded = PROGRAM_FILES; viaSystemFolder = true; break;
        case '1': expanded = WINDOWS; viaSystemFolder = true; break;
        case '2': expanded = SYSTEM; viaSystemFolder = true; break;
        case '3': expanded = installPath; viaSystemFolder = false; break;
        case '4': expanded = TEMP; viaOtherFolder = true; break;
        case '5': expanded = CURRENT; viaOtherFolder = true; break;
        case '6':
            if (uninstallRun) {
                expanded = TEMP;
                viaOtherFolder = true;
            } else {
                checked.emptyCodes += code;
            }
            break;
        case '?': break;
        default: checked.emptyCodes += code; break;
        }
        at += 2;
    }
    if (at < entry.size() && entry[at] == '\\') ++at;
    checked.path = Resolve(expanded + entry.substr(at));
    checked.outsideInstall =
        viaOtherFolder ||
        (!viaSystemFolder && !installPath.empty() && !IsInside(checked.path, installPath));
    return checked;
}

bool RemovalPathRuleAllows(const std::string& path) {
    return ClassifyActionPath(path.c_str()) == PATH_ACCEPTED;
}

#include "platform/posix/hostpath.h"

#include "platform/posix/lasterror.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool IsWindowsSeparator(char c) {
    return c == '\\' || c == '/';
}

int Deliver(const std::string& text, char* out, int size) {
    if (!out || size <= 0) {
        SetPlatLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (text.size() >= static_cast<size_t>(size)) {
        out[0] = '\0';
        SetPlatLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    memcpy(out, text.c_str(), text.size() + 1);
    return 1;
}

int Refuse(uint32_t code, char* out, int size) {
    if (out && size > 0)
        out[0] = '\0';
    SetPlatLastError(code);
    return 0;
}

// Resolves "." and ".." lexically, as Windows does for every path it is
// given; ".." stops at the root, so no path climbs out of its drive.
// Returns the components joined with '/', without a leading separator and
// with a trailing one when the text had it.
std::string CollapseComponents(const char* text, bool backslashSeparates) {
    auto separates = [&](char c) { return c == '/' || (backslashSeparates && c == '\\'); };
    std::vector<std::string> parts;
    const char* cursor = text;
    while (*cursor) {
        while (separates(*cursor))
            cursor++;
        const char* start = cursor;
        while (*cursor && !separates(*cursor))
            cursor++;
        std::string part(start, cursor);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string joined;
    for (const std::string& part : parts) {
        if (!joined.empty())
            joined += '/';
        joined += part;
    }
    size_t length = strlen(text);
    if (!joined.empty() && length > 0 && separates(text[length - 1]))
        joined += '/';
    return joined;
}

std::string HomeFolder() {
    const char* home = getenv("HOME");
    if (home && *home)
        return home;
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "/tmp";
}

std::string CurrentHostFolder() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) ? buffer : "/";
}

// The prefix as an absolute, canonical host path without trailing '/'.
// Every path mapping needs it, so the canonical form is kept for as long as
// the setting it came from stays the same.
std::string Prefix() {
    static std::string lastSetting, lastPrefix;
    const char* configured = getenv("UNINSTALL_PREFIX");
    std::string path = configured && *configured ? std::string(configured)
                                                 : HomeFolder() + "/.local/share/uninstall";
    if (path[0] != '/')
        path = CurrentHostFolder() + "/" + path;
    if (!lastPrefix.empty() && path == lastSetting)
        return lastPrefix;
    std::string setting = path;
    path = "/" + CollapseComponents(path.c_str(), false);
    if (path.size() > 1 && path.back() == '/')
        path.pop_back();
    char canonical[PATH_MAX];
    if (!realpath(path.c_str(), canonical))
        return path;  // not made yet: canonical once it exists
    lastSetting = setting;
    lastPrefix = canonical;
    return lastPrefix;
}

std::string JoinHost(const std::string& folder, const std::string& name) {
    if (folder == "/")
        return "/" + name;
    return name.empty() ? folder : folder + "/" + name;
}

std::string DriveCRoot() {
    return JoinHost(Prefix(), "drive_c");
}

std::string WithBackslashes(std::string text) {
    for (char& c : text)
        if (c == '/')
            c = '\\';
    return text;
}

bool LiesIn(const std::string& path, const std::string& folder) {
    return path == folder || path.compare(0, folder.size() + 1, folder + "/") == 0;
}

char CurrentDrive() {
    return LiesIn(CurrentHostFolder(), DriveCRoot()) ? 'C' : 'Z';
}

std::string UserName() {
    const passwd* entry = getpwuid(getuid());
    if (entry && entry->pw_name && *entry->pw_name)
        return entry->pw_name;
    const char* name = getenv("USER");
    return name && *name ? name : "user";
}

// Drive C: always exists on Windows, with its Program Files, Windows,
// system and temporary folders and the user's Programs folder; the prefix
// gets them on its first write. Once made, they are not looked for again.
void EnsureMachineFolders(const std::string& root) {
    static std::string made;
    if (root == made)
        return;
    bool all = true;
    for (const std::string& folder :
         {std::string(DRIVE_C_PROGRAM_FILES), std::string(DRIVE_C_SYSTEM),
          std::string(DRIVE_C_TEMP), DriveCProgramsFolder()})
        all = MakeHostFolders(JoinHost(root, folder).c_str()) && all;
    if (all)
        made = root;
}

bool EndsWithExe(const char* path) {
    size_t length = strlen(path);
    return length > 4 && strcasecmp(path + length - 4, ".exe") == 0;
}

bool Exists(const char* hostPath) {
    struct stat info;
    return stat(hostPath, &info) == 0;
}

} // namespace

int HostPathFromWindowsExact(const char* windowsPath, char* hostPath, int size) {
    if (!windowsPath)
        return Refuse(ERROR_INVALID_PARAMETER, hostPath, size);
    const char* text = windowsPath;
    // The long-path form \\?\C:\... names the same file as C:\...
    if (text[0] == '\\' && text[1] == '\\' && text[2] == '?' && text[3] == '\\')
        text += 4;
    if (IsWindowsSeparator(text[0]) && IsWindowsSeparator(text[1]))
        return Refuse(ERROR_BAD_NETPATH, hostPath, size);

    char drive;
    const char* rest;
    if (isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':') {
        drive = static_cast<char>(toupper(static_cast<unsigned char>(text[0])));
        rest = text + 2;
    } else if (IsWindowsSeparator(text[0])) {
        drive = CurrentDrive();
        rest = text;
    } else {
        std::string relative(text);
        for (char& c : relative)
            if (c == '\\')
                c = '/';
        return Deliver(relative, hostPath, size);
    }

    std::string root;
    if (drive == 'C')
        root = DriveCRoot();
    else if (drive == 'Z')
        root = "/";
    else
        return Refuse(ERROR_PATH_NOT_FOUND, hostPath, size);
    std::string collapsed = CollapseComponents(rest, true);
    if (collapsed.empty() && root != "/")
        return Deliver(root + "/", hostPath, size);
    return Deliver(JoinHost(root, collapsed), hostPath, size);
}

int HostPathForWriting(const char* windowsPath, char* hostPath, int size) {
    if (!HostPathFromWindowsExact(windowsPath, hostPath, size))
        return 0;
    std::string path = hostPath;
    if (path[0] != '/')
        path = CurrentHostFolder() + "/" + path;
    std::string driveC = DriveCRoot();
    if (LiesIn("/" + CollapseComponents(path.c_str(), false), driveC))
        EnsureMachineFolders(driveC);
    return 1;
}

std::string DriveCProfileFolder() {
    return "users/" + UserName();
}

std::string DriveCProgramsFolder() {
    return DriveCProfileFolder() + "/Start Menu/Programs";
}

int HostPathFromWindows(const char* windowsPath, char* hostPath, int size) {
    if (!HostPathFromWindowsExact(windowsPath, hostPath, size))
        return 0;
    if (EndsWithExe(hostPath) && !Exists(hostPath)) {
        std::string bare(hostPath, strlen(hostPath) - 4);
        if (Exists(bare.c_str()))
            hostPath[bare.size()] = '\0';
    }
    return 1;
}

int WindowsPathFromHost(const char* hostPath, char* windowsPath, int size) {
    if (!hostPath)
        return Refuse(ERROR_INVALID_PARAMETER, windowsPath, size);
    if (hostPath[0] != '/')
        return Deliver(WithBackslashes(hostPath), windowsPath, size);
    std::string path = "/" + CollapseComponents(hostPath, false);
    std::string driveC = DriveCRoot();
    if (path == driveC || path == driveC + "/")
        return Deliver("C:\\", windowsPath, size);
    if (path.compare(0, driveC.size() + 1, driveC + "/") == 0)
        return Deliver("C:" + WithBackslashes(path.substr(driveC.size())), windowsPath, size);
    return Deliver("Z:" + WithBackslashes(path), windowsPath, size);
}

int PrefixHostPath(const char* relative, char* hostPath, int size) {
    return Deliver(JoinHost(Prefix(), relative ? relative : ""), hostPath, size);
}

int MakeHostFolders(const char* hostPath) {
    std::string path(hostPath ? hostPath : "");
    for (size_t cut = path.find('/', 1); cut != std::string::npos; cut = path.find('/', cut + 1))
        mkdir(path.substr(0, cut).c_str(), 0777);
    if (!path.empty())
        mkdir(path.c_str(), 0777);
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        SetLastErrorFromErrno(errno, path.c_str());
        return 0;
    }
    if (!S_ISDIR(info.st_mode)) {
        SetPlatLastError(ERROR_ALREADY_EXISTS);
        return 0;
    }
    return 1;
}

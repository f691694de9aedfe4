// ffspack check SCRIPT_OR_PROGRAM
//
// Reads a script (either form) or the script packed in a program the way the
// engine reads it, and reports what would go wrong, one finding per line.
#include "archive.h"
#include "check-paths.h"
#include "codepage-text.h"
#include "findings.h"
#include "host-files.h"
#include "script-parse.h"
#include "script-text.h"
#include "subcommands.h"

#include "update/release-signature.h"

#include "base/strings.h"
#include "script/codepage.h"
#include "net/socket.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace {

struct Finding {
    int line;
    Severity severity;
    std::string text;
};

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string Lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsPlainHttp(const std::string& url) { return Lower(url.substr(0, 7)) == "http://"; }

bool IsWebAddress(const std::string& url) {
    char scheme[SOCKET_SCHEME_SIZE], host[SOCKET_HOST_SIZE], user[SOCKET_USER_SIZE],
        password[SOCKET_PASSWORD_SIZE], directory[SCRIPT_TEXT_SIZE], file[SCRIPT_TEXT_SIZE];
    int32_t port = 0;
    if (!IsPlainHttp(url) && Lower(url.substr(0, 8)) != "https://") return false;
    SocketParseUrl(url.c_str(), scheme, host, &port, directory, sizeof directory, file,
                   sizeof file, user, password);
    return host[0] != '\0';
}

// A list as the engine walks it: entries separated by ','.
std::vector<std::string> ListEntries(const std::string& field) {
    std::vector<std::string> entries(1);
    for (char c : field) {
        if (c == ',') entries.emplace_back();
        else entries.back() += c;
    }
    return entries;
}

class ScriptChecker {
  public:
    // `textLines` maps each command's marker to its line in the text form;
    // null for a script in the engine's form.
    ScriptChecker(const Bytes& script, const std::map<size_t, int>* textLines)
        : script_(script), block_(WithEngineTail(script)), textLines_(textLines) {}

    std::vector<Finding> Check() {
        for (const ScriptCommand& command : ParseEngineScript(script_)) CheckCommand(command);
        CheckAfterwards();
        return findings_;
    }

  private:
    struct ListUse {
        int line;
        std::string keyword;
        std::string field;
    };

    int LineOf(const ScriptCommand& command) const {
        if (textLines_ == nullptr) return LineOfOffset(script_, command.marker);
        auto found = textLines_->find(command.marker);
        return found != textLines_->end() ? found->second : 0;
    }

    void Report(int line, Severity severity, const std::string& text) {
        findings_.push_back({line, severity, text});
    }

    void CheckCommand(const ScriptCommand& command) {
        int line = LineOf(command);
        if (command.layout == nullptr) {
            Report(line, Severity::Error,
                   "unknown keyword " + Quoted(command.keyword) + ": the program stops here");
            return;
        }
        const KeywordLayout& layout = *command.layout;
        std::string keyword = layout.keyword;
        // The program tells keywords apart by length and hash alone, so a
        // different word may select this keyword; letter case never counts.
        if (Lower(command.keyword) != Lower(keyword)) {
            Report(line, Severity::Warning,
                   Quoted(command.keyword) + " is not a keyword, but the program reads it as " +
                       Quoted(keyword) + " (same length and hash)");
        }
        CheckFieldEnds(command, line);
        std::vector<std::string> fields;
        for (size_t i = 0; i < command.fields.size(); ++i) {
            fields.push_back(FieldText(block_, command, i));
            CheckFieldLength(layout, i, fields.back(), line);
        }
        CheckSettings(keyword, fields, line);
    }

    // Where a field or the command ends decides whether the engine finds the
    // next command.
    void CheckFieldEnds(const ScriptCommand& command, int line) {
        const KeywordLayout& layout = *command.layout;
        std::string keyword = Quoted(layout.keyword);
        for (size_t i = 0; i < command.fields.size(); ++i) {
            const FieldSpan& span = command.fields[i];
            size_t start = command.arguments + size_t(span.start);
            size_t end = start + size_t(span.length);
            if (layout.fields[i].kind == FIELD_LINE) {
                if (std::find(block_.begin() + long(start), block_.begin() + long(end),
                              SCRIPT_MARKER) != block_.begin() + long(end)) {
                    Report(line, Severity::Error,
                           keyword + " takes the rest of its line: the command inside it never runs");
                }
                continue;
            }
            if (start > script_.size()) {
                Report(line, Severity::Error,
                       keyword + " has " + std::to_string(i) + " of its " +
                           std::to_string(layout.fieldCount) + " fields before the end of the script");
                return;
            }
            if (layout.fields[i].kind == FIELD_LIST) continue;  // its terminator is passed over
            if (end < script_.size() && script_[end] == SCRIPT_MARKER) {
                if (int(i) + 1 < layout.fieldCount) {
                    Report(line, Severity::Error,
                           keyword + " has " + std::to_string(i + 1) + " of its " +
                               std::to_string(layout.fieldCount) +
                               " fields: the next command is read as the missing ones and lost");
                } else {
                    Report(line, Severity::Error,
                           keyword + " has no line end: its last field ends at the next command, "
                                     "which is lost");
                }
                return;
            }
        }
        if (command.next < script_.size() && script_[command.next] == SCRIPT_MARKER) {
            Report(line, Severity::Error,
                   keyword + " ends in a single terminator before the next command: "
                             "the engine skips that command");
        }
    }

    void CheckFieldLength(const KeywordLayout& layout, size_t index, const std::string& field,
                          int line) {
        const KeywordField& slot = layout.fields[index];
        int holds = slot.size - 1;
        std::string where = "field " + std::to_string(index + 1) + " (" + slot.name + ") of " +
                            Quoted(layout.keyword);
        if (slot.kind == FIELD_TEXT || slot.kind == FIELD_PATH) {
            if (int(field.size()) > holds) {
                Report(line, Severity::Error,
                       where + " is " + std::to_string(field.size()) +
                           " characters long; it holds " + std::to_string(holds));
            }
        } else if (slot.kind == FIELD_LIST) {
            std::vector<std::string> entries = ListEntries(field);
            for (size_t i = 0; i < entries.size(); ++i) {
                if (int(entries[i].size()) > holds) {
                    Report(line, Severity::Error,
                           "entry " + std::to_string(i + 1) + " of " + Quoted(layout.keyword) +
                               " is " + std::to_string(entries[i].size()) +
                               " characters long; an entry holds " + std::to_string(holds));
                }
            }
        }
    }

    static std::string Setting(const std::string& field) {
        return field.substr(0, SCRIPT_TEXT_SIZE - 1);
    }

    void CheckSettings(const std::string& keyword, const std::vector<std::string>& fields,
                       int line) {
        if (keyword == "COMPANY NAME") companyName_ = Setting(fields[0]);
        if (keyword == "PRODUCT NAME") productName_ = Setting(fields[0]);
        if (keyword == "INSTALL DIR") {
            installDir_ = Setting(fields[0]);
            if (!installDir_.empty() && installDir_.back() != '\\' &&
                installDir_.size() < SCRIPT_TEXT_SIZE - 1) {
                installDir_ += '\\';
            }
            CheckMacros(fields[0], line, false, Quoted(keyword));
        }
        if (keyword == "INSTALL PATH" && !installed_) installPathBeforeInstall_ = true;
        if (keyword == "INSTALL") installed_ = true;
        if (keyword == "FILE LIST" || keyword == "TEMP LIST") {
            lists_.push_back({line, keyword, fields[0]});
        }
        if (keyword == "INSTALL NAME" || keyword == "UNINSTALL NAME") {
            CheckMacros(fields[0], line, true, Quoted(keyword));
        }
        if (keyword == "OLE") CheckMacros(fields[1], line, true, Quoted(keyword));
        if (keyword == "WINDOW") CheckMacros(fields[4], line, false, Quoted(keyword));
        if (keyword == "UPDATE URL" && !fields[0].empty()) {
            CheckAddress(fields[0], line, keyword);
            namedBy_.push_back({line, keyword});
        }
        if (keyword == "UPDATE KEY" && !ReleaseKeyIsValid(fields[0].c_str())) {
            Report(line, Severity::Error,
                   Quoted(keyword) + " " + Quoted(fields[0]) +
                       " is not a public key (128 hexadecimal digits of a P-256 point)");
        }
        if (keyword == "REGISTER") {
            CheckAddress(fields[0], line, keyword);
            namedBy_.push_back({line, keyword});
        }
    }

    void CheckAddress(const std::string& address, int line, const std::string& keyword) {
        if (!IsWebAddress(address)) {
            Report(line, Severity::Error,
                   Quoted(keyword) + " address " + Quoted(address) +
                       " is not an http:// or https:// address");
        } else if (keyword == "REGISTER" && IsPlainHttp(address)) {
            // The person's name, address and telephone number go there.
            Report(line, Severity::Warning,
                   Quoted(keyword) + " address " + Quoted(address) +
                       " is not encrypted: the user's details travel in the clear");
        }
    }

    void CheckMacros(const std::string& path, int line, bool uninstallRun,
                     const std::string& where) {
        CheckedPath checked = CheckPath(path, "", uninstallRun);
        for (char code : checked.emptyCodes) {
            std::string why = code == '6' ? " outside the uninstall run" : "";
            Report(line, Severity::Warning,
                   "path macro $" + std::string(1, code) + " in " + where + " expands to nothing" +
                       why);
        }
    }

    void CheckList(const ListUse& list) {
        bool fileList = list.keyword == "FILE LIST";
        std::string installPath =
            installPathBeforeInstall_ ? RepresentativeInstallPath(installDir_) : "";
        if (fileList && !installPathBeforeInstall_) {
            Report(list.line, Severity::Error,
                   "'FILE LIST' is used without 'INSTALL PATH' before 'INSTALL'");
        }
        std::set<std::string> seen;
        for (const std::string& entry : ListEntries(list.field)) {
            CheckedPath checked = CheckPath(entry, installPath, true);
            std::string name = Quoted(list.keyword) + " entry " + Quoted(entry);
            for (char code : checked.emptyCodes) {
                Report(list.line, Severity::Warning,
                       "path macro $" + std::string(1, code) + " in " + name +
                           " expands to nothing");
            }
            if (!RemovalPathRuleAllows(checked.path)) {
                Report(list.line, Severity::Error,
                       name + (checked.path.empty() || checked.path.find(':') != 1
                                   ? " expands to a relative path"
                                   : " expands to the drive root " + Quoted(checked.path)));
            } else if (fileList && checked.outsideInstall) {
                Report(list.line, Severity::Warning,
                       name + " lies outside the install folder (" + checked.path + ")");
            }
            if (!seen.insert(Lower(checked.path.empty() ? entry : checked.path)).second) {
                Report(list.line, Severity::Warning, name + " is listed twice");
            }
        }
    }

    void CheckAfterwards() {
        for (const ListUse& list : lists_) CheckList(list);
        for (const auto& [line, keyword] : namedBy_) {
            if (companyName_.empty() || productName_.empty()) {
                Report(line, Severity::Warning,
                       Quoted(keyword) + " is given, but the script's " +
                           (productName_.empty() ? "product name" : "company name") +
                           " is empty");
            }
        }
        std::stable_sort(findings_.begin(), findings_.end(),
                         [](const Finding& a, const Finding& b) { return a.line < b.line; });
    }

    const Bytes& script_;
    Bytes block_;
    const std::map<size_t, int>* textLines_;
    std::vector<Finding> findings_;
    std::string companyName_, productName_, installDir_;
    bool installPathBeforeInstall_ = false;
    bool installed_ = false;
    std::vector<ListUse> lists_;
    std::vector<std::pair<int, std::string>> namedBy_;
};

// A program file whose archive the program cannot find: it reports the file
// damaged and does nothing else.
std::string WhyNoScript(const std::string& path, const Bytes& file) {
    FfsArchiveSpan span;
    std::string what = Quoted(path) + " is a program that carries no script";
    if (CheckArchive(file, &span) == FFS_ARCHIVE_NO_TAG) {
        what += ", or its appended data is damaged: its last four bytes point at offset " +
                std::to_string(span.tagOffset) + ", where no archive begins";
    } else {
        what += ": no archive is appended to it";
    }
    return what + " (the program reports the file damaged and does nothing)";
}

} // namespace

int RunCheck(const Arguments& arguments) {
    if (arguments.size() != 1) {
        ReportError("usage: ffspack check SCRIPT_OR_PROGRAM");
        return EXIT_USAGE;
    }
    const std::string& path = arguments[0];
    Bytes file;
    if (!ReadWholeFile(path, file)) return EXIT_USAGE;

    std::vector<Finding> findings;
    Bytes script;
    std::map<size_t, int> textLines;
    bool fromText = false;
    if (!ExtractScript(file, script)) {
        // Its bytes are no script: read as one they would give a finding
        // per line, all invented.
        if (IsProgramFile(file)) {
            PrintFinding(stdout, path, 1, Severity::Error, WhyNoScript(path, file));
            return EXIT_FAILED;
        }
        if (IsEngineForm(file)) {
            script = file;
        } else {
            CompiledScript compiled;
            std::vector<ScriptProblem> problems;
            CompileScriptText(file, compiled, problems);
            // What the code page cannot hold; the check reads the text itself.
            CompiledScript stored = compiled;
            StoreInCodePage(stored, ScriptCodePage(reinterpret_cast<const char*>(compiled.script.data()),
                                                   int32_t(compiled.script.size())),
                            problems);
            for (const ScriptProblem& problem : problems) {
                findings.push_back({problem.line, Severity::Error, problem.message});
            }
            script = compiled.script;
            textLines.insert(compiled.lines.begin(), compiled.lines.end());
            fromText = true;
        }
    }
    // A stored script is read as the program reads it: in UTF-8.
    if (!fromText) {
        Bytes utf8;
        std::string why;
        if (!EngineFormToUtf8(script, utf8, why)) {
            findings.push_back({1, Severity::Error, why});
        } else {
            script = utf8;
        }
    }
    for (const Finding& finding : ScriptChecker(script, fromText ? &textLines : nullptr).Check()) {
        findings.push_back(finding);
    }
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });

    bool failed = false;
    for (const Finding& finding : findings) {
        PrintFinding(stdout, path, finding.line, finding.severity, finding.text);
        failed = failed || finding.severity == Severity::Error;
    }
    return failed ? EXIT_FAILED : EXIT_OK;
}

#include "codepage-text.h"

#include "base/codepage.h"
#include "script/codepage.h"
#include "script/script.h"


const char* const KNOWN_CODE_PAGES = "1250, 1251, 1252, 932, 936, 949, 950";

namespace {

std::string UnknownCodePage(uint32_t codePage) {
    return "code page " + std::to_string(codePage) + " is not one the program reads (" +
           KNOWN_CODE_PAGES + ")";
}

uint32_t CodePageOf(const Bytes& script) {
    return ScriptCodePage(reinterpret_cast<const char*>(script.data()), int32_t(script.size()));
}

// The text line of each character the code page cannot hold in `piece`.
void ReportUnstorable(const char* piece, int32_t length, uint32_t codePage, int line,
                      std::vector<ScriptProblem>& problems) {
    for (int32_t i = 0; i < length;) {
        int32_t size = 1;
        Utf8Decode(piece + i, length - i, &size);
        char stored[8];
        int32_t refused = 0;
        Utf8ToCodePage(codePage, piece + i, size, stored, sizeof stored, &refused);
        if (refused > 0) {
            problems.push_back({line, "'" + std::string(piece + i, size_t(size)) +
                                          "' cannot be stored in code page " +
                                          std::to_string(codePage)});
        }
        i += size;
    }
}

}  // namespace

bool EngineFormToUtf8(const Bytes& stored, Bytes& utf8, std::string& why) {
    const uint32_t codePage = CodePageOf(stored);
    if (!CodePageKnown(codePage)) {
        why = UnknownCodePage(codePage);
        return false;
    }
    utf8.assign(stored.size() * CODE_PAGE_UTF8_GROWTH, 0);
    int32_t length = CodePageToUtf8(codePage, reinterpret_cast<const char*>(stored.data()),
                                    int32_t(stored.size()), reinterpret_cast<char*>(utf8.data()),
                                    int32_t(utf8.size()));
    if (length < 0) {
        why = "the script cannot be read in code page " + std::to_string(codePage);
        return false;
    }
    utf8.resize(size_t(length));
    return true;
}

bool StoreInCodePage(CompiledScript& compiled, uint32_t codePage,
                     std::vector<ScriptProblem>& problems) {
    if (!CodePageKnown(codePage)) {
        problems.push_back({compiled.lines.empty() ? 1 : compiled.lines.front().second,
                            UnknownCodePage(codePage)});
        return false;
    }
    const size_t before = problems.size();
    Bytes stored;
    std::vector<std::pair<size_t, int>> lines;
    for (size_t i = 0; i < compiled.lines.size(); ++i) {
        const size_t start = compiled.lines[i].first;
        const size_t end = i + 1 < compiled.lines.size() ? compiled.lines[i + 1].first
                                                         : compiled.script.size();
        const char* piece = reinterpret_cast<const char*>(compiled.script.data()) + start;
        const int32_t length = int32_t(end - start);
        Bytes out(size_t(length) * 2 + 8);
        int32_t refused = 0;
        const int32_t written = Utf8ToCodePage(codePage, piece, length,
                                               reinterpret_cast<char*>(out.data()),
                                               int32_t(out.size()), &refused);
        if (refused > 0) ReportUnstorable(piece, length, codePage, compiled.lines[i].second, problems);
        lines.emplace_back(stored.size(), compiled.lines[i].second);
        if (written > 0) stored.insert(stored.end(), out.begin(), out.begin() + written);
    }
    if (problems.size() != before) return false;
    compiled.script = stored;
    compiled.lines = lines;
    return true;
}

bool DeclareCodePage(CompiledScript& compiled, uint32_t codePage,
                     std::vector<ScriptProblem>& problems) {
    const Bytes& script = compiled.script;
    const bool declares = FindCodePageCommand(reinterpret_cast<const char*>(script.data()),
                                              int32_t(script.size())) != nullptr;
    const uint32_t declared = CodePageOf(script);
    if (declares && declared != codePage) {
        problems.push_back({1, "the script declares code page " + std::to_string(declared) +
                                   ", not " + std::to_string(codePage)});
        return false;
    }
    if (declares) return true;
    std::string command = std::string(1, char(SCRIPT_MARKER)) + CODE_PAGE_KEYWORD + ":" +
                          std::to_string(codePage) + "\r\n";
    compiled.script.insert(compiled.script.begin(), command.begin(), command.end());
    for (auto& line : compiled.lines) line.first += command.size();
    compiled.lines.insert(compiled.lines.begin(), {0, 0});
    return true;
}

#include "script-text.h"

#include "script-parse.h"

#include "base/codepage.h"
#include "script/script.h"

#include <algorithm>
#include <cstdio>

namespace {

const char FIELD_SEPARATOR = '|';
const char ENTRY_SEPARATOR = ',';

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsPrintable(unsigned char c) { return c >= 0x20 && c < 0x7F; }

// Where `text` stops being printable text (ASCII or whole UTF-8
// characters), or npos.
size_t FirstUnprintable(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (!IsPrintable(c) && c != '\t') return i;
            ++i;
            continue;
        }
        int32_t size = 1;
        if (Utf8Decode(text.data() + i, int32_t(text.size() - i), &size) < 0x80) return i;
        i += size_t(size);
    }
    return std::string::npos;
}

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t at = text.find(separator, start);
        parts.push_back(Trim(text.substr(start, at == std::string::npos ? at : at - start)));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

std::string Join(const std::vector<std::string>& parts, const std::string& separator) {
    std::string joined;
    for (size_t i = 0; i < parts.size(); ++i) joined += (i ? separator : "") + parts[i];
    return joined;
}

// A "\" at the end of a line, after a blank, continues it on the next line.
bool Continues(const std::string& line) {
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed.back() != '\\') return false;
    return trimmed.size() == 1 || IsBlank(trimmed[trimmed.size() - 2]);
}

struct LogicalLine {
    int line;
    std::string text;
};

std::vector<LogicalLine> LogicalLines(const Bytes& text) {
    std::vector<std::string> physical(1);
    for (unsigned char c : text) {
        if (c == '\n') physical.emplace_back();
        else physical.back() += char(c);
    }
    for (std::string& line : physical) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
    }

    std::vector<LogicalLine> logical;
    bool open = false;
    for (size_t i = 0; i < physical.size(); ++i) {
        std::string line = Trim(physical[i]);
        if (!open && (line.empty() || line[0] == '#')) continue;
        bool continues = Continues(line);
        if (continues) line.pop_back();
        if (open) {
            logical.back().text += Trim(line) + (continues ? " " : "");
        } else {
            logical.push_back({int(i) + 1, line});
        }
        open = continues;
    }
    return logical;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string FieldsWord(int count) { return count == 1 ? "field" : "fields"; }

// One command's argument text in the engine's form, or false with a problem.
bool CompileArguments(const KeywordLayout& layout, const std::string& keyword,
                      const std::string& rest, int line, std::string& arguments,
                      std::vector<ScriptProblem>& problems) {
    if (layout.fieldCount == 1 && layout.fields[0].kind == FIELD_LINE) {
        arguments = Trim(rest);
        return true;
    }
    std::vector<std::string> fields;
    if (!Trim(rest).empty()) fields = Split(rest, FIELD_SEPARATOR);
    if (int(fields.size()) > layout.fieldCount) {
        char message[160];
        if (layout.fieldCount == 0) {
            std::snprintf(message, sizeof message, "'%s' takes no fields", keyword.c_str());
        } else {
            std::snprintf(message, sizeof message, "'%s' takes %d %s, this line gives %d",
                          keyword.c_str(), layout.fieldCount, FieldsWord(layout.fieldCount).c_str(),
                          int(fields.size()));
        }
        problems.push_back({line, message});
        return false;
    }
    // Missing trailing fields are empty: the engine must still find each
    // field's terminator before the next command.
    fields.resize(size_t(layout.fieldCount));
    for (size_t i = 0; i < fields.size(); ++i) {
        if (layout.fields[i].kind == FIELD_LIST) {
            fields[i] = Join(Split(fields[i], ENTRY_SEPARATOR), std::string(1, ENTRY_SEPARATOR));
        }
        if (fields[i].find('\t') != std::string::npos) {
            problems.push_back({line, "a tab inside a field would end it"});
            return false;
        }
    }
    arguments = Join(fields, "\n");
    return true;
}

void CompileLine(const LogicalLine& logical, CompiledScript& compiled,
                 std::vector<ScriptProblem>& problems) {
    const size_t unprintable = FirstUnprintable(logical.text);
    if (unprintable != std::string::npos) {
        const auto c = static_cast<unsigned char>(logical.text[unprintable]);
        char message[96];
        std::snprintf(message, sizeof message,
                      c < 0x80 ? "the byte 0x%02X is not printable ASCII; a field cannot hold it"
                               : "the byte 0x%02X is not UTF-8; the text must be in UTF-8",
                      c);
        problems.push_back({logical.line, message});
        return;
    }
    size_t colon = logical.text.find(':');
    if (colon == std::string::npos) {
        problems.push_back({logical.line, "expected 'KEYWORD: fields'"});
        return;
    }
    std::string keyword = Trim(logical.text.substr(0, colon));
    const char* canonical = keyword.size() < KEYWORD_SIZE ? KeywordCanonical(keyword.c_str()) : nullptr;
    const KeywordLayout* layout = canonical != nullptr ? KeywordLayoutOf(canonical) : nullptr;
    if (layout == nullptr) {
        problems.push_back({logical.line, "unknown keyword " + Quoted(keyword)});
        return;
    }
    std::string arguments;
    if (!CompileArguments(*layout, keyword, logical.text.substr(colon + 1), logical.line,
                          arguments, problems)) {
        return;
    }
    compiled.lines.emplace_back(compiled.script.size(), logical.line);
    std::string command = std::string(1, char(SCRIPT_MARKER)) + keyword + ":" + arguments + "\r\n";
    compiled.script.insert(compiled.script.end(), command.begin(), command.end());
}

} // namespace

bool IsEngineForm(const Bytes& file) {
    return std::find(file.begin(), file.end(), SCRIPT_MARKER) != file.end();
}

bool CompileScriptText(const Bytes& text, CompiledScript& compiled,
                       std::vector<ScriptProblem>& problems) {
    PrepareKeywordTable();
    size_t before = problems.size();
    for (const LogicalLine& logical : LogicalLines(text)) CompileLine(logical, compiled, problems);
    return problems.size() == before;
}

namespace {

// Why `field` would read back differently from the text form, or empty.
std::string TextFormRefuses(const std::string& field, KeywordFieldKind kind) {
    if (FirstUnprintable(field) != std::string::npos || field.find('\t') != std::string::npos)
        return "it holds a byte that is not printable text";
    bool list = kind == FIELD_LIST;
    if (kind != FIELD_LINE && field.find(FIELD_SEPARATOR) != std::string::npos) {
        return "it holds a '|'";
    }
    std::vector<std::string> parts = list ? Split(field, ENTRY_SEPARATOR)
                                          : std::vector<std::string>{Trim(field)};
    std::string rejoined = Join(parts, std::string(1, ENTRY_SEPARATOR));
    if (rejoined != field) return "it begins or ends with a blank";
    if (field.size() >= 2 && field.back() == '\\' && IsBlank(field[field.size() - 2])) {
        return "it ends in a blank and a '\\'";
    }
    return "";
}

} // namespace

bool WriteScriptText(const Bytes& script, std::string& text, std::vector<ScriptProblem>& problems) {
    size_t before = problems.size();
    Bytes block = WithEngineTail(script);
    for (const ScriptCommand& command : ParseEngineScript(script)) {
        int line = LineOfOffset(script, command.marker);
        if (command.layout == nullptr) {
            problems.push_back({line, "unknown keyword " + Quoted(command.keyword)});
            continue;
        }
        const KeywordLayout& layout = *command.layout;
        std::vector<std::string> fields;
        std::string refusal;
        for (size_t i = 0; i < command.fields.size(); ++i) {
            std::string field = FieldText(block, command, i);
            bool list = layout.fields[i].kind == FIELD_LIST;
            size_t after = command.arguments + size_t(command.fields[i].start + command.fields[i].length);
            if (layout.fields[i].kind != FIELD_LINE && after < script.size() &&
                script[after] == SCRIPT_MARKER) {
                refusal = "its fields run into the next command";
            }
            std::string why = TextFormRefuses(field, layout.fields[i].kind);
            if (refusal.empty() && !why.empty()) refusal = "field " + std::to_string(i + 1) + ": " + why;
            if (list) field = Join(Split(field, ENTRY_SEPARATOR), ", ");
            fields.push_back(field);
        }
        if (command.next < script.size() && script[command.next] == SCRIPT_MARKER) {
            refusal = "the engine skips the command behind it";
        }
        if (!refusal.empty()) {
            problems.push_back({line, Quoted(command.keyword) + " cannot be written as text: " + refusal});
            continue;
        }
        while (!fields.empty() && fields.back().empty()) fields.pop_back();
        std::string out = command.keyword + ":";
        for (size_t i = 0; i < fields.size(); ++i) {
            // A lone "\" after a blank would continue the line.
            bool lone = i + 1 == fields.size() && fields[i] == "\\";
            out += (i ? " |" : "") + std::string(lone ? "" : " ") + fields[i];
        }
        text += out + "\n";
    }
    return problems.size() == before;
}

#include "script-parse.h"

#include "base/core.h"
#include "script/script.h"

void PrepareKeywordTable() {
    static bool prepared = false;
    if (prepared) return;
    MemInit(MEM_LIMIT_MAXIMUM, 0);
    RegisterScriptKeywords();
    prepared = true;
}

Bytes WithEngineTail(const Bytes& script) {
    Bytes block = script;
    block.insert(block.end(), SCRIPT_TAIL_SIZE, 0);
    return block;
}

std::vector<ScriptCommand> ParseEngineScript(const Bytes& script) {
    PrepareKeywordTable();
    Bytes block = WithEngineTail(script);
    const char* text = reinterpret_cast<const char*>(block.data());
    const char* end = text + script.size();

    std::vector<ScriptCommand> commands;
    const char* p = text;
    while (p < end) {
        if (*p != SCRIPT_MARKER) {
            ++p;
            continue;
        }
        ScriptCommand command;
        command.marker = size_t(p - text);
        char keyword[KEYWORD_SIZE];
        const char* arguments = ReadKeyword(p, end, keyword);
        command.keyword = keyword;
        command.arguments = size_t(arguments - text);
        const char* canonical = KeywordCanonical(keyword);
        if (canonical == nullptr) {
            command.next = command.arguments;
            commands.push_back(command);
            p = arguments < end ? arguments : end;
            continue;
        }
        command.layout = KeywordLayoutOf(canonical);
        FieldSpan spans[KEYWORD_FIELDS_MAX];
        int32_t consumed = 0;
        if (command.layout != nullptr) {
            ReadLayoutFields(command.layout, arguments, spans, &consumed);
            command.fields.assign(spans, spans + command.layout->fieldCount);
        }
        command.next = command.arguments + size_t(consumed);
        commands.push_back(command);
        const char* next = arguments + consumed;
        p = next < end ? next + 1 : end;
    }
    return commands;
}

std::string FieldText(const Bytes& block, const ScriptCommand& command, size_t index) {
    const FieldSpan& span = command.fields[index];
    size_t start = command.arguments + size_t(span.start);
    size_t stop = start + size_t(span.length);
    if (start > block.size()) start = block.size();
    if (stop > block.size()) stop = block.size();
    return std::string(block.begin() + long(start), block.begin() + long(stop));
}

int LineOfOffset(const Bytes& script, size_t offset) {
    int line = 1;
    for (size_t i = 0; i < offset && i < script.size(); ++i) {
        if (script[i] == '\n') ++line;
    }
    return line;
}

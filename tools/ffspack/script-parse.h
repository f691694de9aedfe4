// Taking a script in the engine's form apart the way the engine reads it:
// its own keyword lookup and its handlers' field readers, without running
// any handler.
#pragma once

#include "host-files.h"

#include "keywords/keywords.h"

#include <string>
#include <vector>

struct ScriptCommand {
    size_t marker = 0;                     // offset of the command marker
    std::string keyword;                   // as written, cut as the engine cuts it
    const KeywordLayout* layout = nullptr; // null: a keyword the engine stops at
    size_t arguments = 0;                  // offset of the argument text
    std::vector<FieldSpan> fields;         // offsets from `arguments`
    size_t next = 0;                       // the byte the engine passes over
};

// Registers the engine's keyword table once for this process.
void PrepareKeywordTable();

// The commands of `script` in the order the engine meets them. After a
// keyword it does not know the engine stops; the list goes on from there so
// that every command can be looked at.
std::vector<ScriptCommand> ParseEngineScript(const Bytes& script);

// The script with the NUL bytes the engine keeps behind a loaded script, so
// that offsets past the end read as the engine reads them.
Bytes WithEngineTail(const Bytes& script);

std::string FieldText(const Bytes& block, const ScriptCommand& command, size_t index);

// 1 + the line feeds in front of `offset`.
int LineOfOffset(const Bytes& script, size_t offset);

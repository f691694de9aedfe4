// The text form of a script, for people to write: one "KEYWORD: fields"
// per line, fields separated by '|', list entries by ',', '#' comments, a
// trailing " \" continuing the line; and its compilation into the engine's
// form (docs/script-language.md).
#pragma once

#include "host-files.h"

#include <string>
#include <utility>
#include <vector>

struct ScriptProblem {
    int line;
    std::string message;
};

// A file that holds a command marker is in the engine's form; any other is
// text.
bool IsEngineForm(const Bytes& file);

struct CompiledScript {
    Bytes script;                             // the engine's form
    std::vector<std::pair<size_t, int>> lines; // marker offset, text line
};

// False, with every problem found, when the text cannot be expressed in the
// engine's form exactly as written.
bool CompileScriptText(const Bytes& text, CompiledScript& compiled,
                       std::vector<ScriptProblem>& problems);

// The text form of a script in the engine's form, with the fields as the
// engine reads them. False, with the problems, for a command the text form
// cannot hold (lines count as in the engine's form, by line feeds).
bool WriteScriptText(const Bytes& script, std::string& text, std::vector<ScriptProblem>& problems);

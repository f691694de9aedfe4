// The code page a script is stored in (the "CODE PAGE" command, 1252 when
// there is none): the packer takes UTF-8 text and stores the script in its
// code page; the checker and the text form read it back in UTF-8, as the
// program does.
#pragma once

#include "script-text.h"

#include <cstdint>
#include <string>

// The code pages the program reads, for messages.
extern const char* const KNOWN_CODE_PAGES;

// The script in the engine's form, stored, as the program reads it: in
// UTF-8. False with the reason when its code page is not one it reads.
bool EngineFormToUtf8(const Bytes& stored, Bytes& utf8, std::string& why);

// The compiled script, in UTF-8, stored in `codePage`: false, with a problem
// on its line for each character the code page cannot hold.
bool StoreInCodePage(CompiledScript& compiled, uint32_t codePage,
                     std::vector<ScriptProblem>& problems);

// Makes the compiled script declare `codePage` in a first "CODE PAGE"
// command, unless it declares one itself; false with a problem when it
// declares another.
bool DeclareCodePage(CompiledScript& compiled, uint32_t codePage,
                     std::vector<ScriptProblem>& problems);

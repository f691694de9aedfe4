// Path macros: "$0".."$6" and "$?" at the start of a script path name
// well-known folders; a path without one is relative to the install path.
#pragma once

#include "script/script.h"

#include <cstdint>

#define PATH_MACRO_SIZE 320
#define PATH_FLAG_QUERY 1

// Expands `text` into `result` (320 bytes). Returns 1; returns 0 and leaves
// `result` empty, after a log line, when the expansion would not fit: such a
// path must not be acted on.
int ExpandPathMacros(const InstallScript* settings, const char* text, char* result,
                     uint32_t* flags);

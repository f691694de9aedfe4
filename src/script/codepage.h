// The code page a script is stored in. A script holds its text in the
// vendor's ANSI code page; the program reads it in UTF-8, converted once as
// it is loaded, so that both systems read the same names.
#pragma once

#include <cstdint>

#define CODE_PAGE_KEYWORD "CODE PAGE"

// Where the fields of the script's first "CODE PAGE" command start; NULL
// when it has none.
const char* FindCodePageCommand(const char* text, int32_t length);

// The number that the script's first "CODE PAGE" command gives;
// CODE_PAGE_DEFAULT (1252) when it has none. The number is not checked.
uint32_t ScriptCodePage(const char* text, int32_t length);

// The script's `length` bytes in UTF-8, in `out` (capacity
// length * CODE_PAGE_UTF8_GROWTH suffices). The bytes written; -1 when the
// declared code page is not one the program reads (logged).
int32_t ScriptTextToUtf8(const char* text, int32_t length, char* out, int32_t capacity);

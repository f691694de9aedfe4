// The code page a script is stored in. A script holds its text in the
// vendor's ANSI code page; the program reads it in UTF-8, converted once as
// it is loaded, so that both systems read the same names.
#pragma once

#include <cstdint>

struct InstallScript;

#define CODE_PAGE_KEYWORD "CODE PAGE"

// Where the fields of the script's first "CODE PAGE" command start; NULL
// when it has none.
const char* FindCodePageCommand(const char* text, int32_t length);

// The number that the script's first "CODE PAGE" command gives;
// CODE_PAGE_DEFAULT (1252) when it has none. The number is not checked.
uint32_t ScriptCodePage(const char* text, int32_t length);

// The code page of the script's record: what the vendor's servers read
// (CODE_PAGE_DEFAULT for a record no script was loaded into).
uint32_t VendorCodePage(const InstallScript* script);

// `length` bytes of the program's UTF-8 as the vendor's servers read them,
// in the script's code page, in place (it never grows). A character outside
// the code page becomes '?' and is logged with `what`. The new length.
int32_t TextForVendor(const InstallScript* script, const char* what, char* text, int32_t length);

// The script's `length` bytes in UTF-8, in `out` (capacity
// length * CODE_PAGE_UTF8_GROWTH suffices). The bytes written; -1 when the
// declared code page is not one the program reads (logged).
int32_t ScriptTextToUtf8(const char* text, int32_t length, char* out, int32_t capacity);

// Strings: NUL-terminated 8-bit texts in caller-supplied buffers.
// Case-insensitive operations fold the ASCII letters only.
#pragma once

#include <cstdint>

int StrLength(const char* text);
int StrCopy(char* destination, const char* source);
int StrAppend(char* destination, const char* source);
int StrCopyN(char* destination, const char* source, int size);
int StrHash(const char* text, int caseSensitive, uint32_t* hash);
int StrEqual(const char* a, const char* b);
int StrEqualNoCase(const char* a, const char* b);
int StrStartsWith(const char* text, const char* prefix);
int StrStartsWithNoCase(const char* text, const char* prefix);
int StrFind(const char* text, const char* needle, const char** position);
int StrFindNoCase(const char* text, const char* needle, const char** position);
int EncodePrintableGroup(const unsigned char* input, char* output);
int EncodePrintable(const unsigned char* input, int length, char* output, int* size);
int StrToInt(const char* text);
// The value of a hexadecimal digit, either case; -1 for any other character.
int StrHexValue(char c);
int IsValidEmail(const char* text);

// Bounded appends for the places that must never run past a buffer: 1 when
// the whole source fitted, 0 when it was cut (the result is still
// NUL-terminated within `size`).
int StrAppendN(char* destination, const char* source, int size);

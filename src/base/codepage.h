// Code pages: the program's text is UTF-8; a script is stored, and the
// vendor's servers read, in the vendor's ANSI code page. The single-byte
// pages are converted here with tables, the same on every system; the
// double-byte ones (932, 936, 949, 950) by the system's own converter.
#pragma once

#include <cstdint>

// What a script that declares none is stored in.
#define CODE_PAGE_DEFAULT 1252
// A byte of a code page becomes at most three bytes of UTF-8 (a
// double-byte character, two bytes, at most three too).
#define CODE_PAGE_UTF8_GROWTH 3

// 1 for a code page the program reads: 1250, 1251, 1252, 932, 936, 949, 950.
int CodePageKnown(uint32_t codePage);

// `length` bytes in `codePage` to UTF-8, into `out` of `capacity` bytes (no
// NUL added). The bytes written, or -1 for an unknown code page or an
// output that does not fit.
int32_t CodePageToUtf8(uint32_t codePage, const char* text, int32_t length, char* out,
                       int32_t capacity);

// `length` bytes of UTF-8 to `codePage`, into `out` of `capacity` bytes (no
// NUL added). A character the code page cannot hold, or a byte that is no
// UTF-8, becomes '?' and counts in *unrepresentable. The bytes written, or
// -1 for an unknown code page or an output that does not fit.
int32_t Utf8ToCodePage(uint32_t codePage, const char* text, int32_t length, char* out,
                       int32_t capacity, int32_t* unrepresentable);

// The code point at `text` (at most `length` bytes) and the bytes it takes
// in *size; -1 with *size 1 for a byte that starts no UTF-8 character.
int32_t Utf8Decode(const char* text, int32_t length, int32_t* size);
// Writes `codePoint` as UTF-8 to `out` (room for 4); the bytes written.
int32_t Utf8Encode(int32_t codePoint, char* out);

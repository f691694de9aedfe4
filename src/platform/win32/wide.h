// Win32 backend: the program's text is UTF-8, the system's is UTF-16. Every
// call of the system converts at this border, once, with these helpers.
#pragma once

#include <windows.h>

#include <string>

// UTF-8 to UTF-16; NULL gives an empty text.
std::wstring Widen(const char* text);

// A path for the wide file calls: Widen, and past the system's classic
// limit the "\\?\" form (long paths work on every Windows with it, and the
// manifest's longPathAware only on recent ones). Such a path is made whole
// first, since the system no longer does it for the "\\?\" form.
std::wstring WidenPath(const char* path);

// UTF-16 to UTF-8 (`length` characters, or up to the NUL for -1).
std::string Narrow(const wchar_t* text, int length = -1);

// UTF-16 into a caller's buffer of `size` bytes, NUL-terminated. A text that
// does not fit is cut before the last whole character that fits, never in
// the middle of one. Returns the bytes written without the NUL.
int NarrowInto(const wchar_t* text, char* buffer, int size);

// The same, but a text that does not fit is refused: 0 and an empty buffer
// with ERROR_INSUFFICIENT_BUFFER, as for a path, which a cut would change.
int NarrowWhole(const wchar_t* text, char* buffer, int size);

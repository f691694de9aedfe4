// Win32 backend, section 13 of the seam: the double-byte code pages through
// the system's own conversion.
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/wide.h"

int32_t PlatCodePageToUtf8(uint32_t codePage, const char* text, int32_t length, char* out,
                           int32_t capacity) {
    if (!IsValidCodePage(codePage)) return -1;
    if (length <= 0) return 0;
    const int wideLength = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
    if (wideLength <= 0) return -1;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(codePage, 0, text, length, wide.data(), wideLength);
    const std::string narrow = Narrow(wide.data(), wideLength);
    if (narrow.size() > static_cast<size_t>(capacity)) return -1;
    narrow.copy(out, narrow.size());
    return static_cast<int32_t>(narrow.size());
}

// One character (one or two UTF-16 units) in the code page, or none when it
// has no exact form there: no best fit, which would change a name.
static int OneCharacter(uint32_t codePage, const wchar_t* character, int units, char* bytes) {
    BOOL defaulted = FALSE;
    const int size = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, character, units, bytes, 8,
                                         nullptr, &defaulted);
    return size > 0 && !defaulted ? size : 0;
}

int32_t PlatUtf8ToCodePage(uint32_t codePage, const char* text, int32_t length, char* out,
                           int32_t capacity, int32_t* unrepresentable) {
    *unrepresentable = 0;
    if (!IsValidCodePage(codePage)) return -1;
    const std::wstring wide = Widen(std::string(text, static_cast<size_t>(length)).c_str());
    int32_t written = 0;
    for (size_t i = 0; i < wide.size();) {
        const int units = IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() ? 2 : 1;
        char bytes[8];
        int size = OneCharacter(codePage, wide.data() + i, units, bytes);
        if (size == 0 || (size == 1 && bytes[0] == '?' && wide[i] != L'?')) {
            bytes[0] = '?';
            size = 1;
            ++*unrepresentable;
        }
        if (written + size > capacity) return -1;
        for (int k = 0; k < size; ++k) out[written++] = bytes[k];
        i += static_cast<size_t>(units);
    }
    return written;
}

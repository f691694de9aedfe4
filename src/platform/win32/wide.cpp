// Win32 backend: UTF-8 <-> UTF-16 at the border of the system.
#include "platform/win32/wide.h"

#include <cstring>

std::wstring Widen(const char* text) {
    if (text == nullptr || *text == '\0') return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

// CreateDirectory stops 12 short of MAX_PATH (room for an 8.3 name).
static const size_t CLASSIC_PATH_LIMIT = MAX_PATH - 12;

static bool HasDevicePrefix(const std::wstring& path) {
    return path.compare(0, 4, L"\\\\?\\") == 0 || path.compare(0, 4, L"\\\\.\\") == 0;
}

std::wstring WidenPath(const char* path) {
    std::wstring wide = Widen(path);
    if (wide.size() < CLASSIC_PATH_LIMIT || HasDevicePrefix(wide)) return wide;
    const bool drive = wide.size() > 2 && wide[1] == L':' && (wide[2] == L'\\' || wide[2] == L'/');
    const bool share = wide.size() > 2 && (wide[0] == L'\\' || wide[0] == L'/') &&
                       (wide[1] == L'\\' || wide[1] == L'/');
    if (!drive && !share) return wide;
    // Separators, "." and ".." are the system's to resolve for the prefixed
    // form too: the file named must be the one the plain path names.
    DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) return wide;
    std::wstring full(size, L'\0');
    DWORD length = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return wide;
    full.resize(length);
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::string Narrow(const wchar_t* text, int length) {
    if (text == nullptr || length == 0 || (length < 0 && *text == L'\0')) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, narrow.data(), size, nullptr, nullptr);
    if (length < 0) narrow.resize(static_cast<size_t>(size - 1));
    return narrow;
}

// A UTF-8 continuation byte: 10xxxxxx.
static bool Continues(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

int NarrowInto(const wchar_t* text, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    const std::string narrow = Narrow(text);
    size_t length = narrow.size();
    if (length >= static_cast<size_t>(size)) {
        length = static_cast<size_t>(size - 1);
        while (length > 0 && Continues(narrow[length])) --length;
    }
    std::memcpy(buffer, narrow.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

int NarrowWhole(const wchar_t* text, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    const std::string narrow = Narrow(text);
    if (narrow.size() >= static_cast<size_t>(size)) {
        buffer[0] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, narrow.c_str(), narrow.size() + 1);
    return static_cast<int>(narrow.size());
}

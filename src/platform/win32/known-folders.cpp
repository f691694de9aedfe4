// Win32 backend: the system's well-known folders and temporary names.
#include <windows.h>
#include <shlobj.h>

#include "platform/platform.h"
#include "platform/win32/wide.h"

// Room for any folder the system reports, long paths included.
static const DWORD FOLDER_CHARS = 32768;

// The folder calls return the length written, or the size they would need
// when the buffer is too small and then leave it undefined. The caller gets
// a terminated text either way: the whole folder, or nothing, since a cut
// folder would be another folder.
static int KeepIfFits(DWORD length, const std::wstring& wide, char* buffer, int size) {
    if (length == 0 || length >= wide.size()) {
        buffer[0] = '\0';
        return 0;
    }
    return NarrowWhole(wide.c_str(), buffer, size) > 0 ? 1 : 0;
}

int PlatGetWindowsFolder(char* buffer, int size) {
    if (size <= 0) return 0;
    std::wstring wide(FOLDER_CHARS, L'\0');
    return KeepIfFits(GetWindowsDirectoryW(wide.data(), FOLDER_CHARS), wide, buffer, size);
}

int PlatGetSystemFolder(char* buffer, int size) {
    if (size <= 0) return 0;
    std::wstring wide(FOLDER_CHARS, L'\0');
    return KeepIfFits(GetSystemDirectoryW(wide.data(), FOLDER_CHARS), wide, buffer, size);
}

int PlatGetTempFolder(char* buffer, int size) {
    if (size <= 0) return 0;
    std::wstring wide(FOLDER_CHARS, L'\0');
    return KeepIfFits(GetTempPathW(FOLDER_CHARS, wide.data()), wide, buffer, size);
}

int PlatGetCurrentFolder(char* buffer, int size) {
    if (size <= 0) return 0;
    std::wstring wide(FOLDER_CHARS, L'\0');
    return KeepIfFits(GetCurrentDirectoryW(FOLDER_CHARS, wide.data()), wide, buffer, size);
}

int PlatGetProgramsFolder(char* buffer, int size) {
    if (size <= 0) return 0;
    buffer[0] = '\0';
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, &items))) return 0;
    wchar_t path[MAX_PATH] = L"";
    BOOL found = SHGetPathFromIDListW(items, path);
    CoTaskMemFree(items);
    if (!found || path[0] == L'\0') return 0;
    return NarrowWhole(path, buffer, size) > 0 ? 1 : 0;
}

int PlatGetProfileFolder(char* buffer, int size) {
    if (size <= 0) return 0;
    buffer[0] = '\0';
    wchar_t path[MAX_PATH] = L"";
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, 0, path)) || path[0] == L'\0')
        return 0;
    return NarrowWhole(path, buffer, size) > 0 ? 1 : 0;
}

int PlatTempFileName(const char* folder, const char* prefix, char* result) {
    wchar_t name[MAX_PATH] = L"";
    if (GetTempFileNameW(Widen(folder).c_str(), Widen(prefix).c_str(), 0, name) == 0) return 0;
    // The name made must be the name reported: one too long for the
    // caller's 260 bytes would be a file nobody deletes.
    if (NarrowWhole(name, result, 260) > 0) return 1;
    DeleteFileW(name);
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
}

// Win32 backend: the system's well-known folders and temporary names.
#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "platform/platform.h"

// The folder calls return the length written, or the size they would need
// when the buffer is too small and then leave it undefined. The caller gets
// a terminated text either way: the folder, or nothing.
static int KeepIfFits(DWORD length, char* buffer, int size) {
    if (length == 0 || length >= static_cast<DWORD>(size)) {
        buffer[0] = '\0';
        return 0;
    }
    buffer[length] = '\0';
    return 1;
}

int PlatGetWindowsFolder(char* buffer, int size) {
    if (size <= 0) return 0;
    return KeepIfFits(GetWindowsDirectoryA(buffer, size), buffer, size);
}

int PlatGetSystemFolder(char* buffer, int size) {
    if (size <= 0) return 0;
    return KeepIfFits(GetSystemDirectoryA(buffer, size), buffer, size);
}

int PlatGetTempFolder(char* buffer, int size) {
    if (size <= 0) return 0;
    return KeepIfFits(GetTempPathA(size, buffer), buffer, size);
}

int PlatGetCurrentFolder(char* buffer, int size) {
    if (size <= 0) return 0;
    return KeepIfFits(GetCurrentDirectoryA(size, buffer), buffer, size);
}

int PlatGetProgramsFolder(char* buffer, int size) {
    if (size <= 0) return 0;
    buffer[0] = '\0';
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, &items))) return 0;
    char path[MAX_PATH] = "";
    BOOL found = SHGetPathFromIDListA(items, path);
    CoTaskMemFree(items);
    if (!found) return 0;
    const size_t length = strlen(path);
    if (length >= static_cast<size_t>(size)) return 0;
    memcpy(buffer, path, length + 1);
    return 1;
}

int PlatGetProfileFolder(char* buffer, int size) {
    if (size <= 0) return 0;
    buffer[0] = '\0';
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PROFILE, nullptr, 0, path))) return 0;
    const size_t length = strlen(path);
    if (length >= static_cast<size_t>(size)) return 0;
    memcpy(buffer, path, length + 1);
    return 1;
}

int PlatTempFileName(const char* folder, const char* prefix, char* result) {
    return GetTempFileNameA(folder, prefix, 0, result) != 0 ? 1 : 0;
}

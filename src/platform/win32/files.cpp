// Win32 backend: single files (open, delete, copy, move, size, existence).
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/reparse.h"
#include "platform/win32/wide.h"

uint32_t PlatLastError() { return GetLastError(); }

FILE* PlatFileOpen(const char* path, const char* mode) {
    return _wfopen(WidenPath(path).c_str(), Widen(mode).c_str());
}

int PlatDeleteFile(const char* path) {
    // Through a junction the file deleted would be its target's.
    if (PathCrossesReparsePoint(path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    return DeleteFileW(WidenPath(path).c_str()) ? 1 : 0;
}

int PlatCopyFile(const char* from, const char* to, int failIfExists) {
    return CopyFileW(WidenPath(from).c_str(), WidenPath(to).c_str(), failIfExists ? TRUE : FALSE) ? 1 : 0;
}

int PlatMoveFile(const char* from, const char* to) {
    return MoveFileExW(WidenPath(from).c_str(), WidenPath(to).c_str(), MOVEFILE_REPLACE_EXISTING) ? 1 : 0;
}

int PlatFileSize(const char* path, uint32_t* size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WidenPath(path).c_str(), GetFileExInfoStandard, &data)) return 0;
    // A size that does not fit in 32 bits is no size at all to the caller.
    if (data.nFileSizeHigh != 0) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return 0;
    }
    *size = data.nFileSizeLow;
    return 1;
}

int PlatFileExists(const char* path) {
    return GetFileAttributesW(WidenPath(path).c_str()) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

int PlatRestartDeletesFiles() { return 1; }

int PlatDeleteOnRestart(const char* path) {
    // The restart would delete through a junction just as the run would.
    if (PlatPathCrossesLink(path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    return MoveFileExW(WidenPath(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? 1 : 0;
}

// Win32 backend: folders (create, remove, enter, list).
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/reparse.h"

int PlatCreateFolder(const char* path) { return CreateDirectoryA(path, nullptr) ? 1 : 0; }

// A junction itself goes as a link (RemoveDirectory leaves its target);
// nothing inside one is removed.
int PlatRemoveFolder(const char* path) {
    if (PathCrossesReparsePoint(path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    return RemoveDirectoryA(path) ? 1 : 0;
}

int PlatSetCurrentFolder(const char* path) { return SetCurrentDirectoryA(path) ? 1 : 0; }

int PlatListFolder(const char* folder, int (*visit)(const char* name, void* context),
                   void* context) {
    // A junction holds nothing of its own: it is not looked into.
    if (folder[0] != '\0' && PathIsReparsePoint(folder)) {
        if (visit(".", context)) visit("..", context);
        return 1;
    }
    const std::string pattern = std::string(folder) + "*.*";
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!visit(entry.cFileName, context)) break;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return 1;
}

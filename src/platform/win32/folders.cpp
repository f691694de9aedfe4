// Win32 backend: folders (create, remove, enter, list).
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/reparse.h"
#include "platform/win32/wide.h"

int PlatCreateFolder(const char* path) { return CreateDirectoryW(WidenPath(path).c_str(), nullptr) ? 1 : 0; }

// A junction itself goes as a link (RemoveDirectory leaves its target);
// nothing inside one is removed.
int PlatRemoveFolder(const char* path) {
    if (PathCrossesReparsePoint(path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    return RemoveDirectoryW(WidenPath(path).c_str()) ? 1 : 0;
}

int PlatSetCurrentFolder(const char* path) { return SetCurrentDirectoryW(Widen(path).c_str()) ? 1 : 0; }

int PlatListFolder(const char* folder, int (*visit)(const char* name, void* context),
                   void* context) {
    // A junction holds nothing of its own: it is not looked into.
    if (folder[0] != '\0' && PathIsReparsePoint(folder)) {
        if (visit(".", context)) visit("..", context);
        return 1;
    }
    const std::wstring pattern = WidenPath((std::string(folder) + "*.*").c_str());
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!visit(Narrow(entry.cFileName).c_str(), context)) break;
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return 1;
}

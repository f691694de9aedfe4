// Win32 backend: folders (create, remove, enter, list).
#include <windows.h>

#include <string>

#include "platform/platform.h"

int PlatCreateFolder(const char* path) { return CreateDirectoryA(path, nullptr) ? 1 : 0; }

int PlatRemoveFolder(const char* path) { return RemoveDirectoryA(path) ? 1 : 0; }

int PlatSetCurrentFolder(const char* path) { return SetCurrentDirectoryA(path) ? 1 : 0; }

int PlatListFolder(const char* folder, int (*visit)(const char* name, void* context),
                   void* context) {
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

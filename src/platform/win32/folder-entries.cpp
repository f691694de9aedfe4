// Win32 backend: a folder kept open while its files are deleted. Win32 has
// no calls relative to an open folder, so the folder is kept by its path,
// checked once, and each entry is its path joined with the name.
#include <windows.h>

#include <string>

#include "platform/platform.h"

struct PlatFolder_ {
    std::string path;  // ends in a separator
};

PlatFolder PlatFolderOpen(const char* folder) {
    DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES) return nullptr;
    // A junction or link as the folder would lead out of it.
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        SetLastError(ERROR_DIRECTORY);
        return nullptr;
    }
    return new PlatFolder_{folder};
}

void PlatFolderClose(PlatFolder folder) { delete folder; }

int PlatFolderDeleteFile(PlatFolder folder, const char* name) {
    if (folder == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return PlatDeleteFile((folder->path + name).c_str());
}

int PlatFolderEntryExists(PlatFolder folder, const char* name) {
    if (folder == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return PlatFileExists((folder->path + name).c_str());
}

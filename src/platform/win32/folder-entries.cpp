// Win32 backend: a folder kept open while its files are deleted. Win32 has
// no calls relative to an open folder, so the folder is kept by its path,
// its way checked once for junctions and links, and each entry is its path
// joined with the name: one system call per file, as "rd" makes.
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/reparse.h"
#include "platform/win32/wide.h"

struct PlatFolder_ {
    std::string path;  // ends in a separator
};

namespace {

// Only a plain name is an entry of the folder: nothing that names the
// folder itself, its parent or anything below it.
bool IsEntryName(const char* name) {
    if (name == nullptr || name[0] == '\0') return false;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) return false;
    for (const char* p = name; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/') return false;
    }
    return true;
}

bool Usable(PlatFolder folder, const char* name) {
    if (folder != nullptr && IsEntryName(name)) return true;
    SetLastError(folder != nullptr ? ERROR_INVALID_NAME : ERROR_INVALID_HANDLE);
    return false;
}

}  // namespace

PlatFolder PlatFolderOpen(const char* folder) {
    DWORD attributes = GetFileAttributesW(WidenPath(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return nullptr;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_DIRECTORY);
        return nullptr;
    }
    // A junction or link as the folder, or on the way to it, would lead out
    // of it. The folder is looked at without its trailing separator: with
    // it, the attributes may be those of a link's target (Wine gives them).
    if (PathIsReparsePoint(folder) || PathCrossesReparsePoint(folder)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return new PlatFolder_{folder};
}

void PlatFolderClose(PlatFolder folder) { delete folder; }

// A link as the entry itself is deleted as a link, never through: a
// junction or a link to a folder, which DeleteFile refuses, goes with
// RemoveDirectory, which removes the link and leaves its target.
int PlatFolderDeleteFile(PlatFolder folder, const char* name) {
    if (!Usable(folder, name)) return 0;
    std::wstring path = WidenPath((folder->path + name).c_str());
    if (DeleteFileW(path.c_str())) return 1;
    DWORD error = GetLastError();
    DWORD attributes = GetFileAttributesW(path.c_str());
    const DWORD folderLink = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & folderLink) == folderLink) {
        return RemoveDirectoryW(path.c_str()) ? 1 : 0;
    }
    SetLastError(error);
    return 0;
}

int PlatFolderEntryExists(PlatFolder folder, const char* name) {
    if (!Usable(folder, name)) return 0;
    return GetFileAttributesW(WidenPath((folder->path + name).c_str()).c_str()) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

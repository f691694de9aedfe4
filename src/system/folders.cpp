#include "system/folders.h"

#include "base/core.h"
#include "base/strings.h"
#include "platform/platform.h"
#include "system/registry.h"

int NormalizePath(char* path, int addTrailingSeparator) {
    int length = 0;
    for (; path[length] != '\0'; ++length) {
        if (path[length] == '/') path[length] = '\\';
    }
    if (addTrailingSeparator == 1 && (length == 0 || path[length - 1] != '\\')) {
        path[length] = '\\';
        path[length + 1] = '\0';
    }
    return 1;
}

// The queries leave room for the separator they may append, so a folder that
// fills the whole buffer never pushes it one byte past the end. A failed
// query gives nothing: with a separator it would read as the drive root.
static int QueryFolder(int (*query)(char*, int), char* buffer, int size) {
    buffer[0] = '\0';
    if (!query(buffer, size - 1)) buffer[0] = '\0';
    buffer[size - 2] = '\0';
    if (buffer[0] == '\0') return 1;
    return NormalizePath(buffer, 1);
}

int GetWindowsFolder(char* buffer, int size) {
    return QueryFolder(PlatGetWindowsFolder, buffer, size);
}
int GetSystemFolder(char* buffer, int size) {
    return QueryFolder(PlatGetSystemFolder, buffer, size);
}
int GetTempFolder(char* buffer, int size) { return QueryFolder(PlatGetTempFolder, buffer, size); }
// The folder the process stood in before it moved to the drive's root; it
// is still what "the current folder" means to the script.
static char folderLeft[FOLDER_PATH_SIZE];

int GetCurrentFolder(char* buffer, int size) {
    if (folderLeft[0] != '\0' && StrCopyN(buffer, folderLeft, size)) return 1;
    return QueryFolder(PlatGetCurrentFolder, buffer, size);
}

int StandInDriveRoot() {
    if (folderLeft[0] != '\0') return 1;
    char folder[FOLDER_PATH_SIZE];
    GetCurrentFolder(folder, sizeof folder);
    if (!PlatSetCurrentFolder("\\")) return 0;
    StrCopy(folderLeft, folder);
    return 1;
}

int GetProgramFolder(char* buffer, int size) {
    buffer[0] = '\0';
    PlatGetModulePath(buffer, size);
    NormalizePath(buffer, 0);
    const char* separator = nullptr;
    for (const char* p = buffer; *p != '\0'; ++p) {
        if (*p == '\\') separator = p;
    }
    if (separator != nullptr) buffer[separator - buffer + 1] = '\0';
    return 1;
}

void GetProgramFilesFolder(char* result) {
    GetSystemFolder(result, FOLDER_PATH_SIZE);
    // Keep the drive root of the system folder as the fallback.
    result[3] = '\0';
    StrAppend(result, "Program Files\\");

    HKEY key = nullptr;
    if (!RegistryOpenKey(&key, REGISTRY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion")) {
        LogPrint("Unable to get Program Files path\n");
    } else {
        RegistryGetString(key, "ProgramFilesDir", result, FOLDER_PATH_SIZE - 1);
        RegistryCloseKey(&key);
        int length = StrLength(result);
        if (length == 0 || result[length - 1] != '\\') StrAppend(result, "\\");
    }
}

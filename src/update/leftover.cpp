// A download killed half-way leaves its temporary file (UpdXXXX.TMP) in the
// product's folder. Its exact path is recorded while it exists, under the
// product's registry key, so that the next update check removes that file
// and nothing else: a file we did not make is never taken for ours.
#include "update/update.h"

#include "base/core.h"
#include "base/strings.h"
#include "platform/platform.h"
#include "script/pathmacro.h"
#include "system/registry.h"

#include <cstring>

#define LEFTOVER_VALUE "Update Download"
// Where the record goes when the product has no key of its own. Never the
// product's key made anew (its presence means "installed"), nor the
// registration's.
#define LEFTOVER_FALLBACK_KEY "Software\\Tolvane\\Update"

namespace {

const char* RecordKey(const InstallScript* settings) {
    if (settings->registryPath[0] != '\0' &&
        RegistryKeyExists(REGISTRY_CURRENT_USER, settings->registryPath))
        return settings->registryPath;
    return LEFTOVER_FALLBACK_KEY;
}

void Record(const InstallScript* settings, const char* path) {
    HKEY key = nullptr;
    if (!RegistryCreateKey(&key, REGISTRY_CURRENT_USER, RecordKey(settings))) return;
    RegistrySetString(key, LEFTOVER_VALUE, path);
    RegistryCloseKey(&key);
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// "Upd", one to four hexadecimal digits, ".TMP": the names we give.
bool IsTemporaryName(const char* name) {
    if (!StrStartsWithNoCase(name, DOWNLOAD_TEMP_PREFIX)) return false;
    const char* p = name + 3;
    int digits = 0;
    while (IsHex(*p) && digits < 5) ++p, ++digits;
    return digits >= 1 && digits <= 4 && StrEqualNoCase(p, ".TMP");
}

}    // namespace

int DownloadFolder(const InstallScript* settings, char* folder) {
    CHECK_POINTER(settings);
    CHECK_POINTER(folder);
    uint32_t flags = 0;
    if (!ExpandPathMacros(settings, DOWNLOAD_TEMP_PREFIX, folder, &flags)) return 0;
    char* cut = folder;
    for (char* p = folder; *p != '\0'; ++p)
        if (*p == '\\' || *p == '/') cut = p + 1;
    *cut = '\0';
    return 1;
}

void RememberPartialDownload(const InstallScript* settings, const char* path) {
    CHECK_POINTER(settings);
    CHECK_POINTER(path);
    Record(settings, path);
}

void ForgetPartialDownload(const InstallScript* settings) {
    CHECK_POINTER(settings);
    HKEY key = nullptr;
    if (!RegistryOpenKey(&key, REGISTRY_CURRENT_USER, RecordKey(settings))) return;
    RegistryDeleteValue(key, LEFTOVER_VALUE);
    RegistryCloseKey(&key);
}

void RemoveLeftoverDownload(const InstallScript* settings) {
    CHECK_POINTER(settings);
    HKEY key = nullptr;
    if (!RegistryOpenKey(&key, REGISTRY_CURRENT_USER, RecordKey(settings))) return;
    // Quietly: no record is the usual case.
    char path[UPDATE_TEXT_SIZE] = "";
    uint32_t type = 0, size = sizeof path - 1;
    int32_t result = PlatRegQueryValue(key, LEFTOVER_VALUE, &type, path, &size);
    RegistryCloseKey(&key);
    if (result != ERROR_SUCCESS || type != REG_SZ || size == 0) return;
    path[size] = '\0';

    // Only a name of ours, directly in this product's folder.
    char folder[UPDATE_TEXT_SIZE];
    size_t folderLength = 0;
    if (DownloadFolder(settings, folder)) folderLength = std::strlen(folder);
    const char* name = path + folderLength;
    if (folderLength > 0 && std::strlen(path) > folderLength &&
        std::strncmp(path, folder, folderLength) == 0 && IsTemporaryName(name)) {
        if (PlatFileExists(path) && PlatDeleteFile(path))
            LogPrint("Removed '%s' left by an earlier download\n", path);
        ForgetPartialDownload(settings);
    }
}

// Win32 backend: the registry. Every key is opened or created with full
// access; results are the registry's own error codes.
#include <windows.h>

#include "platform/platform.h"

static bool KeptUnchanged = false;

void PlatRegKeepUnchanged() { KeptUnchanged = true; }

int32_t PlatRegCreateKey(HKEY root, const char* subKey, HKEY* key) {
    if (KeptUnchanged) {
        // Only a key that is there already can be had without a change.
        int32_t opened = PlatRegOpenKey(root, subKey, key);
        return opened == ERROR_FILE_NOT_FOUND ? ERROR_ACCESS_DENIED : opened;
    }
    DWORD disposition = 0;
    LONG result = RegCreateKeyExA(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, key, &disposition);
    if (result != ERROR_SUCCESS)
        *key = nullptr;
    return result;
}

int32_t PlatRegOpenKey(HKEY root, const char* subKey, HKEY* key) {
    LONG result = RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, key);
    if (result != ERROR_SUCCESS)
        *key = nullptr;
    return result;
}

int32_t PlatRegCloseKey(HKEY key) {
    return RegCloseKey(key);
}

int32_t PlatRegDeleteKey(HKEY root, const char* subKey) {
    if (KeptUnchanged) return ERROR_ACCESS_DENIED;
    return RegDeleteKeyA(root, subKey);
}

int32_t PlatRegSetValue(HKEY key, const char* name, uint32_t type, const void* data,
                        uint32_t size) {
    if (KeptUnchanged) return ERROR_ACCESS_DENIED;
    return RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
}

int32_t PlatRegDeleteValue(HKEY key, const char* name) {
    if (KeptUnchanged) return ERROR_ACCESS_DENIED;
    return RegDeleteValueA(key, name);
}

int32_t PlatRegQueryValue(HKEY key, const char* name, uint32_t* type, void* data, uint32_t* size) {
    DWORD storedType = 0;
    DWORD storedSize = *size;
    LONG result =
        RegQueryValueExA(key, name, nullptr, &storedType, static_cast<BYTE*>(data), &storedSize);
    *type = storedType;
    *size = storedSize;
    return result;
}

// Registry access: keys by root and sub-key path, values of two kinds,
// "String" (REG_SZ) and "Int32" (REG_DWORD).
#pragma once

#include "platform/wintypes.h"

#include <cstdint>

// The roots, by the numbers that select them; any other number selects the
// current user's.
enum RegistryRoot : int32_t {
    REGISTRY_CURRENT_USER = 1,
    REGISTRY_DYN_DATA = 2,
    REGISTRY_PERFORMANCE_DATA = 3,
    REGISTRY_LOCAL_MACHINE = 4,
    REGISTRY_CLASSES_ROOT = 5,
    REGISTRY_CURRENT_CONFIG = 6
};

HKEY RegistryRootKey(RegistryRoot root);
int RegistryCreateKey(HKEY* key, RegistryRoot root, const char* subKey);
int RegistryOpenKey(HKEY* key, RegistryRoot root, const char* subKey);
int RegistryCloseKey(HKEY* key);
int RegistryKeyExists(RegistryRoot root, const char* subKey);
int RegistryDeleteKey(RegistryRoot root, const char* subKey);
int RegistrySetValue(HKEY key, uint32_t type, const char* kindName, const char* valueName,
                     const void* data, uint32_t size);
int RegistryGetValue(HKEY key, uint32_t type, const char* kindName, const char* valueName,
                     void* buffer, uint32_t size);
int RegistrySetString(HKEY key, const char* valueName, const char* text);
// Removes the value; 1 also when there was none.
int RegistryDeleteValue(HKEY key, const char* valueName);
int RegistryGetString(HKEY key, const char* valueName, char* buffer, uint32_t size);
int RegistrySetInt32(HKEY key, const char* valueName, int32_t value);
int RegistryGetInt32(HKEY key, const char* valueName, int32_t* value);

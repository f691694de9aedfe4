// ZunkCore registry access: keys by root selector and sub-key path, values
// of two kinds, "String" (REG_SZ) and "Int32" (REG_DWORD).
#pragma once

#include "platform/wintypes.h"

#include <cstdint>

HKEY RegistryRootKey(int selector);
int RegistryCreateKey(HKEY* key, int selector, const char* subKey);
int RegistryOpenKey(HKEY* key, int selector, const char* subKey);
int RegistryCloseKey(HKEY* key);
int RegistryKeyExists(int selector, const char* subKey);
int RegistryDeleteKey(int selector, const char* subKey);
int RegistrySetValue(HKEY key, uint32_t type, const char* kindName, const char* valueName,
                     const void* data, uint32_t size);
int RegistryGetValue(HKEY key, uint32_t type, const char* kindName, const char* valueName,
                     void* buffer, uint32_t size);
int RegistrySetString(HKEY key, const char* valueName, const char* text);
int RegistryGetString(HKEY key, const char* valueName, char* buffer, uint32_t size);
int RegistrySetInt32(HKEY key, const char* valueName, int32_t value);
int RegistryGetInt32(HKEY key, const char* valueName, int32_t* value);

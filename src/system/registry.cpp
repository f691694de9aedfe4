// Registry access: the table of roots, full-access keys, the two
// value kinds and their log lines, over the registry calls of the seam.
#include "system/registry.h"

#include "base/core.h"
#include "base/runstyle.h"
#include "platform/platform.h"
#include "system/plan.h"

#include <cstring>
#include <string>

#define KIND_STRING "String"
#define KIND_INT32 "Int32"

namespace {
struct RootKey {
    HKEY key;
    const char* name;   // as the registry editor spells it
};
}  // namespace

static RootKey RootOf(RegistryRoot root) {
    switch (root) {
    case REGISTRY_DYN_DATA:
        return {HKEY_DYN_DATA, "HKEY_DYN_DATA"};
    case REGISTRY_PERFORMANCE_DATA:
        return {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA"};
    case REGISTRY_LOCAL_MACHINE:
        return {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"};
    case REGISTRY_CLASSES_ROOT:
        return {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"};
    case REGISTRY_CURRENT_CONFIG:
        return {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"};
    default:
        return {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"}; // and every unknown number
    }
}

HKEY RegistryRootKey(RegistryRoot root) { return RootOf(root).key; }

int RegistryCreateKey(HKEY* key, RegistryRoot root, const char* subKey) {
    CHECK_POINTER(key);
    CHECK_POINTER(subKey);
    *key = nullptr;
    if (PlatRegCreateKey(RegistryRootKey(root), subKey, key) != ERROR_SUCCESS) {
        *key = nullptr;
        return 0;
    }
    return 1;
}

int RegistryOpenKey(HKEY* key, RegistryRoot root, const char* subKey) {
    CHECK_POINTER(key);
    CHECK_POINTER(subKey);
    *key = nullptr;
    if (PlatRegOpenKey(RegistryRootKey(root), subKey, key) != ERROR_SUCCESS) {
        *key = nullptr;
        return 0;
    }
    return 1;
}

int RegistryCloseKey(HKEY* key) {
    CHECK_POINTER(key);
    // A cleared variable holds nothing, so there is nothing to close.
    if (*key != nullptr)
        PlatRegCloseKey(*key);
    *key = nullptr;
    return 1;
}

int RegistryKeyExists(RegistryRoot root, const char* subKey) {
    HKEY key = nullptr;
    if (!RegistryOpenKey(&key, root, subKey))
        return 0;
    RegistryCloseKey(&key);
    return 1;
}

int RegistryDeleteKey(RegistryRoot root, const char* subKey) {
    CHECK_POINTER(subKey);
    if (PlanOnly()) {
        std::string key = std::string(RootOf(root).name) + "\\" + subKey;
        PlanReport(PLAN_DELETE_KEY, key.c_str());
        return 1;
    }
    int32_t result = PlatRegDeleteKey(RegistryRootKey(root), subKey);
    if (result != ERROR_SUCCESS) {
        LogPrint("Unable to delete key '%s'(0x%.8X)\n", subKey, (unsigned)result);
        return 0;
    }
    return 1;
}

int RegistrySetValue(HKEY key, uint32_t type, const char* kindName, const char* valueName,
                     const void* data, uint32_t size) {
    CHECK_POINTER(kindName);
    CHECK_POINTER(valueName);
    CHECK_POINTER(data);
    if (PlatRegSetValue(key, valueName, type, data, size) != ERROR_SUCCESS) {
        LogPrint("Unable to set registry '%s' %s\n", valueName, kindName);
        return 0;
    }
    return 1;
}

// Texts are stored without their NUL, so the bytes read are not a C string
// by themselves: end them inside the buffer, cutting the last byte when the
// text fills it completely. After a failed read the buffer keeps what it
// held, and its last byte makes sure that too ends in time.
static void TerminateText(char* buffer, uint32_t size, int read, uint32_t storedSize) {
    if (size == 0)
        return;
    if (read && storedSize < size) {
        buffer[storedSize] = '\0';
    } else if (!read || std::memchr(buffer, '\0', size) == nullptr) {
        buffer[size - 1] = '\0';
    }
}

int RegistryGetValue(HKEY key, uint32_t type, const char* kindName, const char* valueName,
                     void* buffer, uint32_t size) {
    CHECK_POINTER(kindName);
    CHECK_POINTER(valueName);
    CHECK_POINTER(buffer);
    uint32_t storedType = 0;
    uint32_t storedSize = size;
    int32_t result = PlatRegQueryValue(key, valueName, &storedType, buffer, &storedSize);
    if (type == REG_SZ)
        TerminateText(static_cast<char*>(buffer), size, result == ERROR_SUCCESS, storedSize);
    if (result != ERROR_SUCCESS) {
        LogPrint("Unable to get registry '%s' %s\n", valueName, kindName);
        return 0;
    }
    if (storedType != type) {
        LogPrint("Bad type for '%s' [0x%.8X != 0x%.8X]\n", valueName, (unsigned)storedType,
                 (unsigned)type);
        return 0;
    }
    return 1;
}

int RegistrySetString(HKEY key, const char* valueName, const char* text) {
    CHECK_POINTER(text);
    return RegistrySetValue(key, REG_SZ, KIND_STRING, valueName, text, (uint32_t)std::strlen(text));
}

int RegistryDeleteValue(HKEY key, const char* valueName) {
    CHECK_POINTER(valueName);
    int32_t result = PlatRegDeleteValue(key, valueName);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? 1 : 0;
}

int RegistryGetString(HKEY key, const char* valueName, char* buffer, uint32_t size) {
    return RegistryGetValue(key, REG_SZ, KIND_STRING, valueName, buffer, size);
}

// A DWORD is stored little-endian whatever the host's byte order.
static void Int32ToBytes(int32_t value, unsigned char bytes[4]) {
    uint32_t bits = (uint32_t)value;
    for (int i = 0; i < 4; ++i)
        bytes[i] = (unsigned char)(bits >> (8 * i));
}

static int32_t Int32FromBytes(const unsigned char bytes[4]) {
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= (uint32_t)bytes[i] << (8 * i);
    return (int32_t)bits;
}

int RegistrySetInt32(HKEY key, const char* valueName, int32_t value) {
    unsigned char bytes[4];
    Int32ToBytes(value, bytes);
    return RegistrySetValue(key, REG_DWORD, KIND_INT32, valueName, bytes, 4);
}

int RegistryGetInt32(HKEY key, const char* valueName, int32_t* value) {
    CHECK_POINTER(value);
    // The variable is the buffer: what the read leaves in it, even under a
    // wrong type, is what the caller gets.
    unsigned char bytes[4];
    Int32ToBytes(*value, bytes);
    int result = RegistryGetValue(key, REG_DWORD, KIND_INT32, valueName, bytes, 4);
    *value = Int32FromBytes(bytes);
    return result;
}

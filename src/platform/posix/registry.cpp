// POSIX backend: the registry calls of the seam over the registry file,
// answering with the codes Windows NT gives.
//
// A key handle is a small heap object that remembers the key's full path;
// the handles alive are kept in one table, so a handle that was closed or
// never opened is refused with ERROR_INVALID_HANDLE instead of being used.
// A handle names its key by path: once the key is deleted its handle gets
// ERROR_KEY_DELETED, as on Windows (a key made again under the same name
// is, unlike Windows, reached again through the old handle).
#include "platform/platform.h"
#include "platform/posix/lasterror.h"
#include "platform/posix/registry-store.h"

#include <cstring>
#include <mutex>
#include <set>

// The registry file exists but cannot be parsed, so nothing can be stored.
#define ERROR_BADDB 1009

namespace {

struct KeyHandle {
    std::string path;
};

std::mutex HandlesLock;
std::set<const KeyHandle*> LiveHandles;

HKEY NewHandle(const std::string& path) {
    KeyHandle* handle = new KeyHandle{path};
    std::lock_guard<std::mutex> guard(HandlesLock);
    LiveHandles.insert(handle);
    return reinterpret_cast<HKEY>(handle);
}

// The full path of an open key or a predefined root, or an error.
int32_t PathOfKey(HKEY key, std::string* path) {
    // Neither exists on Windows NT.
    if (key == HKEY_DYN_DATA || key == HKEY_PERFORMANCE_DATA)
        return ERROR_INVALID_HANDLE;
    if (const char* root = RegRootName(key)) {
        *path = root;
        return ERROR_SUCCESS;
    }
    std::lock_guard<std::mutex> guard(HandlesLock);
    const KeyHandle* handle = reinterpret_cast<const KeyHandle*>(key);
    if (LiveHandles.count(handle) == 0)
        return ERROR_INVALID_HANDLE;
    *path = handle->path;
    return ERROR_SUCCESS;
}

// A line break in a name would break the registry file's lines.
bool NameFitsFile(const char* name) {
    return std::strpbrk(name, "\r\n") == nullptr;
}

// The full path of `subKey` below `parent`. Empty components ("a\\b",
// a trailing backslash) are passed over.
int32_t PathBelow(HKEY parent, const char* subKey, std::string* path) {
    int32_t result = PathOfKey(parent, path);
    if (result != ERROR_SUCCESS)
        return result;
    if (subKey == nullptr)
        return ERROR_SUCCESS;
    if (!NameFitsFile(subKey))
        return ERROR_INVALID_PARAMETER;
    const char* cursor = subKey;
    while (*cursor != '\0') {
        const char* end = std::strchr(cursor, '\\');
        if (end == nullptr)
            end = cursor + std::strlen(cursor);
        if (end > cursor)
            *path += "\\" + std::string(cursor, end);
        cursor = *end == '\\' ? end + 1 : end;
    }
    return ERROR_SUCCESS;
}

bool KeyExists(RegStore& store, const std::string& path) {
    return RegIsRootPath(path) || RegFindKey(store, path) != nullptr;
}

// The file-level outcome in the terms of one call: a file that cannot be
// parsed is a registry without the key (reads) or one that cannot take
// anything (writes).
int32_t Outcome(int32_t result, int32_t whenUnreadable) {
    return result == REG_FILE_UNREADABLE ? whenUnreadable : result;
}

} // namespace

int32_t PlatRegCreateKey(HKEY root, const char* subKey, HKEY* key) {
    *key = nullptr;
    std::string path;
    int32_t result = PathBelow(root, subKey, &path);
    if (result != ERROR_SUCCESS)
        return result;
    if (!RegFileWritable())
        return ERROR_ACCESS_DENIED;
    result = RegFileAccess([&](RegStore& store, bool& changed) {
        changed = !KeyExists(store, path);
        if (changed)
            RegAddKey(store, path);
        return (int32_t)ERROR_SUCCESS;
    });
    result = Outcome(result, ERROR_BADDB);
    if (result == ERROR_SUCCESS)
        *key = NewHandle(path);
    return result;
}

static int32_t OpenKey(HKEY root, const char* subKey, HKEY* key, bool fullAccess) {
    *key = nullptr;
    std::string path;
    int32_t result = PathBelow(root, subKey, &path);
    if (result != ERROR_SUCCESS)
        return result;
    result = RegFileAccess([&](RegStore& store, bool&) {
        return (int32_t)(KeyExists(store, path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
    });
    result = Outcome(result, ERROR_FILE_NOT_FOUND);
    // Full access includes writing, which a read-only registry refuses.
    if (result == ERROR_SUCCESS && fullAccess && !RegFileWritable())
        result = ERROR_ACCESS_DENIED;
    if (result == ERROR_SUCCESS)
        *key = NewHandle(path);
    return result;
}

int32_t PlatRegOpenKey(HKEY root, const char* subKey, HKEY* key) {
    return OpenKey(root, subKey, key, true);
}

int32_t PlatRegOpenKeyForReading(HKEY root, const char* subKey, HKEY* key) {
    return OpenKey(root, subKey, key, false);
}

int32_t PlatRegCloseKey(HKEY key) {
    if (RegRootName(key) != nullptr)
        return ERROR_SUCCESS;
    const KeyHandle* handle = reinterpret_cast<const KeyHandle*>(key);
    {
        std::lock_guard<std::mutex> guard(HandlesLock);
        if (LiveHandles.erase(handle) == 0)
            return ERROR_INVALID_HANDLE;
    }
    delete handle;
    return ERROR_SUCCESS;
}

int32_t PlatRegDeleteKey(HKEY root, const char* subKey) {
    std::string path;
    int32_t result = PathBelow(root, subKey, &path);
    if (result != ERROR_SUCCESS)
        return result;
    if (RegIsRootPath(path))
        return ERROR_ACCESS_DENIED;
    result = RegFileAccess([&](RegStore& store, bool& changed) {
        if (RegFindKey(store, path) == nullptr)
            return (int32_t)ERROR_FILE_NOT_FOUND;
        // NT deletes single keys only: one with sub-keys stays.
        if (RegHasSubKeys(store, path))
            return (int32_t)ERROR_ACCESS_DENIED;
        RegRemoveKey(store, path);
        changed = true;
        return (int32_t)ERROR_SUCCESS;
    });
    return Outcome(result, ERROR_FILE_NOT_FOUND);
}

int32_t PlatRegSetValue(HKEY key, const char* name, uint32_t type, const void* data,
                        uint32_t size) {
    std::string path;
    int32_t result = PathOfKey(key, &path);
    if (result != ERROR_SUCCESS)
        return result;
    if (name == nullptr)
        name = "";
    if (!NameFitsFile(name) || (data == nullptr && size != 0))
        return ERROR_INVALID_PARAMETER;
    std::string bytes(static_cast<const char*>(data), data == nullptr ? 0 : size);
    result = RegFileAccess([&](RegStore& store, bool& changed) {
        if (!KeyExists(store, path))
            return (int32_t)ERROR_KEY_DELETED;
        RegPutValue(RegAddKey(store, path), name, type, bytes);
        changed = true;
        return (int32_t)ERROR_SUCCESS;
    });
    return Outcome(result, ERROR_BADDB);
}

int32_t PlatRegDeleteValue(HKEY key, const char* name) {
    std::string path;
    int32_t result = PathOfKey(key, &path);
    if (result != ERROR_SUCCESS)
        return result;
    if (name == nullptr)
        name = "";
    result = RegFileAccess([&](RegStore& store, bool& changed) {
        RegKey* holder = KeyExists(store, path) ? RegFindKey(store, path) : nullptr;
        if (holder == nullptr)
            return (int32_t)ERROR_KEY_DELETED;
        for (auto value = holder->values.begin(); value != holder->values.end(); ++value) {
            if (RegNameEqual(value->name, name)) {
                holder->values.erase(value);
                changed = true;
                return (int32_t)ERROR_SUCCESS;
            }
        }
        return (int32_t)ERROR_FILE_NOT_FOUND;
    });
    return Outcome(result, ERROR_BADDB);
}

int32_t PlatRegQueryValue(HKEY key, const char* name, uint32_t* type, void* data, uint32_t* size) {
    std::string path;
    int32_t result = PathOfKey(key, &path);
    if (result != ERROR_SUCCESS)
        return result;
    if (name == nullptr)
        name = "";
    RegValue found;
    result = RegFileAccess([&](RegStore& store, bool&) {
        if (!KeyExists(store, path))
            return (int32_t)ERROR_KEY_DELETED;
        RegKey* holder = RegFindKey(store, path);
        RegValue* value = holder == nullptr ? nullptr : RegFindValue(*holder, name);
        if (value == nullptr)
            return (int32_t)ERROR_FILE_NOT_FOUND;
        found = *value;
        return (int32_t)ERROR_SUCCESS;
    });
    result = Outcome(result, ERROR_FILE_NOT_FOUND);
    if (result != ERROR_SUCCESS)
        return result;

    uint32_t stored = (uint32_t)found.data.size();
    if (type != nullptr)
        *type = found.type;
    if (data == nullptr || size == nullptr) {
        if (size != nullptr)
            *size = stored;
        return ERROR_SUCCESS;
    }
    uint32_t room = *size;
    *size = stored;
    if (room < stored)
        return ERROR_MORE_DATA;
    std::memcpy(data, found.data.data(), stored);
    // Like NT, a text stored without its NUL gets one when there is room.
    bool text = found.type == REG_SZ || found.type == 2 /* REG_EXPAND_SZ */;
    if (text && room > stored && (stored == 0 || found.data.back() != '\0'))
        static_cast<char*>(data)[stored] = '\0';
    return ERROR_SUCCESS;
}

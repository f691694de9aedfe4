// POSIX backend: the in-memory registry, with Windows' naming rules (names
// ignore the case of letters, keys nest by backslash).
#include "platform/posix/registry-store.h"

#include <algorithm>

static char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

bool RegNameEqual(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldAscii(x) == FoldAscii(y);
           });
}

static const struct {
    HKEY root;
    const char* name;
} RootNames[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
    {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
    {HKEY_DYN_DATA, "HKEY_DYN_DATA"},
};

const char* RegRootName(HKEY root) {
    for (const auto& entry : RootNames) {
        if (entry.root == root)
            return entry.name;
    }
    return nullptr;
}

const char* RegCanonicalRootName(const std::string& name) {
    for (const auto& entry : RootNames) {
        if (RegNameEqual(name, entry.name))
            return entry.name;
    }
    return nullptr;
}

static bool IsBelow(const std::string& path, const std::string& ancestor) {
    return path.size() > ancestor.size() + 1 && path[ancestor.size()] == '\\' &&
           RegNameEqual(path.substr(0, ancestor.size()), ancestor);
}

bool RegIsRootPath(const std::string& path) {
    return path.find('\\') == std::string::npos;
}

RegKey* RegFindKey(RegStore& store, const std::string& path) {
    for (RegKey& key : store.keys) {
        if (RegNameEqual(key.path, path))
            return &key;
    }
    return nullptr;
}

RegKey& RegAddKey(RegStore& store, const std::string& path) {
    if (RegKey* existing = RegFindKey(store, path))
        return *existing;
    size_t parentEnd = path.rfind('\\');
    // Roots get a section of their own only when they hold values.
    if (parentEnd != std::string::npos && !RegIsRootPath(path.substr(0, parentEnd)))
        RegAddKey(store, path.substr(0, parentEnd));
    store.keys.push_back(RegKey{path, {}});
    return store.keys.back();
}

bool RegHasSubKeys(const RegStore& store, const std::string& path) {
    return std::any_of(store.keys.begin(), store.keys.end(),
                       [&](const RegKey& key) { return IsBelow(key.path, path); });
}

void RegRemoveKey(RegStore& store, const std::string& path) {
    std::erase_if(store.keys, [&](const RegKey& key) { return RegNameEqual(key.path, path); });
}

RegValue* RegFindValue(RegKey& key, const std::string& name) {
    for (RegValue& value : key.values) {
        if (RegNameEqual(value.name, name))
            return &value;
    }
    return nullptr;
}

void RegPutValue(RegKey& key, const std::string& name, uint32_t type, const std::string& data) {
    if (RegValue* existing = RegFindValue(key, name)) {
        existing->type = type;
        existing->data = data;
        return;
    }
    key.values.push_back(RegValue{name, type, data});
}

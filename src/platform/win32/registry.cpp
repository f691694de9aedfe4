// Win32 backend: the registry. Keys are opened or created with full
// access, except where only reading is asked for; results are the
// registry's own error codes.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/wide.h"

#include <cstring>
#include <string>
#include <vector>

static bool KeptUnchanged = false;

static bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

void PlatRegKeepUnchanged() { KeptUnchanged = true; }

int32_t PlatRegCreateKey(HKEY root, const char* subKey, HKEY* key) {
    if (KeptUnchanged) {
        // Only a key that is there already can be had without a change.
        int32_t opened = PlatRegOpenKey(root, subKey, key);
        return opened == ERROR_FILE_NOT_FOUND ? ERROR_ACCESS_DENIED : opened;
    }
    DWORD disposition = 0;
    LONG result = RegCreateKeyExW(root, Widen(subKey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, key, &disposition);
    if (result != ERROR_SUCCESS)
        *key = nullptr;
    return result;
}

int32_t PlatRegOpenKey(HKEY root, const char* subKey, HKEY* key) {
    LONG result = RegOpenKeyExW(root, Widen(subKey).c_str(), 0, KEY_ALL_ACCESS, key);
    if (result != ERROR_SUCCESS)
        *key = nullptr;
    return result;
}

int32_t PlatRegOpenKeyForReading(HKEY root, const char* subKey, HKEY* key) {
    LONG result = RegOpenKeyExW(root, Widen(subKey).c_str(), 0, KEY_READ, key);
    if (result != ERROR_SUCCESS)
        *key = nullptr;
    return result;
}

int32_t PlatRegCloseKey(HKEY key) {
    return RegCloseKey(key);
}

int32_t PlatRegDeleteKey(HKEY root, const char* subKey) {
    if (KeptUnchanged) return ERROR_ACCESS_DENIED;
    return RegDeleteKeyW(root, Widen(subKey).c_str());
}

int32_t PlatRegSetValue(HKEY key, const char* name, uint32_t type, const void* data,
                        uint32_t size) {
    if (KeptUnchanged) return ERROR_ACCESS_DENIED;
    const std::wstring wideName = Widen(name);
    if (!IsText(type))
        return RegSetValueExW(key, wideName.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    // A text is stored in UTF-16, as many bytes of it as were given in
    // UTF-8, and its NUL, as the system stores a text given in ANSI.
    const std::wstring text = Widen(std::string(static_cast<const char*>(data), size).c_str());
    return RegSetValueExW(key, wideName.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// A text as the caller sees it: in UTF-8, its size the UTF-8 bytes.
static LONG QueryText(HKEY key, const wchar_t* name, DWORD storedSize, void* data, uint32_t* size) {
    std::vector<wchar_t> wide(storedSize / sizeof(wchar_t) + 1, L'\0');
    DWORD type = 0;
    DWORD read = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
    LONG result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(wide.data()), &read);
    if (result != ERROR_SUCCESS) return result;
    const std::string text = Narrow(wide.data(), static_cast<int>(read / sizeof(wchar_t)));
    const uint32_t capacity = *size;
    *size = static_cast<uint32_t>(text.size());
    if (data == nullptr) return ERROR_SUCCESS;
    if (text.size() > capacity) return ERROR_MORE_DATA;
    std::memcpy(data, text.data(), text.size());
    return ERROR_SUCCESS;
}

int32_t PlatRegDeleteValue(HKEY key, const char* name) {
    if (KeptUnchanged) return ERROR_ACCESS_DENIED;
    return RegDeleteValueW(key, Widen(name).c_str());
}

int32_t PlatRegQueryValue(HKEY key, const char* name, uint32_t* type, void* data, uint32_t* size) {
    const std::wstring wideName = Widen(name);
    DWORD storedType = 0;
    DWORD storedSize = 0;
    LONG result = RegQueryValueExW(key, wideName.c_str(), nullptr, &storedType, nullptr, &storedSize);
    *type = storedType;
    if (result == ERROR_SUCCESS && IsText(storedType))
        return QueryText(key, wideName.c_str(), storedSize, data, size);
    storedSize = *size;
    result = RegQueryValueExW(key, wideName.c_str(), nullptr, &storedType, static_cast<BYTE*>(data),
                              &storedSize);
    *type = storedType;
    *size = storedSize;
    return result;
}

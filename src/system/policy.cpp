#include "system/policy.h"

#include "base/core.h"
#include "base/strings.h"
#include "platform/platform.h"

#include <cstdio>

#define POLICY_KEY_SIZE 400   // two script texts and the path around them

namespace {

struct PolicyRoot {
    HKEY root;
    const char* name;
};

// The machine first: what it sets, the user cannot change.
const PolicyRoot ROOTS[] = {{HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
                            {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"}};

struct Found {
    bool updateCheck = false, registration = false, url = false;
};

// A DWORD policy value; 1 when the key holds it.
bool ReadSwitch(HKEY key, const char* where, const char* name, int* value) {
    uint32_t type = 0, data = 0, size = sizeof data;
    if (PlatRegQueryValue(key, name, &type, &data, &size) != ERROR_SUCCESS) return false;
    if (type != REG_DWORD || size != sizeof data) {
        LogPrint("Policy %s: %s is no DWORD, ignored\n", where, name);
        return false;
    }
    // Stored little-endian; 1 alone switches the feature off.
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&data);
    uint32_t number = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t(bytes[3]) << 24;
    *value = number == 1 ? 1 : 0;
    LogPrint("Policy %s: %s = %u\n", where, name, number);
    return true;
}

bool ReadUrl(HKEY key, const char* where, ProductPolicy* policy) {
    char text[POLICY_URL_SIZE];
    uint32_t type = 0, size = sizeof text - 1;
    int32_t result = PlatRegQueryValue(key, POLICY_UPDATE_URL, &type, text, &size);
    if (result == ERROR_FILE_NOT_FOUND) return false;
    if (result != ERROR_SUCCESS || type != REG_SZ) {
        LogPrint("Policy %s: %s unusable (0x%.8X), no update check\n", where, POLICY_UPDATE_URL,
                 static_cast<uint32_t>(result));
        policy->updateUrlUnusable = 1;
        return true;
    }
    text[size] = '\0';  // stored with or without its NUL
    if (text[0] == '\0') return false;
    StrCopyN(policy->updateUrl, text, sizeof policy->updateUrl);
    LogPrint("Policy %s: %s = '%s'\n", where, POLICY_UPDATE_URL, policy->updateUrl);
    return true;
}

void ReadRoot(const PolicyRoot& root, const char* subKey, ProductPolicy* policy, Found* found) {
    HKEY key = nullptr;
    if (PlatRegOpenKeyForReading(root.root, subKey, &key) != ERROR_SUCCESS) return;
    char where[POLICY_KEY_SIZE + 32];
    std::snprintf(where, sizeof where, "%s\\%s", root.name, subKey);
    if (!found->updateCheck)
        found->updateCheck =
            ReadSwitch(key, where, POLICY_DISABLE_UPDATE_CHECK, &policy->disableUpdateCheck);
    if (!found->registration)
        found->registration =
            ReadSwitch(key, where, POLICY_DISABLE_REGISTRATION, &policy->disableRegistration);
    if (!found->url) found->url = ReadUrl(key, where, policy);
    PlatRegCloseKey(key);
}

} // namespace

int ReadProductPolicy(const char* company, const char* product, ProductPolicy* policy) {
    CHECK_POINTER(company);
    CHECK_POINTER(product);
    CHECK_POINTER(policy);
    *policy = ProductPolicy{};
    char subKey[POLICY_KEY_SIZE];
    std::snprintf(subKey, sizeof subKey, POLICY_KEY_FORMAT, company, product);
    Found found;
    for (const PolicyRoot& root : ROOTS) ReadRoot(root, subKey, policy, &found);
    return 1;
}

#include "net/proxy-settings.h"

#include "base/core.h"
#include "base/strings.h"
#include "platform/platform.h"
#include "system/registry.h"

#include <cstdio>
#include <cstring>

namespace {

// An optional value read without a log line when it is missing: the
// settings lack most of them on most machines.
void ReadQuietText(HKEY key, const char* name, char* text, uint32_t size) {
    uint32_t type = 0, stored = size - 1;
    std::memset(text, 0, size);
    if (PlatRegQueryValue(key, name, &type, text, &stored) != ERROR_SUCCESS || type != REG_SZ)
        text[0] = '\0';
    text[size - 1] = '\0';
}

// "ProxySettingsPerUser" of a key: 1 (per user) when missing.
int32_t PerUser(RegistryRoot root, const char* subKey) {
    HKEY key = nullptr;
    if (PlatRegOpenKey(RegistryRootKey(root), subKey, &key) != ERROR_SUCCESS) return 1;
    uint8_t bytes[4] = {1, 0, 0, 0};
    uint32_t type = 0, size = sizeof bytes;
    int32_t result = PlatRegQueryValue(key, "ProxySettingsPerUser", &type, bytes, &size);
    PlatRegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_DWORD || size != 4) return 1;
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24;
}

// The policy wins over the machine's own setting.
bool MachineWide() {
    return PerUser(REGISTRY_LOCAL_MACHINE, INTERNET_SETTINGS_POLICY_KEY) == 0 ||
           PerUser(REGISTRY_LOCAL_MACHINE, INTERNET_SETTINGS_KEY) == 0;
}

int CopyEntry(const char* begin, size_t length, char* entry, int size) {
    while (length > 0 && (*begin == ' ' || *begin == '\t')) ++begin, --length;
    while (length > 0 && (begin[length - 1] == ' ' || begin[length - 1] == '\t')) --length;
    if (length >= (size_t)size) return -1;
    std::memcpy(entry, begin, length);
    entry[length] = '\0';
    return length > 0 ? 1 : 0;
}

// The first variable of the two that is set and not empty.
bool EnvironmentValue(const char* lower, const char* upper, char* value, char* variable) {
    const char* names[] = {lower, upper};
    for (const char* name : names) {
        if (PlatProxyEnvironment(name, value, PROXY_ENVIRONMENT_SIZE) && value[0]) {
            if (variable) std::snprintf(variable, 16, "%s", name);
            return true;
        }
    }
    value[0] = '\0';
    return false;
}

}    // namespace

void ProxyReadSettings(ProxySettings* settings) {
    CHECK_POINTER(settings);
    std::memset(settings, 0, sizeof *settings);
    settings->machine = MachineWide() ? 1 : 0;
    HKEY key = nullptr;
    if (!RegistryOpenKey(&key, settings->machine ? REGISTRY_LOCAL_MACHINE : REGISTRY_CURRENT_USER,
                         INTERNET_SETTINGS_KEY))
        return;
    settings->opened = 1;
    // Both values are used as read, also when stored as another kind: a
    // missing one counts as 0 or empty (the buffers start zeroed and a
    // failed read leaves them so). A server text longer than 119 characters
    // counts as empty too; the byte to spare tells a text of 120 from one
    // cut to fit.
    RegistryGetInt32(key, "ProxyEnable", &settings->enable);
    RegistryGetString(key, "ProxyServer", settings->server, sizeof settings->server);
    if (StrLength(settings->server) > HTTP_PROXY_SERVER_SIZE - 1) settings->server[0] = '\0';
    ReadQuietText(key, "ProxyOverride", settings->bypass, sizeof settings->bypass);
    ReadQuietText(key, "AutoConfigURL", settings->autoConfigUrl, sizeof settings->autoConfigUrl);
    RegistryCloseKey(&key);
}

int ProxyServerEntry(const char* server, const char* scheme, char* entry, int size) {
    CHECK_POINTER(server);
    CHECK_POINTER(scheme);
    CHECK_POINTER(entry);
    if (size < 1) return -1;
    entry[0] = '\0';
    const char* common = nullptr;
    size_t commonLength = 0;
    const int schemeLength = StrLength(scheme);
    for (const char* at = server; *at;) {
        size_t length = std::strcspn(at, "; \t");
        const char* equals = static_cast<const char*>(std::memchr(at, '=', length));
        if (equals && (int)(equals - at) == schemeLength && StrStartsWithNoCase(at, scheme))
            return CopyEntry(equals + 1, length - (size_t)(equals + 1 - at), entry, size);
        if (!equals && length > 0 && !common) {
            common = at;
            commonLength = length;
        }
        at += length;
        if (*at) ++at;
    }
    return common ? CopyEntry(common, commonLength, entry, size) : 0;
}

int ProxyFromEnvironment(const char* scheme, char* proxy, char* variable, char* noProxy) {
    CHECK_POINTER(scheme);
    CHECK_POINTER(proxy);
    CHECK_POINTER(noProxy);
    EnvironmentValue("no_proxy", "NO_PROXY", noProxy, nullptr);
    if (StrEqualNoCase(scheme, "https"))
        return EnvironmentValue("https_proxy", "HTTPS_PROXY", proxy, variable) ? 1 : 0;
    return EnvironmentValue("http_proxy", "HTTP_PROXY", proxy, variable) ? 1 : 0;
}

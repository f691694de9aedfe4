// The proxy settings as Windows reads them: the Internet settings of the
// current user, or those of the machine when a policy says
// "ProxySettingsPerUser" 0; and, where programs take their proxy from the
// environment (not on Windows), http_proxy, https_proxy and no_proxy.
#pragma once

#include "net/http.h"

#include <cstdint>

#define PROXY_OVERRIDE_SIZE 2048
#define PROXY_ENVIRONMENT_SIZE 512
#define INTERNET_SETTINGS_POLICY_KEY \
    "Software\\Policies\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"

struct ProxySettings {
    int32_t opened;                             // the settings' key could be opened
    int32_t machine;                            // read from HKEY_LOCAL_MACHINE
    int32_t enable;                             // "ProxyEnable" as read
    char server[HTTP_PROXY_SERVER_SIZE + 1];    // "ProxyServer"; empty when too long
    char bypass[PROXY_OVERRIDE_SIZE];           // "ProxyOverride"
    char autoConfigUrl[HTTP_TEXT_SIZE];         // "AutoConfigURL" (PAC)
};

// Reads the settings (logging the values that are missing, as ever). Fields
// left as zeros and empty texts when the key does not open.
void ProxyReadSettings(ProxySettings* settings);

// The entry of a "ProxyServer" list for `scheme` ("http", "https"): the
// value of "scheme=..." when the list has such entries, else an entry
// without "=", which serves every protocol. 1 with the entry, 0 when the
// list names no proxy for the scheme (the connection is then direct), -1
// when the entry does not fit `size`.
int ProxyServerEntry(const char* server, const char* scheme, char* entry, int size);

// The environment's proxy for `scheme` (https_proxy or http_proxy, either
// letter case) and its no_proxy. 1 with the proxy, the variable's name and
// the bypass list (empty when unset); 0 when no proxy is set.
int ProxyFromEnvironment(const char* scheme, char* proxy, char* variable, char* noProxy);

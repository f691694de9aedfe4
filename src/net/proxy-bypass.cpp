#include "net/proxy-bypass.h"

#include "base/core.h"
#include "base/strings.h"
#include "net/socket.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#define ENTRY_SIZE 256

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

struct UrlParts {
    char scheme[SOCKET_SCHEME_SIZE];
    char host[SOCKET_HOST_SIZE];
    int32_t port;
};

void SplitUrl(const char* url, UrlParts* parts) {
    char user[SOCKET_USER_SIZE], password[SOCKET_PASSWORD_SIZE];
    char directory[2], file[2];
    parts->port = 0;
    SocketParseUrl(url, parts->scheme, parts->host, &parts->port, directory, sizeof directory,
                   file, sizeof file, user, password);
    if (parts->port == 0) parts->port = SocketDefaultPort(parts->scheme);
}

// Calls `test` with each entry of `list` (split at any of `separators`)
// until one matches; that entry is copied to `rule`.
template <typename Test>
int AnyEntry(const char* list, const char* separators, char* rule, int ruleSize, Test test) {
    const char* at = list;
    while (*at) {
        size_t length = std::strcspn(at, separators);
        if (length > 0 && length < ENTRY_SIZE) {
            char entry[ENTRY_SIZE];
            std::memcpy(entry, at, length);
            entry[length] = '\0';
            if (test(entry)) {
                if (ruleSize > 0) std::snprintf(rule, (size_t)ruleSize, "%s", entry);
                return 1;
            }
        }
        at += length;
        if (*at) ++at;
    }
    return 0;
}

bool OverrideEntryMatches(const char* entry, const UrlParts& url) {
    if (StrEqualNoCase(entry, "<local>")) return url.host[0] && !std::strchr(url.host, '.');
    char withPort[SOCKET_HOST_SIZE + 32], withScheme[2 * SOCKET_HOST_SIZE + 32];
    std::snprintf(withPort, sizeof withPort, "%s:%d", url.host, url.port);
    std::snprintf(withScheme, sizeof withScheme, "%s://%s", url.scheme, url.host);
    return ProxyWildcardMatch(entry, url.host) || ProxyWildcardMatch(entry, withPort) ||
           ProxyWildcardMatch(entry, withScheme);
}

// A host equal to `name` or ending in "." + `name`.
bool InDomain(const char* host, const char* name) {
    int hostLength = StrLength(host), nameLength = StrLength(name);
    if (nameLength == 0 || hostLength < nameLength) return false;
    const char* tail = host + hostLength - nameLength;
    return StrEqualNoCase(tail, name) && (tail == host || tail[-1] == '.');
}

uint32_t Bits(const uint8_t address[4]) {
    return (uint32_t)address[0] << 24 | (uint32_t)address[1] << 16 | (uint32_t)address[2] << 8 |
           address[3];
}

// "10.0.0.0/8" against a dotted-quad host.
bool InNetwork(const char* entry, const char* slash, const char* host) {
    char network[ENTRY_SIZE];
    std::snprintf(network, sizeof network, "%.*s", (int)(slash - entry), entry);
    char* end = nullptr;
    long bits = std::strtol(slash + 1, &end, 10);
    uint8_t net[4], address[4];
    if (*end || bits < 0 || bits > 32 || !SocketParseDottedQuad(network, net) ||
        !SocketParseDottedQuad(host, address))
        return false;
    uint32_t mask = bits == 0 ? 0 : ~(uint32_t)0 << (32 - bits);
    return (Bits(net) & mask) == (Bits(address) & mask);
}

bool NoProxyEntryMatches(const char* rule, const UrlParts& url) {
    if (StrEqual(rule, "*")) return true;
    char entry[ENTRY_SIZE];
    StrCopyN(entry, rule, sizeof entry);
    // ":port" at the end, unless the colon belongs to an IPv6 address.
    char* colon = std::strrchr(entry, ':');
    if (colon && std::strchr(entry, ':') == colon) {
        if (std::atoi(colon + 1) != url.port) return false;
        *colon = '\0';
    }
    const char* name = entry[0] == '.' ? entry + 1 : entry;
    if (const char* slash = std::strchr(name, '/')) return InNetwork(name, slash, url.host);
    return InDomain(url.host, name);
}

}    // namespace

bool ProxyWildcardMatch(const char* pattern, const char* text) {
    CHECK_POINTER(pattern);
    CHECK_POINTER(text);
    // The last "*" seen and where in the text it resumes: one step back is
    // always enough, so the match is linear in practice and never recursive.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*text) {
        if (*pattern == '*') {
            star = pattern++;
            resume = text;
        } else if (*pattern && Lower(*pattern) == Lower(*text)) {
            ++pattern;
            ++text;
        } else if (star) {
            pattern = star + 1;
            text = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

int ProxyOverrideMatches(const char* list, const char* url, char* rule, int ruleSize) {
    CHECK_POINTER(list);
    CHECK_POINTER(url);
    UrlParts parts;
    SplitUrl(url, &parts);
    return AnyEntry(list, "; \t\r\n", rule, ruleSize,
                    [&](const char* entry) { return OverrideEntryMatches(entry, parts); });
}

int ProxyNoProxyMatches(const char* list, const char* url, char* rule, int ruleSize) {
    CHECK_POINTER(list);
    CHECK_POINTER(url);
    UrlParts parts;
    SplitUrl(url, &parts);
    return AnyEntry(list, ", \t\r\n", rule, ruleSize,
                    [&](const char* entry) { return NoProxyEntryMatches(entry, parts); });
}

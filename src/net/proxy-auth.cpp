#include "net/proxy-auth.h"

#include "base/base64.h"
#include "base/core.h"
#include "base/strings.h"

#include <cstdio>
#include <cstring>

#define FIELD_NAME "Proxy-Authenticate:"
#define SCHEMES_SHOWN_SIZE 160

namespace {

// The challenge lines that start with `scheme` as a whole word.
bool Offers(const ProxyAuth* auth, const char* scheme) {
    const int length = StrLength(scheme);
    for (const char* line = auth->challenges; *line;) {
        if (StrStartsWithNoCase(line, scheme) &&
            (line[length] == '\0' || line[length] == ' ' || line[length] == '\n' ||
             line[length] == ','))
            return true;
        const char* end = std::strchr(line, '\n');
        if (!end) break;
        line = end + 1;
    }
    return false;
}

// The scheme names offered, for the log: "Basic, Negotiate".
void SchemesOffered(const ProxyAuth* auth, char* shown, int size) {
    shown[0] = '\0';
    for (const char* line = auth->challenges; *line;) {
        size_t word = std::strcspn(line, " ,\n");
        char name[40];
        std::snprintf(name, sizeof name, "%s%.*s", shown[0] ? ", " : "",
                      (int)(word < 32 ? word : 32), line);
        StrAppendN(shown, name, size);
        const char* end = std::strchr(line, '\n');
        if (!end) break;
        line = end + 1;
    }
    if (shown[0] == '\0') StrAppendN(shown, "none", size);
}

void Wipe(void* data, size_t size) {
    volatile char* bytes = static_cast<volatile char*>(data);
    while (size--) *bytes++ = 0;
}

int AnswerBasic(ProxyAuth* auth) {
    const ProxyRoute* route = auth->route;
    if (auth->scheme == PROXY_AUTH_BASIC) {
        LogPrint("Proxy authentication failed: Basic credentials of '%s' refused (%s)\n",
                 route->user, auth->statusLine);
        return 0;
    }
    if (route->user[0] == '\0') {
        LogPrint("Proxy authentication failed: no credentials for Basic (%s)\n", auth->statusLine);
        return 0;
    }
    char pair[PROXY_USER_SIZE + PROXY_PASSWORD_SIZE + 1];
    std::snprintf(pair, sizeof pair, "%s:%s", route->user, route->password);
    std::memcpy(auth->authorization, "Basic ", 6);
    int encoded = Base64Encode(pair, StrLength(pair), auth->authorization + 6,
                               PROXY_AUTHORIZATION_SIZE - 6);
    Wipe(pair, sizeof pair);
    if (!encoded) return 0;    // cannot happen: the pair is small
    auth->scheme = PROXY_AUTH_BASIC;
    LogPrint("Proxy authentication: Basic as '%s'\n", route->user);
    return 1;
}

}    // namespace

void ProxyAuthStart(ProxyAuth* auth, const ProxyRoute* route) {
    CHECK_POINTER(auth);
    CHECK_POINTER(route);
    auth->route = route;
    auth->scheme = PROXY_AUTH_NONE;
    auth->rounds = 0;
    auth->authorization[0] = auth->challenges[0] = auth->statusLine[0] = '\0';
}

void ProxyAuthTakeChallenge(ProxyAuth* auth, const char* data, int32_t length,
                            const char* statusLine) {
    CHECK_POINTER(auth);
    CHECK_POINTER(data);
    CHECK_POINTER(statusLine);
    std::snprintf(auth->statusLine, sizeof auth->statusLine, "%s", statusLine);
    auth->challenges[0] = '\0';
    const int nameLength = StrLength(FIELD_NAME);
    const char* end = data + length;
    for (const char* line = data; line < end;) {
        const char* next = static_cast<const char*>(std::memchr(line, '\n', (size_t)(end - line)));
        const char* lineEnd = next ? next : end;
        if (lineEnd - line > nameLength && StrStartsWithNoCase(line, FIELD_NAME)) {
            const char* value = line + nameLength;
            while (value < lineEnd && (*value == ' ' || *value == '\t')) ++value;
            const char* valueEnd = lineEnd;
            while (valueEnd > value && (valueEnd[-1] == '\r' || valueEnd[-1] == ' ')) --valueEnd;
            char piece[PROXY_CHALLENGES_SIZE];
            std::snprintf(piece, sizeof piece, "%.*s\n", (int)(valueEnd - value), value);
            StrAppendN(auth->challenges, piece, sizeof auth->challenges);
        }
        line = lineEnd + 1;
    }
    char shown[PROXY_SHOWN_SIZE], schemes[SCHEMES_SHOWN_SIZE];
    ProxyShow(auth->route, shown);
    SchemesOffered(auth, schemes, sizeof schemes);
    LogPrint("Proxy %s asks for authentication (%s), offering %s\n", shown, statusLine, schemes);
}

int ProxyAuthAnswer(ProxyAuth* auth) {
    CHECK_POINTER(auth);
    auth->authorization[0] = '\0';
    if (auth->rounds >= PROXY_AUTH_ROUNDS_MAXIMUM) {
        LogPrint("Proxy authentication failed: no result after %d answers (%s)\n", auth->rounds,
                 auth->statusLine);
        return 0;
    }
    int answered = 0;
    if (Offers(auth, "Basic")) {
        answered = AnswerBasic(auth);
    } else {
        LogPrint("Proxy authentication failed: no scheme this program speaks (%s)\n",
                 auth->statusLine);
    }
    if (answered) auth->rounds++;
    return answered;
}

void ProxyAuthField(const ProxyAuth* auth, char* field) {
    CHECK_POINTER(field);
    field[0] = '\0';
    if (auth && auth->authorization[0])
        std::snprintf(field, PROXY_AUTHORIZATION_SIZE + 32, "Proxy-Authorization: %s\r\n",
                      auth->authorization);
}

void ProxyAuthEnd(ProxyAuth* auth) {
    CHECK_POINTER(auth);
    Wipe(auth->authorization, sizeof auth->authorization);
}

// Answering a proxy that asks for credentials ("407 Proxy Authentication
// Required"): the schemes it offers are read from its Proxy-Authenticate
// fields, the best one this system can answer is chosen, and the value of
// the next request's Proxy-Authorization field is composed. Basic uses the
// credentials given with the proxy's address. Nothing here is ever logged
// of a password or a token.
#pragma once

#include "net/proxy-route.h"
#include "net/http-reply.h"

#include <cstdint>

#define PROXY_AUTHORIZATION_SIZE 12288
#define PROXY_CHALLENGES_SIZE 4096
// A scheme that needs more exchanges than this has failed.
#define PROXY_AUTH_ROUNDS_MAXIMUM 4

enum ProxyAuthScheme {
    PROXY_AUTH_NONE = 0,
    PROXY_AUTH_BASIC,
};

struct ProxyAuth {
    const ProxyRoute* route;
    int32_t scheme;                                // the scheme answered so far
    int32_t rounds;                                // answers composed so far
    char authorization[PROXY_AUTHORIZATION_SIZE];  // the field's value; empty for none
    char challenges[PROXY_CHALLENGES_SIZE];        // the last 407's challenges, one a line
    char statusLine[HTTP_STATUS_LINE_SIZE];        // the last 407's status line
};

void ProxyAuthStart(ProxyAuth* auth, const ProxyRoute* route);

// Keeps the Proxy-Authenticate fields of a 407 reply's header
// data[0, length) and its status line, and logs that the proxy asks.
void ProxyAuthTakeChallenge(ProxyAuth* auth, const char* data, int32_t length,
                            const char* statusLine);

// Composes the answer to the last challenge into `authorization`. 1 when
// there is one to send; 0 when the attempt has failed, with the reason
// logged: no scheme this system speaks, no credentials, credentials refused.
int ProxyAuthAnswer(ProxyAuth* auth);

// Writes "Proxy-Authorization: VALUE\r\n" into `field` when there is an
// answer to send, else an empty text. `field` holds
// PROXY_AUTHORIZATION_SIZE + 32 bytes.
void ProxyAuthField(const ProxyAuth* auth, char* field);

// Forgets the credentials' traces.
void ProxyAuthEnd(ProxyAuth* auth);

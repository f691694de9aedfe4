// A tunnel through the user's proxy for an encrypted connection: the proxy
// is asked to connect onward, and the TLS records then pass through it
// unread.
#pragma once

#include "net/socket.h"

struct ProxyAuth;

// The proxy wants credentials: its challenge is in the ProxyAuth.
#define HTTP_TUNNEL_AUTH_REQUIRED 2

// Sends "CONNECT target HTTP/1.0" (`target` is "host:port") on a connection
// to the proxy, with the answer of `auth` (may be NULL) to its challenge,
// and reads its reply up to the empty line, byte by byte so that nothing
// after it is taken. 1 when the proxy answers 2xx; HTTP_TUNNEL_AUTH_REQUIRED
// on a 407 when `auth` is given (its challenge kept there); 0 with the
// reason logged.
int HttpOpenTunnel(Socket* socket, const char* target, const char* userAgent, ProxyAuth* auth);

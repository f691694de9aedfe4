// A tunnel through the user's proxy for an encrypted connection: the proxy
// is asked to connect onward, and the TLS records then pass through it
// unread.
#pragma once

#include "net/socket.h"

// Sends "CONNECT target HTTP/1.0" (`target` is "host:port") on a connection
// to the proxy and reads its reply up to the empty line, byte by byte so
// that nothing after it is taken. 1 when the proxy answers 2xx; 0 with the
// reason logged.
int HttpOpenTunnel(Socket* socket, const char* target, const char* userAgent);

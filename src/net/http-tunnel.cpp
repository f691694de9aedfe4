#include "net/http-tunnel.h"

#include "base/core.h"
#include "net/http-reply.h"
#include "net/http.h"
#include "net/proxy-auth.h"

#include <cstdio>

// A proxy's answer to CONNECT is a status line and a few fields.
#define TUNNEL_REPLY_SIZE 2048

namespace {

// Reads one byte at a time until the header's empty line. The length read,
// or -1 when the reply ended or outgrew the buffer first (logged).
int32_t ReadTunnelReply(Socket* socket, char* reply, int32_t size) {
    int32_t filled = 0;
    while (filled < size - 1) {
        int32_t received = 0;
        if (SocketRead(socket, reply + filled, 1, &received) != 1) break;
        filled += received;
        reply[filled] = '\0';
        if (HttpHeaderEnd(reply, filled) > 0) return filled;
    }
    if (filled >= size - 1)
        LogPrint("Proxy reply too large (%d bytes without its end)\n", filled);
    else
        LogPrint("Proxy ended its reply within the header (%d bytes)\n", filled);
    return -1;
}

}    // namespace

int HttpOpenTunnel(Socket* socket, const char* target, const char* userAgent, ProxyAuth* auth) {
    CHECK_POINTER(socket);
    CHECK_POINTER(target);
    char agentField[HTTP_TEXT_SIZE + 16] = "";
    if (userAgent) std::snprintf(agentField, sizeof agentField, "User-Agent: %s\r\n", userAgent);
    char answer[PROXY_AUTHORIZATION_SIZE + 32];
    ProxyAuthField(auth, answer);
    char request[HTTP_TEXT_SIZE * 3 + PROXY_AUTHORIZATION_SIZE + 64];
    int length = std::snprintf(request, sizeof request, "CONNECT %s HTTP/1.0\r\n%sHost: %s\r\n%s\r\n",
                               target, agentField, target, answer);
    if (length < 0 || length >= (int)sizeof request) {
        LogPrint("Request header too large (%d > %d)\n", length, (int)sizeof request - 1);
        return 0;
    }
    if (!HttpSendAll(socket, request, length)) {
        LogPrint("Unable to output header (%s)\n", SocketErrorText(socket));
        return 0;
    }
    char reply[TUNNEL_REPLY_SIZE];
    int32_t filled = ReadTunnelReply(socket, reply, sizeof reply);
    if (filled < 0) return 0;
    HttpReplyHeader header;
    if (!HttpParseReplyHeader(reply, filled, &header)) {
        LogPrint("Malformed reply header\n");
        return 0;
    }
    if (header.status == 407 && auth) {
        ProxyAuthTakeChallenge(auth, reply, filled, header.statusLine);
        return HTTP_TUNNEL_AUTH_REQUIRED;
    }
    if (!HttpIsSuccess(header.status)) {
        LogPrint("Proxy refused the tunnel to '%s' (%s)\n", target, header.statusLine);
        return 0;
    }
    LogPrint("Tunnel to '%s' open (%s)\n", target, header.statusLine);
    return 1;
}

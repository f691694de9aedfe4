// Socket layer: TLS over a connected socket. The channel's records go
// through the Wire calls, so the socket's time-outs and cancel hold for
// the handshake and every read as they do without TLS.
#include "base/core.h"
#include "net/socket.h"
#include "platform/platform.h"

namespace {

int SendOnWire(void* context, const void* data, int32_t length) {
    Socket* socket = static_cast<Socket*>(context);
    const char* bytes = static_cast<const char*>(data);
    int32_t done = 0;
    while (done < length) {
        int32_t sent = 0;
        if (!SocketWriteWire(socket, bytes + done, length - done, &sent)) return 0;
        done += sent;
    }
    return 1;
}

int ReceiveFromWire(void* context, void* buffer, int32_t size, int32_t* received) {
    Socket* socket = static_cast<Socket*>(context);
    // A read that would have blocked gives nothing yet: wait again.
    while (SocketReadWire(socket, buffer, size, received) == 1)
        if (*received > 0) return 1;
    return 0;
}

}    // namespace

int SocketStartTls(Socket* socket, const char* host) {
    CHECK_POINTER(socket);
    CHECK_POINTER(host);
    if (socket->handle == SOCKET_HANDLE_NONE || socket->tls) return 0;
    PlatTlsTransport transport = {SendOnWire, ReceiveFromWire, socket};
    char reason[PLAT_TLS_REASON_SIZE];
    socket->tls = PlatTlsOpen(&transport, host, reason);
    if (!socket->tls) {
        LogPrint("%s\n", reason);
        return 0;
    }
    return 1;
}

void SocketEndTls(Socket* socket) {
    if (!socket || !socket->tls) return;
    PlatTlsClose(socket->tls);
    socket->tls = nullptr;
}

int SocketWrite(Socket* socket, const void* data, int32_t length, int32_t* sent) {
    CHECK_POINTER(data);
    CHECK_POINTER(sent);
    *sent = 0;
    if (!socket || !socket->tls) return SocketWriteWire(socket, data, length, sent);
    if (!PlatTlsSend(socket->tls, data, length)) return 0;
    *sent = length > 0 ? length : 0;
    return 1;
}

int SocketRead(Socket* socket, void* buffer, int32_t size, int32_t* received) {
    CHECK_POINTER(buffer);
    CHECK_POINTER(received);
    *received = 0;
    if (!socket || !socket->tls) return SocketReadWire(socket, buffer, size, received);
    socket->stop = SOCKET_STOP_NONE;
    if (PlatTlsReceive(socket->tls, buffer, size, received)) return 1;
    // The server ended the channel itself, without the connection failing.
    if (socket->stop == SOCKET_STOP_NONE) socket->stop = SOCKET_STOP_CLOSED;
    return 0;
}

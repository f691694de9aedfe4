// Socket layer: library start and end, and the life of a Socket object.
#include "net/socket.h"
#include "base/core.h"
#include "platform/platform.h"

#define SOCKET_VERSION_REQUESTED 0x0101

int SocketStartup() {
    uint16_t granted = 0;
    if (!PlatSocketStartup(&granted)) {
        LogPrint("WSAStartup failed (%s)\n", SocketErrorText(nullptr));
        return 0;
    }
    // Only 1.1 behaves as this layer expects; the library stays started.
    if (granted != SOCKET_VERSION_REQUESTED) {
        LogPrint("Wrong Winsock version (%d != %d)\n", (int)granted, SOCKET_VERSION_REQUESTED);
        return 0;
    }
    return 1;
}

int SocketCleanup() {
    if (!PlatSocketCleanup()) {
        LogPrint("WSACleanup failed (%s)\n", SocketErrorText(nullptr));
        return 0;
    }
    return 1;
}

int SocketNew(Socket** socket) {
    CHECK_POINTER(socket);
    Socket* created = MEM_ALLOC(Socket, sizeof(Socket));
    created->cancel = 0;
    created->handle = SOCKET_HANDLE_NONE;
    created->blocking = 1;
    created->readTimeout = SOCKET_TIMEOUT_DEFAULT;
    created->connectTimeout = SOCKET_TIMEOUT_DEFAULT;
    created->protocol = 0;
    for (uint8_t& byte : created->peerAddress) byte = 0;
    created->peerPort = 0;
    created->tls = nullptr;
    created->idle = nullptr;
    created->stop = SOCKET_STOP_NONE;
    *socket = created;
    return 1;
}

int SocketDelete(Socket** socket) {
    CHECK_POINTER(socket);
    if (*socket) {
        SocketClose(*socket);
        MEM_FREE(socket, sizeof(Socket));
    }
    *socket = nullptr;
    return 1;
}

namespace {

struct ProtocolRow {
    int selector, kind, protocol;
};

const ProtocolRow protocols[] = {
    {1, PLAT_SOCKET_STREAM, 6},   {2, PLAT_SOCKET_DATAGRAM, 17}, {3, PLAT_SOCKET_DATAGRAM, 3},
    {4, PLAT_SOCKET_DATAGRAM, 1}, {5, PLAT_SOCKET_DATAGRAM, 0},  {6, PLAT_SOCKET_DATAGRAM, 0},
    {10, PLAT_SOCKET_RAW, 0},
};

}    // namespace

int SocketCreate(Socket* socket, int protocol) {
    return SocketCreateFor(socket, protocol, PLAT_FAMILY_IPV4);
}

int SocketCreateFor(Socket* socket, int protocol, int family) {
    if (!socket) {
        LogPrint("Socket must be created first!\n");
        return 0;
    }
    if (socket->handle != SOCKET_HANDLE_NONE) {
        LogPrint("Socket must be closed first!\n");
        return 0;
    }
    socket->cancel = 0;
    socket->blocking = 1;

    const ProtocolRow* row = nullptr;
    for (const ProtocolRow& candidate : protocols) {
        if (candidate.selector == protocol) {
            row = &candidate;
            break;
        }
    }
    if (!row) {
        LogPrint("Unknown socket protocol '%d'\n", protocol);
    } else {
        socket->handle = PlatSocketOpen(family, row->kind, row->protocol);
    }
    if (socket->handle == SOCKET_HANDLE_NONE) {
        socket->protocol = 0;
        return 0;
    }
    socket->protocol = protocol;
    return 1;
}

int SocketClose(Socket* socket) {
    if (!socket) return 0;
    SocketEndTls(socket);
    if (socket->handle != SOCKET_HANDLE_NONE) {
        if (!PlatSocketClose(socket->handle)) return 0;
        socket->handle = SOCKET_HANDLE_NONE;
    }
    return 1;
}

int SocketShutdown(Socket* socket) {
    if (!socket || socket->handle == SOCKET_HANDLE_NONE) return 0;
    SocketEndTls(socket);
    return PlatSocketShutdown(socket->handle);
}

int SocketSetBlocking(Socket* socket, int blocking) {
    if (!socket || socket->handle == SOCKET_HANDLE_NONE) return 0;
    if (blocking == socket->blocking) return 1;
    socket->blocking = blocking;
    return PlatSocketSetNonBlocking(socket->handle, blocking != 1);
}

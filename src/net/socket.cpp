// Socket layer: library start and end, and the life of a Socket object.
#include "net/socket-os.h"
#include "base/core.h"

#define SOCKET_VERSION_REQUESTED 0x0101

int SocketStartup() {
    uint16_t granted = 0;
    if (!OsStartup(&granted)) {
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
    if (!OsCleanup()) {
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
    int selector, type, protocol;
};

const ProtocolRow protocols[] = {
    {1, SOCK_STREAM, 6}, {2, SOCK_DGRAM, 17}, {3, SOCK_DGRAM, 3}, {4, SOCK_DGRAM, 1},
    {5, SOCK_DGRAM, 0},  {6, SOCK_DGRAM, 0},  {10, SOCK_RAW, 0},
};

}    // namespace

int SocketCreate(Socket* socket, int protocol) {
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
        OsSocket handle = ::socket(AF_INET, row->type, row->protocol);
        if (handle == INVALID_SOCKET) OsRecordError();
        socket->handle = OsHandleOf(handle);
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
        if (!OsCloseSocket(OsSocketOf(socket->handle))) return 0;
        socket->handle = SOCKET_HANDLE_NONE;
    }
    return 1;
}

int SocketShutdown(Socket* socket) {
    if (!socket || socket->handle == SOCKET_HANDLE_NONE) return 0;
    SocketEndTls(socket);
    if (::shutdown(OsSocketOf(socket->handle), OS_SHUTDOWN_BOTH) != 0) {
        OsRecordError();
        return 0;
    }
    return 1;
}

int SocketSetBlocking(Socket* socket, int blocking) {
    if (!socket || socket->handle == SOCKET_HANDLE_NONE) return 0;
    if (blocking == socket->blocking) return 1;
    socket->blocking = blocking;
    return OsSetNonBlocking(OsSocketOf(socket->handle), blocking != 1);
}

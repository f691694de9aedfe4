// Socket layer: waiting, connecting, reading and writing with time-outs.
#include "base/core.h"
#include "net/socket.h"
#include "platform/platform.h"

#include <cstring>

int SocketSetClear(SocketSet* set) {
    CHECK_POINTER(set);
    set->count = 0;
    return 1;
}

int SocketSetAdd(SocketSet* set, Socket* socket) {
    CHECK_POINTER(set);
    if (!socket || socket->handle == SOCKET_HANDLE_NONE) return 0;
    if (set->count < SOCKET_SET_SIZE) set->handles[set->count++] = socket->handle;
    return 1;
}

int SocketSetHas(SocketSet* set, Socket* socket) {
    CHECK_POINTER(set);
    if (!socket || socket->handle == SOCKET_HANDLE_NONE) return 0;
    for (uint32_t n = 0; n < set->count && n < SOCKET_SET_SIZE; ++n)
        if (set->handles[n] == socket->handle) return 1;
    return 0;
}

namespace {

void CopySet(SocketSet* to, const SocketSet* from) {
    if (from) *to = *from;
}

}    // namespace

// Waits in slices of at most one second so that a cancel request is seen
// within a second, however long the time-out.
int SocketWait(SocketSet* readSet, SocketSet* writeSet, SocketSet* exceptSet, Socket* socket,
               int32_t timeoutMs, int32_t* count) {
    CHECK_POINTER(count);
    *count = 0;
    SocketSet copies[3];
    SocketSet* given[3] = {readSet, writeSet, exceptSet};
    SocketSet* work[3];
    for (int i = 0; i < 3; ++i) work[i] = given[i] ? &copies[i] : nullptr;

    // With an idle hook the slices are short, so that a window stays alive.
    const int64_t sliceMs = socket && socket->idle ? SOCKET_IDLE_SLICE_MS : 1000;
    int64_t remainingMs = timeoutMs;
    int result = 0;
    do {
        for (int i = 0; i < 3; ++i) CopySet(work[i], given[i]);
        if (socket && socket->idle && socket->idle() == 1) socket->cancel = 1;
        if (socket && socket->cancel == 1) return 1;
        long slice = remainingMs >= sliceMs ? (long)sliceMs * 1000L
                                            : (long)(remainingMs > 0 ? remainingMs : 0) * 1000L;
        result = PlatSocketSelect(work[0], work[1], work[2], slice);
        remainingMs -= sliceMs;
        if (result < 0) return 0;
        if (result > 0) break;
        PlatSleep(0);    // yield the processor between slices
    } while (remainingMs > 0);

    for (int i = 0; i < 3; ++i) CopySet(given[i], work[i]);
    *count = result;
    return 1;
}

namespace {

// The address a SocketConnect argument stands for, in network byte order.
void ConnectAddress(const uint8_t* address, PlatAddress* target) {
    std::memset(target, 0, sizeof *target);
    target->family = PLAT_FAMILY_IPV4;
    if (address == (const uint8_t*)1 || address == (const uint8_t*)3) std::memset(target->bytes, 0xFF, 4);
    else if (address == (const uint8_t*)2) std::memset(target->bytes, 0, 4);
    else std::memcpy(target->bytes, address, 4);
}

}    // namespace

int SocketConnect(Socket* socket, const uint8_t* address, int port) {
    CHECK_POINTER(address);
    PlatAddress target;
    ConnectAddress(address, &target);
    return SocketConnectTo(socket, &target, port);
}

int SocketConnectTo(Socket* socket, const PlatAddress* target, int port) {
    CHECK_POINTER(target);
    if (!socket || socket->handle == SOCKET_HANDLE_NONE) return 0;

    // Connect without blocking, then wait for the outcome under our limit.
    int remembered = socket->blocking;
    SocketSetBlocking(socket, 0);
    if (!PlatSocketConnect(socket->handle, target, port)) {
        if (PlatSocketLastError() != SOCKERR_WOULDBLOCK) {
            SocketSetBlocking(socket, remembered);
            return 0;
        }
    }

    SocketSet writeSet, exceptSet;
    SocketSetClear(&writeSet);
    SocketSetClear(&exceptSet);
    SocketSetAdd(&writeSet, socket);
    SocketSetAdd(&exceptSet, socket);
    int32_t count = 0;
    if (!SocketWait(nullptr, &writeSet, &exceptSet, socket, socket->connectTimeout, &count)) {
        SocketSetBlocking(socket, remembered);
        return 0;
    }
    SocketSetBlocking(socket, remembered);

    if (count == 0) {
        socket->stop = socket->cancel == 1 ? SOCKET_STOP_CANCELLED : SOCKET_STOP_TIMEOUT;
        if (socket->cancel == 1) LogPrint("Socket connect cancelled\n");
        else LogPrint("Socket connect timeout (%d)\n", socket->connectTimeout);
        socket->cancel = 0;
        return 0;
    }
    socket->stop = SOCKET_STOP_FAILED;
    if (SocketSetHas(&exceptSet, socket)) return 0;
    if (!SocketSetHas(&writeSet, socket)) return 0;
    socket->stop = SOCKET_STOP_NONE;

    if (target->family == PLAT_FAMILY_IPV4) std::memcpy(socket->peerAddress, target->bytes, 4);
    socket->peerPort = port;
    return 1;
}

int SocketReadWire(Socket* socket, void* buffer, int32_t size, int32_t* received) {
    CHECK_POINTER(buffer);
    CHECK_POINTER(received);
    *received = 0;
    if (!socket || socket->handle == SOCKET_HANDLE_NONE) return 0;

    SocketSet readSet;
    SocketSetClear(&readSet);
    SocketSetAdd(&readSet, socket);
    int32_t count = 0;
    socket->stop = SOCKET_STOP_FAILED;
    if (!SocketWait(&readSet, nullptr, nullptr, socket, socket->readTimeout, &count)) return 0;
    if (count == 0) {
        socket->stop = socket->cancel == 1 ? SOCKET_STOP_CANCELLED : SOCKET_STOP_TIMEOUT;
        if (socket->cancel == 1) LogPrint("Socket Read cancelled\n");
        else LogPrint("Socket Read timeout (%d)\n", socket->readTimeout);
        socket->cancel = 0;
        return 0;
    }
    if (!SocketSetHas(&readSet, socket)) return 0;

    int got = PlatSocketReceive(socket->handle, buffer, size);
    if (got < 0) {
        if (PlatSocketLastError() != SOCKERR_WOULDBLOCK) return 0;
        socket->stop = SOCKET_STOP_NONE;
        return 1;
    }
    if (got == 0) {    // the peer closed the connection
        socket->stop = SOCKET_STOP_CLOSED;
        return 0;
    }
    socket->stop = SOCKET_STOP_NONE;
    *received = got;
    return 1;
}

int SocketWriteWire(Socket* socket, const void* data, int32_t length, int32_t* sent) {
    CHECK_POINTER(data);
    CHECK_POINTER(sent);
    *sent = 0;
    if (!socket || socket->handle == SOCKET_HANDLE_NONE) return 0;
    int count = PlatSocketSend(socket->handle, data, length);
    if (count < 0) return PlatSocketLastError() == SOCKERR_WOULDBLOCK;
    *sent = count;
    return 1;
}

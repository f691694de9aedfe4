// Win32 backend: Windows Sockets 1.1. Winsock keeps its own error codes, the
// ones the core's error table is written for; a PlatSocket is the SOCKET.
// winnt.h's MEM_FREE (a VirtualFree flag) would shadow the core's tracked
// free, so this file includes no header of the core but the seam.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/platform.h"

#include <cstring>

namespace {

PlatSocket FromSocket(SOCKET handle) { return reinterpret_cast<PlatSocket>(handle); }
SOCKET ToSocket(PlatSocket socket) { return reinterpret_cast<SOCKET>(socket); }

}    // namespace

int PlatSocketLastError() { return WSAGetLastError(); }
void PlatSocketSetLastError(int code) { WSASetLastError(code); }

int PlatSocketStartup(uint16_t* granted) {
    WSADATA data;
    int result = WSAStartup(0x0101, &data);
    if (result != 0) {
        // WSAStartup returns its error instead of setting it.
        WSASetLastError(result);
        return 0;
    }
    *granted = data.wVersion;
    return 1;
}

int PlatSocketCleanup() { return WSACleanup() == 0; }

PlatSocket PlatSocketOpen(int family, int kind, int protocol) {
    int type = kind == PLAT_SOCKET_STREAM     ? SOCK_STREAM
               : kind == PLAT_SOCKET_DATAGRAM ? SOCK_DGRAM
               : kind == PLAT_SOCKET_RAW      ? SOCK_RAW
                                              : -1;
    return FromSocket(::socket(family == PLAT_FAMILY_IPV6 ? AF_INET6 : AF_INET, type, protocol));
}

int PlatSocketClose(PlatSocket socket) { return closesocket(ToSocket(socket)) == 0; }

int PlatSocketShutdown(PlatSocket socket) { return ::shutdown(ToSocket(socket), SD_BOTH) == 0; }

int PlatSocketSetNonBlocking(PlatSocket socket, int nonBlocking) {
    u_long argument = nonBlocking ? 1 : 0;
    return ioctlsocket(ToSocket(socket), FIONBIO, &argument) == 0;
}

int PlatSocketConnect(PlatSocket socket, const PlatAddress* address, int port) {
    sockaddr_storage target;
    int length;
    std::memset(&target, 0, sizeof target);
    if (address->family == PLAT_FAMILY_IPV6) {
        sockaddr_in6* six = (sockaddr_in6*)&target;
        six->sin6_family = AF_INET6;
        six->sin6_port = htons((uint16_t)port);
        std::memcpy(&six->sin6_addr, address->bytes, 16);
        length = sizeof *six;
    } else {
        sockaddr_in* four = (sockaddr_in*)&target;
        four->sin_family = AF_INET;
        four->sin_port = htons((uint16_t)port);
        std::memcpy(&four->sin_addr.s_addr, address->bytes, 4);
        length = sizeof *four;
    }
    return ::connect(ToSocket(socket), (const sockaddr*)&target, length) == 0;
}

int PlatSocketSelect(PlatSocketSet* readSet, PlatSocketSet* writeSet, PlatSocketSet* exceptSet,
                     long microseconds) {
    fd_set sets[3];
    PlatSocketSet* given[3] = {readSet, writeSet, exceptSet};
    fd_set* pass[3] = {nullptr, nullptr, nullptr};
    for (int i = 0; i < 3; ++i) {
        if (!given[i]) continue;
        uint32_t count = given[i]->count < FD_SETSIZE ? given[i]->count : FD_SETSIZE;
        sets[i].fd_count = count;
        for (uint32_t n = 0; n < count; ++n) sets[i].fd_array[n] = ToSocket(given[i]->handles[n]);
        pass[i] = &sets[i];
    }
    timeval limit;
    limit.tv_sec = microseconds / 1000000;
    limit.tv_usec = microseconds % 1000000;
    int result = select(0, pass[0], pass[1], pass[2], &limit);
    if (result == SOCKET_ERROR) return -1;
    for (int i = 0; i < 3; ++i) {
        if (!given[i]) continue;
        given[i]->count = sets[i].fd_count;
        for (uint32_t n = 0; n < sets[i].fd_count; ++n)
            given[i]->handles[n] = FromSocket(sets[i].fd_array[n]);
    }
    return result;
}

int PlatSocketSend(PlatSocket socket, const void* data, int32_t length) {
    int count = ::send(ToSocket(socket), (const char*)data, length > 0 ? length : 0, 0);
    return count == SOCKET_ERROR ? -1 : count;
}

int PlatSocketReceive(PlatSocket socket, void* buffer, int32_t size) {
    int count = ::recv(ToSocket(socket), (char*)buffer, size > 0 ? size : 0, 0);
    return count == SOCKET_ERROR ? -1 : count;
}

int PlatSocketResolve(const char* name, PlatAddress* addresses, int capacity, int* count,
                      char* canonical, int canonicalSize) {
    *count = 0;
    if (canonicalSize > 0) canonical[0] = '\0';
    addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    int result = ::getaddrinfo(name, nullptr, &hints, &found);
    if (result != 0) {
        // getaddrinfo returns its Windows Sockets code instead of setting it.
        WSASetLastError(result);
        return 0;
    }
    for (addrinfo* entry = found; entry && *count < capacity; entry = entry->ai_next) {
        PlatAddress& address = addresses[*count];
        std::memset(&address, 0, sizeof address);
        if (entry->ai_family == AF_INET6) {
            address.family = PLAT_FAMILY_IPV6;
            std::memcpy(address.bytes, &((const sockaddr_in6*)entry->ai_addr)->sin6_addr, 16);
        } else if (entry->ai_family == AF_INET) {
            address.family = PLAT_FAMILY_IPV4;
            std::memcpy(address.bytes, &((const sockaddr_in*)entry->ai_addr)->sin_addr, 4);
        } else {
            continue;
        }
        ++*count;
    }
    if (found->ai_canonname && canonicalSize > 0) {
        std::strncpy(canonical, found->ai_canonname, (size_t)canonicalSize - 1);
        canonical[canonicalSize - 1] = '\0';
    }
    ::freeaddrinfo(found);
    if (*count == 0) WSASetLastError(WSANO_DATA);
    return *count > 0;
}

int PlatSocketHostName(char* buffer, int size) {
    if (size < 1) return 0;
    if (::gethostname(buffer, size) != 0) return 0;
    buffer[size - 1] = '\0';    // a cut name is not terminated
    return 1;
}

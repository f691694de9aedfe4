// POSIX backend: BSD sockets with the semantics of Windows Sockets 1.1. Every
// failing call records its errno as the matching Windows Sockets code, so
// error texts read the same on both systems. A PlatSocket is the descriptor.
#include "platform/platform.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

// Windows Sockets codes this file sets by name.
#define WSA_WOULDBLOCK 10035
#define WSA_NOTSOCK 10038
#define WSA_HOST_NOT_FOUND 11001
#define WSA_TRY_AGAIN 11002
#define WSA_NO_RECOVERY 11003
#define WSA_NO_DATA 11004

namespace {

// The calling thread's last Windows Sockets code.
thread_local int socketError = 0;

PlatSocket FromDescriptor(int descriptor) { return (PlatSocket)(intptr_t)descriptor; }
int ToDescriptor(PlatSocket socket) { return (int)(intptr_t)socket; }

// EPIPE is a send on a connection whose sending side is shut, which Windows
// Sockets reports as WSAESHUTDOWN.
int CodeForErrno(int error) {
    static const int table[][2] = {
        {EINTR, 10004},        {EBADF, 10009},           {EACCES, 10013},
        {EFAULT, 10014},       {EINVAL, 10022},          {EMFILE, 10024},
        {EWOULDBLOCK, 10035},  {EAGAIN, 10035},          {EINPROGRESS, 10036},
        {EALREADY, 10037},     {ENOTSOCK, 10038},        {EDESTADDRREQ, 10039},
        {EMSGSIZE, 10040},     {EPROTOTYPE, 10041},      {ENOPROTOOPT, 10042},
        {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},
        {EPFNOSUPPORT, 10046}, {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},
        {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},       {ENETUNREACH, 10051},
        {ENETRESET, 10052},    {ECONNABORTED, 10053},    {ECONNRESET, 10054},
        {EPIPE, 10058},        {ENOBUFS, 10055},         {EISCONN, 10056},
        {ENOTCONN, 10057},     {ESHUTDOWN, 10058},       {ETOOMANYREFS, 10059},
        {ETIMEDOUT, 10060},    {ECONNREFUSED, 10061},    {ELOOP, 10062},
        {ENAMETOOLONG, 10063}, {EHOSTDOWN, 10064},       {EHOSTUNREACH, 10065},
        {ENOTEMPTY, 10066},    {EUSERS, 10068},          {EDQUOT, 10069},
        {ESTALE, 10070},       {EREMOTE, 10071},
    };
    for (const auto& row : table)
        if (row[0] == error) return row[1];
    return 10000 + error;
}

void RecordErrno() { socketError = CodeForErrno(errno); }

}    // namespace

int PlatSocketLastError() { return socketError; }
void PlatSocketSetLastError(int code) { socketError = code; }

// Nothing to start on POSIX; report the version Windows Sockets would grant.
int PlatSocketStartup(uint16_t* granted) {
    *granted = 0x0101;
    return 1;
}

int PlatSocketCleanup() { return 1; }

PlatSocket PlatSocketOpen(int family, int kind, int protocol) {
    int type = kind == PLAT_SOCKET_STREAM     ? SOCK_STREAM
               : kind == PLAT_SOCKET_DATAGRAM ? SOCK_DGRAM
               : kind == PLAT_SOCKET_RAW      ? SOCK_RAW
                                              : -1;
    int descriptor = ::socket(family == PLAT_FAMILY_IPV6 ? AF_INET6 : AF_INET, type, protocol);
    if (descriptor < 0) {
        RecordErrno();
        return PLAT_SOCKET_NONE;
    }
    return FromDescriptor(descriptor);
}

int PlatSocketClose(PlatSocket socket) {
    if (close(ToDescriptor(socket)) == 0) return 1;
    RecordErrno();
    return 0;
}

int PlatSocketShutdown(PlatSocket socket) {
    if (::shutdown(ToDescriptor(socket), SHUT_RDWR) == 0) return 1;
    RecordErrno();
    return 0;
}

int PlatSocketSetNonBlocking(PlatSocket socket, int nonBlocking) {
    int argument = nonBlocking ? 1 : 0;
    if (ioctl(ToDescriptor(socket), FIONBIO, &argument) == 0) return 1;
    RecordErrno();
    return 0;
}

int PlatSocketConnect(PlatSocket socket, const PlatAddress* address, int port) {
    sockaddr_storage target;
    socklen_t length;
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
    if (::connect(ToDescriptor(socket), (const sockaddr*)&target, length) == 0) return 1;
    // A non-blocking connect under way is "would block" to Windows Sockets.
    socketError = errno == EINPROGRESS ? WSA_WOULDBLOCK : CodeForErrno(errno);
    return 0;
}

int PlatSocketSelect(PlatSocketSet* readSet, PlatSocketSet* writeSet, PlatSocketSet* exceptSet,
                     long microseconds) {
    PlatSocketSet* given[3] = {readSet, writeSet, exceptSet};
    const short wanted[3] = {POLLIN, POLLOUT, POLLPRI};
    pollfd polls[3 * PLAT_SOCKET_SET_SIZE];
    int total = 0;
    for (int i = 0; i < 3; ++i) {
        if (!given[i]) continue;
        for (uint32_t n = 0; n < given[i]->count && n < PLAT_SOCKET_SET_SIZE; ++n) {
            polls[total].fd = ToDescriptor(given[i]->handles[n]);
            polls[total].events = wanted[i];
            polls[total].revents = 0;
            ++total;
        }
    }
    int milliseconds = (int)((microseconds + 999) / 1000);
    int result = poll(polls, (nfds_t)total, milliseconds);
    if (result < 0) {
        // A signal ends the slice early; the caller simply waits again.
        if (errno == EINTR) result = 0;
        else {
            RecordErrno();
            return -1;
        }
    }
    int ready = 0, next = 0;
    for (int i = 0; i < 3; ++i) {
        if (!given[i]) continue;
        uint32_t kept = 0;
        for (uint32_t n = 0; n < given[i]->count && n < PLAT_SOCKET_SET_SIZE; ++n, ++next) {
            short events = result > 0 ? polls[next].revents : 0;
            if (events & POLLNVAL) {
                socketError = WSA_NOTSOCK;
                return -1;
            }
            bool isReady = i == 0   ? (events & (POLLIN | POLLHUP | POLLERR)) != 0
                           : i == 1 ? (events & POLLOUT) && !(events & POLLERR)
                                    : (events & (POLLPRI | POLLERR)) != 0;
            if (isReady) given[i]->handles[kept++] = given[i]->handles[n];
        }
        given[i]->count = kept;
        ready += (int)kept;
    }
    return ready;
}

int PlatSocketSend(PlatSocket socket, const void* data, int32_t length) {
    // A peer that went away must fail the send, not end the program.
    ssize_t count = ::send(ToDescriptor(socket), data, length > 0 ? (size_t)length : 0,
                           MSG_NOSIGNAL);
    if (count < 0) {
        RecordErrno();
        return -1;
    }
    return (int)count;
}

int PlatSocketReceive(PlatSocket socket, void* buffer, int32_t size) {
    ssize_t count = ::recv(ToDescriptor(socket), buffer, size > 0 ? (size_t)size : 0, 0);
    if (count < 0) {
        RecordErrno();
        return -1;
    }
    return (int)count;
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
        // Windows Sockets has a code for each way a look-up fails.
        socketError = result == EAI_NONAME   ? WSA_HOST_NOT_FOUND
                      : result == EAI_AGAIN  ? WSA_TRY_AGAIN
                      : result == EAI_FAIL   ? WSA_NO_RECOVERY
                                             : WSA_NO_DATA;
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
    if (*count == 0) socketError = WSA_NO_DATA;
    return *count > 0;
}

int PlatSocketHostName(char* buffer, int size) {
    if (size < 1) return 0;
    if (gethostname(buffer, (size_t)size) != 0) {
        RecordErrno();
        return 0;
    }
    buffer[size - 1] = '\0';    // a cut name is not terminated
    return 1;
}

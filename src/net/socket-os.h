// The few places where Windows Sockets 1.1 and BSD sockets differ, for the
// socket layer's own files only. This is the one header of the core that may
// include the system's socket headers. On POSIX every failing call records
// its errno as the matching Windows Sockets code, so error texts read the
// same on both systems.
#pragma once

#include <cstdint>

#include "net/socket.h"

#ifdef _WIN32
#include <winsock2.h>
// winnt.h names a VirtualFree flag MEM_FREE; the socket layer means the
// core's tracked free. Include this header before zunk-core.h.
#undef MEM_FREE
#else
#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#ifdef _WIN32

typedef SOCKET OsSocket;
#define OS_SHUTDOWN_BOTH SD_BOTH
#define OS_SEND_FLAGS 0

inline int OsLastError() { return WSAGetLastError(); }
inline void OsSetLastError(int code) { WSASetLastError(code); }
// Winsock keeps its own error; nothing to translate.
inline void OsRecordError() {}
inline void OsRecordConnectError() {}
inline void OsRecordLookupError() {}

inline int OsStartup(uint16_t* granted) {
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

inline int OsCleanup() { return WSACleanup() == 0; }
inline int OsCloseSocket(OsSocket handle) { return closesocket(handle) == 0; }

inline int OsSetNonBlocking(OsSocket handle, int nonBlocking) {
    u_long argument = nonBlocking ? 1 : 0;
    return ioctlsocket(handle, FIONBIO, &argument) == 0;
}

// One select over the three sets; each set keeps only its ready handles.
// The result is select's: ready handles in all sets, 0 on time-out, -1 on
// failure.
inline int OsSelect(SocketSet* readSet, SocketSet* writeSet, SocketSet* exceptSet,
                    long microseconds) {
    fd_set sets[3];
    SocketSet* given[3] = {readSet, writeSet, exceptSet};
    fd_set* pass[3] = {nullptr, nullptr, nullptr};
    for (int i = 0; i < 3; ++i) {
        if (!given[i]) continue;
        uint32_t count = given[i]->count < FD_SETSIZE ? given[i]->count : FD_SETSIZE;
        sets[i].fd_count = count;
        for (uint32_t n = 0; n < count; ++n) sets[i].fd_array[n] = given[i]->handles[n];
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
        for (uint32_t n = 0; n < sets[i].fd_count; ++n) given[i]->handles[n] = sets[i].fd_array[n];
    }
    return result;
}

#else

typedef int OsSocket;
#define INVALID_SOCKET (-1)
#define SOCKET_ERROR (-1)
#define OS_SHUTDOWN_BOTH SHUT_RDWR
// A peer that went away must fail the send, not end the program.
#define OS_SEND_FLAGS MSG_NOSIGNAL

// The calling thread's last Windows Sockets code.
inline thread_local int osSocketError = 0;

inline int OsLastError() { return osSocketError; }
inline void OsSetLastError(int code) { osSocketError = code; }

// EPIPE is a send on a connection whose sending side is shut, which Windows
// Sockets reports as WSAESHUTDOWN.
inline int OsCodeForErrno(int error) {
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

inline void OsRecordError() { osSocketError = OsCodeForErrno(errno); }

// A non-blocking connect under way is "would block" to Windows Sockets.
inline void OsRecordConnectError() {
    osSocketError = errno == EINPROGRESS ? 10035 : OsCodeForErrno(errno);
}

// gethostbyname reports through h_errno; Windows Sockets has codes for each.
inline void OsRecordLookupError() {
    switch (h_errno) {
    case HOST_NOT_FOUND: osSocketError = 11001; break;
    case TRY_AGAIN: osSocketError = 11002; break;
    case NO_RECOVERY: osSocketError = 11003; break;
    default: osSocketError = 11004; break;
    }
}

// Nothing to start on POSIX; report the version Windows Sockets would grant.
inline int OsStartup(uint16_t* granted) {
    *granted = 0x0101;
    return 1;
}
inline int OsCleanup() { return 1; }

inline int OsCloseSocket(OsSocket handle) {
    if (close(handle) == 0) return 1;
    OsRecordError();
    return 0;
}

inline int OsSetNonBlocking(OsSocket handle, int nonBlocking) {
    int argument = nonBlocking ? 1 : 0;
    if (ioctl(handle, FIONBIO, &argument) == 0) return 1;
    OsRecordError();
    return 0;
}

// select() as Windows Sockets defines it, built on poll() so that handle
// numbers are not limited by FD_SETSIZE. As on Windows, a connect that
// failed shows in the exception set and not in the write set.
inline int OsSelect(SocketSet* readSet, SocketSet* writeSet, SocketSet* exceptSet,
                    long microseconds) {
    SocketSet* given[3] = {readSet, writeSet, exceptSet};
    const short wanted[3] = {POLLIN, POLLOUT, POLLPRI};
    pollfd polls[3 * SOCKET_SET_SIZE];
    int total = 0;
    for (int i = 0; i < 3; ++i) {
        if (!given[i]) continue;
        for (uint32_t n = 0; n < given[i]->count && n < SOCKET_SET_SIZE; ++n) {
            polls[total].fd = (int)given[i]->handles[n];
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
            OsRecordError();
            return -1;
        }
    }
    int ready = 0, next = 0;
    for (int i = 0; i < 3; ++i) {
        if (!given[i]) continue;
        uint32_t kept = 0;
        for (uint32_t n = 0; n < given[i]->count && n < SOCKET_SET_SIZE; ++n, ++next) {
            short events = result > 0 ? polls[next].revents : 0;
            if (events & POLLNVAL) {
                osSocketError = 10038;    // "Socket operation on non-socket"
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

#endif

inline OsSocket OsSocketOf(uintptr_t handle) { return (OsSocket)handle; }
inline uintptr_t OsHandleOf(OsSocket handle) {
    return handle == INVALID_SOCKET ? SOCKET_HANDLE_NONE : (uintptr_t)handle;
}

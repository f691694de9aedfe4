// The socket layer: Windows Sockets 1.1 semantics on both systems.
//
// A Socket remembers its handle, blocking mode and time-outs. Connect and
// read never hang: both wait in one-second slices for at most their
// time-out and give up early when `cancel` is set. Error codes are the
// Windows Sockets codes on every system, so one error table serves all.
#pragma once

#include "platform/platform.h"

#include <cstdint>

// Windows Sockets error codes the layer itself tests for.
#define SOCKERR_WOULDBLOCK 10035
#define SOCKERR_NOTINITIALISED 10093

#define SOCKET_TIMEOUT_DEFAULT 300000    // milliseconds, connect and read
#define SOCKET_SET_SIZE PLAT_SOCKET_SET_SIZE
#define SOCKET_HANDLE_NONE PLAT_SOCKET_NONE

// Protocol selectors of SocketCreate.
#define SOCKET_PROTOCOL_TCP 1
#define SOCKET_PROTOCOL_UDP 2

// Pointer values SocketConnect accepts in place of an address.
#define SOCKET_ADDRESS_BROADCAST ((const uint8_t*)1)    // all bits set (3 too)
#define SOCKET_ADDRESS_ANY ((const uint8_t*)2)

// Buffer sizes of SocketParseUrl's outputs.
#define SOCKET_SCHEME_SIZE 11      // at most 10 characters before "://"
#define SOCKET_HOST_SIZE 121       // host names are cut to 120 characters
#define SOCKET_USER_SIZE 81        // user names are cut to 80 characters
#define SOCKET_PASSWORD_SIZE 80    // passwords keep 79 characters

#define HOST_NAME_SIZE 256

// Why the last connect or read of a socket gave up.
enum SocketStop {
    SOCKET_STOP_NONE = 0,     // it did not (or nothing was tried yet)
    SOCKET_STOP_CLOSED,       // the peer closed the connection
    SOCKET_STOP_TIMEOUT,      // nothing came within the time-out
    SOCKET_STOP_CANCELLED,    // `cancel` was set, or the idle hook asked to end
    SOCKET_STOP_FAILED        // the system reported an error (reset, refused, ...)
};

// Called between the slices of every wait of a socket that has one: it may
// keep a user interface alive; 1 asks to end the wait as a cancel does.
typedef int (*SocketIdle)();
// The slice of a wait with an idle hook, short enough for a window to answer.
#define SOCKET_IDLE_SLICE_MS 100

struct Socket {
    int32_t cancel;            // 1 ends a pending connect or read wait within a second
    PlatSocket handle;         // SOCKET_HANDLE_NONE when no system socket is open
    int32_t blocking;          // 1 = blocking, anything else = non-blocking
    int32_t readTimeout;
    int32_t connectTimeout;
    int32_t protocol;          // selector that opened the handle, 0 if opening failed
    uint8_t peerAddress[4];    // network byte order
    int32_t peerPort;          // host byte order
    PlatTls tls;               // the encrypted channel once started, else NULL
    SocketIdle idle;           // NULL for none
    int32_t stop;              // a SocketStop: why the last connect or read gave up
};

// A name resolves to at most this many addresses that are tried in turn.
#define HOST_ADDRESS_COUNT 8

struct HostAddress {
    char name[HOST_NAME_SIZE];
    uint8_t address[4];    // the first IPv4 address, network byte order; 0 without one
    int32_t port;          // host byte order
    int32_t count;         // of `addresses`, IPv6 and IPv4 in the system's order
    PlatAddress addresses[HOST_ADDRESS_COUNT];
};
// The longest address as text: "[" 39 characters "]" and the NUL.
#define SOCKET_ADDRESS_TEXT_SIZE 48

// A set of handles for SocketWait, laid out as the Windows Sockets fd_set.
typedef PlatSocketSet SocketSet;

// Library start and end.
int SocketStartup();
int SocketCleanup();

// Errors. The socket argument is not used and may be NULL.
int SocketLastError(Socket* socket);
const char* SocketErrorText(Socket* socket);
// The error table's text for one code; logs codes it does not know.
const char* SocketErrorCodeText(int code);

// Object life.
int SocketNew(Socket** socket);
int SocketDelete(Socket** socket);
int SocketCreate(Socket* socket, int protocol);
// SocketCreate for an address family (PLAT_FAMILY_IPV4 or _IPV6).
int SocketCreateFor(Socket* socket, int protocol, int family);
int SocketClose(Socket* socket);
int SocketShutdown(Socket* socket);
int SocketSetBlocking(Socket* socket, int blocking);

// Transfer. Once TLS is started, SocketWrite and SocketRead carry the
// channel's plain bytes (a write then sends all of them); the Wire calls
// always carry the bytes as they travel.
int SocketConnect(Socket* socket, const uint8_t* address, int port);
// SocketConnect to an address of either family (the socket must be of it).
int SocketConnectTo(Socket* socket, const PlatAddress* address, int port);
int SocketWrite(Socket* socket, const void* data, int32_t length, int32_t* sent);
int SocketRead(Socket* socket, void* buffer, int32_t size, int32_t* received);
int SocketWriteWire(Socket* socket, const void* data, int32_t length, int32_t* sent);
int SocketReadWire(Socket* socket, void* buffer, int32_t size, int32_t* received);

// Starts TLS with `host` on the connected socket: handshake and the check of
// the server's certificate. 1 when the channel is up; 0 with the reason
// logged (the socket then carries nothing more and should be closed).
int SocketStartTls(Socket* socket, const char* host);
// Ends the channel, telling the server, and keeps the connection; nothing
// when none is open. Shutdown and close do it first.
void SocketEndTls(Socket* socket);
int SocketWait(SocketSet* readSet, SocketSet* writeSet, SocketSet* exceptSet, Socket* socket,
               int32_t timeoutMs, int32_t* count);
int SocketSetClear(SocketSet* set);
int SocketSetAdd(SocketSet* set, Socket* socket);
int SocketSetHas(SocketSet* set, Socket* socket);

// Names and addresses.
int SocketParseDottedQuad(const char* text, uint8_t* address);
int SocketResolveHost(HostAddress* host, const char* name);
// Outputs: scheme SOCKET_SCHEME_SIZE, host SOCKET_HOST_SIZE, user
// SOCKET_USER_SIZE and password SOCKET_PASSWORD_SIZE bytes; directory and
// file as sized by the caller.
int SocketParseUrl(const char* url, char* scheme, char* host, int32_t* port, char* directory,
                   int directorySize, char* file, int fileSize, char* user, char* password);
int SocketResolveUrl(HostAddress* host, const char* url);
// The port a scheme uses when a URL names none ("http" 80); 0 when unknown.
int SocketDefaultPort(const char* scheme);
int SocketLocalHost(HostAddress* host);
// An address as a log shows it: "127.0.0.1", "[::1]".
void SocketAddressText(const PlatAddress* address, char* text);

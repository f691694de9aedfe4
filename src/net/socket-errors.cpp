// Windows Sockets error codes as text for the log.
#include "base/core.h"
#include "net/socket.h"
#include "platform/platform.h"

namespace {

struct SocketErrorRow {
    int code;
    const char* text;
};

// Searched from the first row: the order is part of the behaviour.
const SocketErrorRow socketErrors[] = {
    {0, "No Error"},
    {10013, "Permission denied"},
    {10048, "Address already in use"},
    {10049, "Cannot assign requested address"},
    {10047, "Address family not supported by protocol family"},
    {10037, "Operation already in progress"},
    {10009, "Bad file number"},
    {10053, "Software caused connection abort"},
    {10061, "Connection refused"},
    {10054, "Connection reset by peer"},
    {10039, "Destination address required"},
    {10101, "Graceful shutdown in progress"},
    {10069, "Disk quota"},
    {10014, "Bad address"},
    {10064, "Host is down"},
    {10065, "No route to host"},
    {10036, "Operation now in progress"},
    {10004, "Interrupted function call"},
    {10022, "Invalid argument"},
    {10056, "Socket is already connected"},
    {10062, "Loop"},
    {10024, "Too many open files"},
    {10040, "Message too long"},
    {10063, "Name too long"},
    {10050, "Network is down"},
    {10052, "Network dropped connection on reset"},
    {10051, "Network is unreachable"},
    {10055, "No buffer space available"},
    {10042, "Bad protocol option"},
    {10057, "Socket is not connected"},
    {10066, "Directory not empty"},
    {10038, "Socket operation on non-socket"},
    {10045, "Operation not supported"},
    {10046, "Protocol family not supported"},
    {10067, "Too many processes"},
    {10043, "Protocol not supported"},
    {10041, "Protocol wrong type for socket"},
    {10071, "Remote"},
    {10058, "Cannot send after socket shutdown"},
    {10044, "Socket type not supported"},
    {10070, "Stale"},
    {10060, "Connection timed out"},
    {10059, "Too many references"},
    {10068, "Too many users"},
    {10035, "Resource temporarily unavailable"},
    {11001, "Host not found"},
    {10093, "Successful WSAStartup not yet performed"},
    {11004, "Valid name, no data record of requested type"},
    {11003, "This is a non-recoverable error"},
    {10091, "Network subsystem is unavailable"},
    {11002, "Non-authoritative host not found"},
    {10092, "WINSOCK.DLL version out of range"},
};

}    // namespace

int SocketLastError(Socket*) { return PlatSocketLastError(); }

const char* SocketErrorText(Socket* socket) { return SocketErrorCodeText(SocketLastError(socket)); }

const char* SocketErrorCodeText(int code) {
    for (const SocketErrorRow& row : socketErrors)
        if (row.code == code) return row.text;
    LogPrint("\nUnknown (%d) (0x%.8X)\n", code, (unsigned)code);
    return "Unknown error code";
}

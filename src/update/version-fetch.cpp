// One request for the version information: the whole reply, header and
// all, is read into the reply buffer as text.
#include "update/update.h"

#include "update/http.h"
#include "winmain/identity.h"
#include "zunkcore/winhelpr.h"
#include "zunkcore/zunk-core.h"

#define VERSION_CHECK_AGENT "Tolvane Update Check " PROGRAM_NAME " (" VENDOR_WEB_SITE ")"

int FetchVersionInfo(InstallScript* settings, const char* url, int32_t useProxy, char* buffer,
                     int32_t size) {
    CHECK_POINTER(settings);
    CHECK_POINTER(url);
    CHECK_POINTER(buffer);
    if (size < 1)
        return 0;
    buffer[0] = '\0';

    Socket* socket = nullptr;
    int32_t headerLength = 0;
    if (!HttpOpenRequest(url, VERSION_CHECK_AGENT, "GET", 0, useProxy, &socket, buffer, size,
                         &headerLength))
        return 0;

    int result = 0;
    if (!HttpSendAll(socket, buffer, headerLength)) {
        LogPrint("Unable to output header (%s)\n", SocketErrorText(socket));
    } else {
        WaitProgress(60);
        buffer[0] = '\0';
        int32_t offset = 0;
        int32_t received = 0;
        // One byte of the buffer stays free for the terminator.
        while (size - 1 - offset > 0 &&
               SocketRead(socket, buffer + offset, size - 1 - offset, &received) == 1) {
            result = 1;
            LogPrint("Recieved -> %d [%d]\n", offset, received);
            offset += received;
            buffer[offset] = '\0';
        }
    }

    WaitProgress(80);
    SocketShutdown(socket);
    SocketClose(socket);
    SocketDelete(&socket);
    return result;
}

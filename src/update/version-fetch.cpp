// One request for the version information: the whole reply, header and
// all, is read into the reply buffer as text. Only a complete 2xx reply
// counts; anything else fails the attempt, so the user is asked whether to
// try again.
#include "update/update.h"

#include "base/core.h"
#include "base/identity.h"
#include "net/http-exchange.h"
#include "ui/ui.h"

#include <algorithm>
#include <climits>

#define VERSION_CHECK_AGENT "Tolvane Update Check " PROGRAM_NAME " (" VENDOR_WEB_SITE ")"

int FetchVersionInfo(InstallScript* settings, const char* url, int32_t useProxy, char* buffer,
                     int32_t size) {
    CHECK_POINTER(settings);
    CHECK_POINTER(url);
    CHECK_POINTER(buffer);
    if (size < 1)
        return 0;
    buffer[0] = '\0';

    HttpRequest request = {url, VERSION_CHECK_AGENT, "GET", nullptr, 0, useProxy, 1, WaitProgress,
                           WaitWindowPoll};
    HttpReply reply;
    if (!HttpExchangeOpen(&request, buffer, size, &reply)) {
        buffer[0] = '\0';
        return 0;
    }
    LogPrint("Recieved -> %d [%d]\n", 0, reply.filled);
    int32_t offset = reply.filled;
    int32_t received = 0;
    // One byte of the buffer stays free for the terminator.
    while (size - 1 - offset > 0 &&
           HttpExchangeRead(&reply, buffer + offset, size - 1 - offset, &received)) {
        LogPrint("Recieved -> %d [%d]\n", offset, received);
        offset += received;
        buffer[offset] = '\0';
    }

    WaitProgress(HTTP_STEP_RECEIVED);
    HttpExchangeClose(&reply);
    // A reply that stopped coming, broke off or was cancelled is not the
    // server's whole answer (the reason is logged).
    if (reply.end != HTTP_END_OPEN && reply.end != HTTP_END_CLOSED &&
        reply.end != HTTP_END_COMPLETE) {
        buffer[0] = '\0';
        return 0;
    }
    // A reply cut short may have lost blocks or the end of a value. One that
    // fills the buffer is kept as far as it goes.
    int64_t body = offset - reply.bodyStart;
    if (reply.header.contentLength >= 0 && offset < size - 1 &&
        body != reply.header.contentLength) {
        LogPrint("Sizes to not match (%d != %d)\n",
                 static_cast<int>(std::min<int64_t>(reply.header.contentLength, INT32_MAX)),
                 static_cast<int>(body));
        buffer[0] = '\0';
        return 0;
    }
    return 1;
}

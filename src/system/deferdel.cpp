#include "system/deferdel.h"

#include "base/core.h"
#include "base/runstyle.h"
#include "base/strings.h"
#include "platform/platform.h"
#include "system/folders.h"
#include "system/pathrules.h"
#include "system/plan.h"

#include <cstdio>

static bool WriteAll(FILE* file, const char* data, size_t length) {
    return length == 0 || fwrite(data, 1, length, file) == length;
}

// The new request goes directly under the first "[Rename]" header, ahead of
// older requests; without a header, a new one opens the file.
static bool WriteWithRequest(FILE* file, const char* content, int32_t length,
                             const char* request) {
    const char* header = nullptr;
    if (content != nullptr) StrFindNoCase(content, WININIT_HEADER, &header);
    if (header == nullptr) {
        return WriteAll(file, WININIT_HEADER, 10) && WriteAll(file, request, StrLength(request)) &&
               WriteAll(file, content, length > 0 ? length : 0);
    }
    size_t head = static_cast<size_t>(header - content) + 10;
    return WriteAll(file, content, head) && WriteAll(file, request, StrLength(request)) &&
           WriteAll(file, content + head, length - head);
}

int QueueDeleteOnRestart(const char* path) {
    // At the restart the path is followed as it is then: what the run
    // refused, the restart must not do either.
    if (!AcceptActionPath(path) || !AcceptLinkFreePath(path)) return 0;
    if (PlanOnly()) {
        PlanReport(PLAN_QUEUE_DELETION, path);
        return 1;
    }
    // Queued or not, the file outlives the run.
    NoteFileLeft();
    if (PlatDeleteOnRestart(path)) return 1;

    char iniPath[FOLDER_PATH_SIZE];
    GetWindowsFolder(iniPath, sizeof iniPath);
    StrAppendN(iniPath, WININIT_NAME, sizeof iniPath);
    return WininitQueueDelete(iniPath, path);
}

namespace {
struct QueuedRequest {
    const char* line;
};
}  // namespace

static int AddRequest(const char* content, uint32_t length, FILE* out, void* context) {
    const char* request = static_cast<QueuedRequest*>(context)->line;
    // The header search reads up to a NUL; the content is not a C string.
    char* text = nullptr;
    if (content != nullptr) {
        text = MEM_ALLOC(char, length + 1);
        for (uint32_t i = 0; i < length; i++) text[i] = content[i];
        text[length] = '\0';
    }
    bool written = WriteWithRequest(out, text, static_cast<int32_t>(length), request);
    if (text != nullptr) MEM_FREE(&text, length + 1);
    return written ? 1 : 0;
}

int WininitQueueDelete(const char* iniPath, const char* path) {
    // A request cut short would delete another file at restart: refuse it.
    char request[FOLDER_PATH_SIZE + 16];
    int requestLength = snprintf(request, sizeof request, "NUL=%s\r\n", path);
    if (requestLength < 0 || requestLength >= static_cast<int>(sizeof request)) return 0;

    // Locked and replaced whole: concurrent requests all arrive, and a
    // crash half-way never loses the requests queued before. Requests that
    // cannot be read cannot be carried over, so such a file stays as it is.
    QueuedRequest queued = {request};
    if (!PlatRewriteFile(iniPath, AddRequest, &queued)) {
        LogPrint("Unable to open '%s' in any capacity.\n", iniPath);
        return 0;
    }
    return 1;
}

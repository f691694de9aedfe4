#include "zunkcore/deferdel.h"

#include "platform/platform.h"
#include "zunkcore/folders.h"
#include "zunkcore/zunk-core.h"
#include "zunkcore/zunk-str.h"

#include <cstdint>
#include <cstdio>

#define WININIT_ABSENT (-1)
#define WININIT_UNREADABLE (-2)

// Reads the whole file into a tracked block of its length plus a NUL.
// Returns the length, WININIT_ABSENT when there is no such file, or
// WININIT_UNREADABLE when it exists but cannot be read whole.
static int32_t ReadWhole(const char* path, char** content) {
    *content = nullptr;
    FILE* file = PlatFileOpen(path, "rb");
    if (file == nullptr) return PlatFileExists(path) ? WININIT_UNREADABLE : WININIT_ABSENT;
    int32_t length = WININIT_UNREADABLE;
    if (fseek(file, 0, SEEK_END) == 0) {
        long end = ftell(file);
        if (end >= 0 && end < INT32_MAX) length = static_cast<int32_t>(end);
    }
    if (length > 0) {
        if (fseek(file, 0, SEEK_SET) == 0) {
            *content = MEM_ALLOC(char, length + 1);
            if (fread(*content, 1, length, file) != static_cast<size_t>(length)) {
                MEM_FREE(content, length + 1);
                length = WININIT_UNREADABLE;
            }
        } else {
            length = WININIT_UNREADABLE;
        }
    }
    fclose(file);
    return length;
}

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
    if (PlatDeleteOnRestart(path)) return 1;

    char iniPath[FOLDER_PATH_SIZE];
    GetWindowsFolder(iniPath, sizeof iniPath);
    StrAppendN(iniPath, WININIT_NAME, sizeof iniPath);
    return WininitQueueDelete(iniPath, path);
}

int WininitQueueDelete(const char* iniPath, const char* path) {
    // The new content is written beside the file and then replaces it, so a
    // crash half-way never loses the requests queued before.
    char newPath[FOLDER_PATH_SIZE + 8];
    if (!StrCopyN(newPath, iniPath, sizeof newPath) ||
        !StrAppendN(newPath, ".new", sizeof newPath)) {
        LogPrint("Unable to open '%s' in any capacity.\n", iniPath);
        return 0;
    }

    // A request cut short would delete another file at restart: refuse it.
    char request[FOLDER_PATH_SIZE + 16];
    int requestLength = snprintf(request, sizeof request, "NUL=%s\r\n", path);
    if (requestLength < 0 || requestLength >= static_cast<int>(sizeof request)) return 0;

    char* content = nullptr;
    int32_t length = ReadWhole(iniPath, &content);

    // Requests that cannot be read cannot be carried over: replacing the
    // file would drop them, so it stays as it is.
    bool written = false;
    FILE* file = length == WININIT_UNREADABLE ? nullptr : PlatFileOpen(newPath, "wb");
    if (file != nullptr) {
        written = WriteWithRequest(file, content, length, request);
        written = (fflush(file) == 0) && written;
        written = (fclose(file) == 0) && written;
        written = written && PlatMoveFile(newPath, iniPath);
        if (!written) PlatDeleteFile(newPath);
    }
    if (content != nullptr) MEM_FREE(&content, length + 1);

    if (!written) {
        LogPrint("Unable to open '%s' in any capacity.\n", iniPath);
        return 0;
    }
    return 1;
}

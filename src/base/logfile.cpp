#include "base/logfile.h"

#include "base/core.h"
#include "base/strings.h"
#include "platform/platform.h"

#include <cstring>

namespace {

bool IsSeparator(char c) {
    auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

// Where the argument starting at `start` ends, quotes as GetCommandArgument
// reads them.
const char* ArgumentEnd(const char* start) {
    bool quoted = false;
    const char* p = start;
    for (; *p != '\0'; ++p) {
        if (*p == '"') quoted = !quoted;
        else if (!quoted && IsSeparator(*p)) break;
    }
    return p;
}

bool IsLogSwitch(const char* start, const char* end) {
    const int length = static_cast<int>(std::strlen(SWITCH_LOG));
    if (end - start != length) return false;
    for (int i = 0; i < length; ++i) {
        char a = start[i], b = SWITCH_LOG[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

// The argument after "-log": its start in `*value`, its end in `*valueEnd`.
// 0 when there is no "-log"; `*value` is NULL when nothing follows it.
int FindLogValue(const char* tail, const char** value, const char** valueEnd) {
    *value = *valueEnd = nullptr;
    for (int index = 0;; ++index) {
        const char* start = GetCommandArgument(tail, index, nullptr);
        if (start == nullptr || *start == '\0') return 0;
        const char* end = ArgumentEnd(start);
        if (!IsLogSwitch(start, end)) continue;
        const char* next = GetCommandArgument(tail, index + 1, nullptr);
        if (next != nullptr && *next != '\0') {
            *value = next;
            *valueEnd = ArgumentEnd(next);
        }
        return 1;
    }
}

bool IsFullPath(const char* path) {
    if (path[0] == '\\' || path[0] == '/') return true;
    return path[0] != '\0' && path[1] == ':';
}

bool AppendSpan(char* out, const char* start, const char* end, int size) {
    int length = StrLength(out);
    if (end - start >= size - length) return false;
    std::memcpy(out + length, start, static_cast<size_t>(end - start));
    out[length + (end - start)] = '\0';
    return true;
}

} // namespace

int FindLogPath(const char* commandTail, char* path) {
    CHECK_POINTER(commandTail);
    CHECK_POINTER(path);
    path[0] = '\0';
    const char *value = nullptr, *end = nullptr;
    if (!FindLogValue(commandTail, &value, &end)) return LOG_SWITCH_ABSENT;
    char given[LOG_PATH_SIZE] = "";
    int length = 0;
    for (const char* p = value; p != nullptr && p < end; ++p) {
        if (*p == '"') continue;
        if (length == LOG_PATH_SIZE - 1) return LOG_SWITCH_UNUSABLE;
        given[length++] = *p;
    }
    given[length] = '\0';
    if (length == 0) return LOG_SWITCH_UNUSABLE;
    if (!IsFullPath(given)) {
        if (!PlatGetCurrentFolder(path, LOG_PATH_SIZE)) {
            path[0] = '\0';
            return LOG_SWITCH_UNUSABLE;
        }
        int folderLength = StrLength(path);
        bool fits = folderLength > 0 &&
                    (path[folderLength - 1] == '\\' || StrAppendN(path, "\\", LOG_PATH_SIZE));
        if (!fits || !StrAppendN(path, given, LOG_PATH_SIZE)) {
            path[0] = '\0';
            return LOG_SWITCH_UNUSABLE;
        }
        return LOG_SWITCH_FOUND;
    }
    StrCopy(path, given);
    return LOG_SWITCH_FOUND;
}

int ChooseLogFile(const char* commandTail, int32_t* flags, char* logName) {
    CHECK_POINTER(flags);
    CHECK_POINTER(logName);
    int found = FindLogPath(commandTail, logName);
    if (found != LOG_SWITCH_ABSENT) *flags |= DEBUG_LOGFILE | DEBUG_VERBOSE;
    if (found != LOG_SWITCH_FOUND) StrCopy(logName, DEFAULT_LOG_NAME);
    return found;
}

int TailForCopy(const char* tail, const char* logPath, char* out, int size) {
    CHECK_POINTER(tail);
    CHECK_POINTER(logPath);
    CHECK_POINTER(out);
    if (size < 1) return 0;
    out[0] = '\0';
    const char *value = nullptr, *end = nullptr;
    bool fits;
    if (!FindLogValue(tail, &value, &end) || value == nullptr) {
        fits = StrAppendN(out, tail, size);
    } else {
        const char* at = nullptr;
        fits = AppendSpan(out, tail, value, size) && StrAppendN(out, "\"", size) &&
               StrAppendN(out, logPath, size) && StrAppendN(out, "\"", size) &&
               StrAppendN(out, end, size);
        if (fits && !StrFindNoCase(tail, "-append", &at)) fits = StrAppendN(out, " -append", size);
    }
    if (!fits) out[0] = '\0';
    return fits ? 1 : 0;
}

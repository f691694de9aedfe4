// Section 1 of the seam: the process itself, its console and its notices.
#include "platform/platform.h"

#include "platform/posix/hostpath.h"
#include "platform/posix/log-notice.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <sched.h>
#include <unistd.h>

int PlatGetModulePath(char* buffer, int size) {
    if (!buffer || size <= 0)
        return 0;
    char hostPath[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", hostPath, sizeof hostPath - 1);
    buffer[0] = '\0';
    if (length <= 0)
        return 0;
    hostPath[length] = '\0';
    // Like GetModuleFileNameA, a path longer than the buffer is cut.
    char windowsPath[PATH_MAX + 8];
    if (!WindowsPathFromHost(hostPath, windowsPath, sizeof windowsPath))
        return 0;
    size_t written = strnlen(windowsPath, static_cast<size_t>(size - 1));
    memcpy(buffer, windowsPath, written);
    buffer[written] = '\0';
    return static_cast<int>(written);
}

void PlatExit(int status) {
    fflush(nullptr);
    _exit(status);
}

int PlatConsoleOpen(const char* title) {
    // The title goes to the terminal's window (xterm's OSC 0), never into
    // a file or pipe that stdout may be.
    if (title && isatty(STDOUT_FILENO)) {
        fprintf(stdout, "\033]0;%s\007", title);
        fflush(stdout);
    }
    return 1;
}

void PlatConsoleWrite(const char* text, int length) {
    if (!text || length <= 0)
        return;
    fwrite(text, 1, static_cast<size_t>(length), stdout);
    fflush(stdout);
}

void PlatReportLine(const char* line) {
    fputs(line ? line : "", stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

void PlatFatalNotice(const char* text, const char* caption) {
    fflush(stdout);
    const char* body = text ? text : "";
    size_t length = strlen(body);
    fprintf(stderr, "%s\n%s%s", caption ? caption : "", body,
            length > 0 && body[length - 1] == '\n' ? "" : "\n");
    fflush(stderr);
}

uint32_t PlatTickCount() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t milliseconds =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(milliseconds);
}

void PlatSleep(uint32_t milliseconds) {
    // Sleep(0) gives up the rest of the time slice, nothing more.
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    timespec remaining = {static_cast<time_t>(milliseconds / 1000),
                          static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

static void (*LogWriter)(const char* line) = nullptr;

void PlatSetLogWriter(void (*writer)(const char* line)) { LogWriter = writer; }

void PlatLogNotice(const char* line) {
    if (LogWriter != nullptr)
        LogWriter(line);
}

// Diagnostic output: switches, start-up, the shared line buffer, log lines,
// section lines and the formatter behind log lines and fatal reports.
//
// The log file is opened and closed for every text, so it is complete up to
// the last line even when the process dies. It is a Windows text file: each
// "\n" is stored as CR LF. The translation is done here, on binary writes,
// so that both systems produce the same bytes.
#include "base/core.h"
#include "base/logfile.h"
#include "base/runstyle.h"

#include "base/strings.h"
#include "platform/platform.h"

#include <cstdio>

int32_t DebugFlags = 0;

namespace {

const char* const FATAL_CAPTION = "Internal error...";

char LogPath[LOG_PATH_SIZE];
char LineBuffer[LINE_BUFFER_SIZE];

// Cuts a path after its last '\' or '/', leaving the folder with its separator.
void CutToFolder(char* path) {
    char* afterSeparator = path;
    for (char* p = path; *p != '\0'; p++) {
        if (*p == '\\' || *p == '/') afterSeparator = p + 1;
    }
    *afterSeparator = '\0';
}

void ComposeLogPath(const char* logName) {
    PlatGetModulePath(LogPath, LOG_PATH_SIZE);
    int nameLength = StrLength(logName);
    // A drive, or a rooted path (a UNC path, or \logs\... on the current drive).
    bool fullPath = (nameLength >= 2 && logName[1] == ':') || logName[0] == '\\' ||
                    logName[0] == '/';
    if (fullPath) {
        StrCopyN(LogPath, logName, LOG_PATH_SIZE);
        return;
    }
    CutToFolder(LogPath);
    StrAppendN(LogPath, nameLength > 1 ? logName : DEFAULT_LOG_NAME, LOG_PATH_SIZE);
}

void EmptyLogFile() {
    FILE* file = PlatFileOpen(LogPath, "wb");
    if (file) fclose(file);
}

void AppendToLogFile(const char* text, int length) {
    FILE* file = PlatFileOpen(LogPath, "ab+");
    if (!file) return;
    int start = 0;
    for (int i = 0; i < length; i++) {
        if (text[i] != '\n') continue;
        fwrite(text + start, 1, static_cast<size_t>(i - start), file);
        fwrite("\r\n", 1, 2, file);
        start = i + 1;
    }
    fwrite(text + start, 1, static_cast<size_t>(length - start), file);
    fclose(file);
}

void CheckTextLength() {
    int length = StrLength(LineBuffer);
    if (length > LINE_TEXT_MAXIMUM) {
        SetErrorLocation("Unknown", 0);
        RaiseError("Last string too large (%d > %d)\n", length, LINE_TEXT_MAXIMUM);
    }
}

// Formats into the line buffer from `offset`, bounded by what is left of it.
void FormatAt(int offset, const char* format, va_list arguments) {
    vsnprintf(LineBuffer + offset, static_cast<size_t>(LINE_BUFFER_SIZE - offset), format,
              arguments);
}

void FormatAtEnd(const char* format, ...) __attribute__((format(printf, 1, 2)));
void FormatAtEnd(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    FormatAt(StrLength(LineBuffer), format, arguments);
    va_end(arguments);
}

} // namespace

int ParseDebugSwitches(const char* commandTail, int32_t* flags) {
    CHECK_POINTER(flags);
    const char* at;
    int32_t found = 0;
    if (StrFindNoCase(commandTail, "-debug", &at)) found = DEBUG_LOGFILE | DEBUG_VERBOSE;
    if (StrFindNoCase(commandTail, "-window", &at)) found |= DEBUG_CONSOLE;
    if (StrFindNoCase(commandTail, "-append", &at)) found |= DEBUG_APPEND;
    *flags = found;
    return 1;
}

static void WriteBackendNotice(const char* line) { LogPrint("%s\n", line); }

int DebugInit(const char* logName, int32_t flags) {
    CoreLockCreate();
    PlatSetLogWriter(WriteBackendNotice);
    DebugFlags = flags;
    if (PlatGetCommandLine() == nullptr) RAISE_ERROR("Unable to retrieve commandline!\n");
    ComposeLogPath(logName);
    if (flags == 0) return 1;
    if (flags & DEBUG_CONSOLE) PlatConsoleOpen(LogPath);
    if ((flags & DEBUG_LOGFILE) && !(flags & DEBUG_APPEND)) EmptyLogFile();
    if (flags & DEBUG_VERBOSE) LogPrint("ZunkCore v%s\n", ZUNKCORE_VERSION);
    return 1;
}

int DebugRemove() {
    CoreLockClose();
    return 1;
}

const char* DebugLogPath() { return LogPath; }

const char* DebugLastText() { return LineBuffer; }

int WriteDebugText(const char* text) {
    int length = StrLength(text);
    if (DebugFlags & DEBUG_CONSOLE) PlatConsoleWrite(text, length);
    if (DebugFlags & DEBUG_LOGFILE) AppendToLogFile(text, length);
    return 1;
}

int FormatDebugText(int mode, const char* prefix, const char* file, int line, const char* format,
                    va_list arguments) {
    CoreLock();
    if (mode != 1) {
        FormatAt(0, format, arguments);
        WriteDebugText(LineBuffer);
    } else {
        StrCopy(LineBuffer, "\n\n");
        StrAppendN(LineBuffer, prefix ? prefix : "", LINE_BUFFER_SIZE);
        FormatAt(StrLength(LineBuffer), format, arguments);
        FormatAtEnd("       (%s/%d)\n", file ? file : "(null)", line);
        // The notice comes first and appears even with diagnostics off,
        // unless nobody is there to dismiss it.
        if (!RunsUnattended()) PlatFatalNotice(LineBuffer + 2, FATAL_CAPTION);
        WriteDebugText(LineBuffer);
    }
    CheckTextLength();
    CoreUnlock();
    return 1;
}

int LogPrint(const char* format, ...) {
    if (DebugFlags == 0) return 1;
    va_list arguments;
    va_start(arguments, format);
    FormatDebugText(0, nullptr, nullptr, 0, format, arguments);
    va_end(arguments);
    return 1;
}

int LogSection(const char* title) {
    if (DebugFlags == 0) return 1;
    CoreLock();
    int width;
    if (title) {
        StrCopy(LineBuffer, "\n====[");
        StrAppendN(LineBuffer, title, LINE_BUFFER_SIZE);
        StrAppendN(LineBuffer, "]", LINE_BUFFER_SIZE);
        width = 80;
    } else {
        StrCopy(LineBuffer, "====");
        width = 79;
    }
    for (int length = StrLength(LineBuffer); length < width; length++) LineBuffer[length] = '=';
    LineBuffer[width] = '\n';
    LineBuffer[width + 1] = '\0';
    WriteDebugText(LineBuffer);
    CoreUnlock();
    return 1;
}

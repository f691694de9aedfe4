// Win32 backend: the diagnostic console window and the fatal-error notice.
#include <windows.h>

#include "platform/platform.h"

static HANDLE ConsoleOutput = nullptr;

int PlatConsoleOpen(const char* title) {
    // A program started from a console already has one; AllocConsole then
    // fails and the inherited standard output serves.
    AllocConsole();
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) return 0;
    ConsoleOutput = output;
    if (title != nullptr) SetConsoleTitleA(title);
    return 1;
}

void PlatConsoleWrite(const char* text, int length) {
    if (ConsoleOutput == nullptr || text == nullptr || length <= 0) return;
    DWORD written = 0;
    WriteFile(ConsoleOutput, text, static_cast<DWORD>(length), &written, nullptr);
}

// A program of the windows subsystem has a standard output only when its
// starter handed it one, such as a redirection to a file.
static HANDLE OpenReportOutput() {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output != nullptr && output != INVALID_HANDLE_VALUE && GetFileType(output) != FILE_TYPE_UNKNOWN)
        return output;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) AllocConsole();
    output = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
    return output == INVALID_HANDLE_VALUE ? nullptr : output;
}

void PlatReportLine(const char* line) {
    static HANDLE output = OpenReportOutput();
    if (output == nullptr) return;
    DWORD written = 0;
    if (line != nullptr) WriteFile(output, line, lstrlenA(line), &written, nullptr);
    WriteFile(output, "\r\n", 2, &written, nullptr);
}

// The Windows backend has no notices of its own for the log.
void PlatSetLogWriter(void (*)(const char*)) {}

void PlatFatalNotice(const char* text, const char* caption) {
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONERROR);
}

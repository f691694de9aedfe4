// Win32 backend: the diagnostic console window and the fatal-error notice.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/wide.h"

#include <cstring>
#include <string>

static HANDLE ConsoleOutput = nullptr;

int PlatConsoleOpen(const char* title) {
    // A program started from a console already has one; AllocConsole then
    // fails and the inherited standard output serves.
    AllocConsole();
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) return 0;
    ConsoleOutput = output;
    if (title != nullptr) SetConsoleTitleW(Widen(title).c_str());
    return 1;
}

// A console shows UTF-16 whatever its code page; a file or pipe the output
// was redirected to gets the program's UTF-8 as it is.
static void WriteText(HANDLE output, const char* text, int length) {
    DWORD written = 0;
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode)) {
        const std::wstring wide = Widen(std::string(text, static_cast<size_t>(length)).c_str());
        WriteConsoleW(output, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        WriteFile(output, text, static_cast<DWORD>(length), &written, nullptr);
    }
}

void PlatConsoleWrite(const char* text, int length) {
    if (ConsoleOutput == nullptr || text == nullptr || length <= 0) return;
    WriteText(ConsoleOutput, text, length);
}

// A program of the windows subsystem has a standard output only when its
// starter handed it one, such as a redirection to a file.
static HANDLE OpenReportOutput() {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output != nullptr && output != INVALID_HANDLE_VALUE && GetFileType(output) != FILE_TYPE_UNKNOWN)
        return output;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) AllocConsole();
    output = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
    return output == INVALID_HANDLE_VALUE ? nullptr : output;
}

void PlatReportLine(const char* line) {
    static HANDLE output = OpenReportOutput();
    if (output == nullptr) return;
    if (line != nullptr && line[0] != '\0') WriteText(output, line, static_cast<int>(strlen(line)));
    WriteText(output, "\r\n", 2);
}

// The Windows backend has no notices of its own for the log.
void PlatSetLogWriter(void (*)(const char*)) {}

void PlatFatalNotice(const char* text, const char* caption) {
    MessageBoxW(nullptr, Widen(text).c_str(), Widen(caption).c_str(), MB_OK | MB_ICONERROR);
}

// Win32 backend: starting other programs, waiting for them, exit codes.
// A PlatProcess is the process handle itself.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/shell-verb.h"
#include "platform/win32/wide.h"

static PlatProcess FromHandle(HANDLE handle) { return reinterpret_cast<PlatProcess>(handle); }
static HANDLE ToHandle(PlatProcess process) { return reinterpret_cast<HANDLE>(process); }

int PlatStartProcess(const char* commandLine, PlatProcess* process) {
    // CreateProcessW may write into the command line it is given.
    std::wstring line = Widen(commandLine);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return 0;
    }
    CloseHandle(started.hThread);
    if (process != nullptr) {
        *process = FromHandle(started.hProcess);
    } else {
        CloseHandle(started.hProcess);
    }
    return 1;
}

int ShellExecuteVerb(const char* verb, const char* file, const char* parameters,
                     PlatProcess* process) {
    const std::wstring wideVerb = Widen(verb);
    const std::wstring wideFile = Widen(file);
    const std::wstring wideParameters = Widen(parameters);
    SHELLEXECUTEINFOW request = {};
    request.cbSize = sizeof(request);
    request.fMask = SEE_MASK_NOCLOSEPROCESS;
    request.lpVerb = wideVerb.c_str();
    request.lpFile = wideFile.c_str();
    request.lpParameters = parameters != nullptr ? wideParameters.c_str() : nullptr;
    request.nShow = SW_SHOWDEFAULT;
    if (!ShellExecuteExW(&request)) return 0;
    // A document handed to a program that was already running has no process.
    if (process != nullptr) {
        *process = FromHandle(request.hProcess);
    } else if (request.hProcess != nullptr) {
        CloseHandle(request.hProcess);
    }
    return 1;
}

int PlatShellOpen(const char* file, const char* parameters, PlatProcess* process) {
    return ShellExecuteVerb("open", file, parameters, process);
}

int PlatWaitProcess(PlatProcess process, uint32_t milliseconds) {
    // A failed wait ends the waiting too: only a time-out means "still running".
    return WaitForSingleObject(ToHandle(process), milliseconds) != WAIT_TIMEOUT ? 1 : 0;
}

int PlatProcessExitCode(PlatProcess process, uint32_t* exitCode) {
    DWORD code = 0;
    if (!GetExitCodeProcess(ToHandle(process), &code)) return 0;
    *exitCode = code;
    return 1;
}

void PlatCloseProcess(PlatProcess process) {
    if (process != nullptr) CloseHandle(ToHandle(process));
}

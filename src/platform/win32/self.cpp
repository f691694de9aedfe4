// Win32 backend: the running program itself (command line, module path,
// exit, clock) and the handle of itself that relocation hands to its copy.
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/wide.h"

const char* PlatGetCommandLine() {
    // The system's line does not change while the program runs.
    static const std::string line = Narrow(GetCommandLineW());
    return line.c_str();
}

int PlatGetModulePath(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    // A long path does not fit MAX_PATH: grow until the whole name came.
    std::wstring wide(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
        if (length < wide.size() || wide.size() >= 32768) {
            wide.resize(length < wide.size() ? length : 0);
            break;
        }
        wide.resize(wide.size() * 2);
    }
    return NarrowInto(wide.c_str(), buffer, size);
}

void PlatExit(int status) { ExitProcess(static_cast<UINT>(status)); }

uint32_t PlatTickCount() { return GetTickCount(); }

void PlatSleep(uint32_t milliseconds) { Sleep(milliseconds); }

uintptr_t PlatOpenSelfInheritable() {
    HANDLE self = OpenProcess(SYNCHRONIZE, TRUE, GetCurrentProcessId());
    return reinterpret_cast<uintptr_t>(self);
}

void PlatCloseHandle(uintptr_t handle) {
    if (handle != 0) CloseHandle(reinterpret_cast<HANDLE>(handle));
}

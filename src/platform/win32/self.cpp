// Win32 backend: the running program itself (command line, module path,
// exit, clock) and the handle of itself that relocation hands to its copy.
#include <windows.h>

#include "platform/platform.h"

const char* PlatGetCommandLine() { return GetCommandLineA(); }

int PlatGetModulePath(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    DWORD length = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
    // A path that does not fit is cut (XP leaves it unterminated then).
    if (length >= static_cast<DWORD>(size)) length = static_cast<DWORD>(size - 1);
    buffer[length] = '\0';
    return static_cast<int>(length);
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

// Win32 backend: the version query, the memory status and the screen.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/wide.h"

#include <cstring>

int PlatGetVersionInfo(PlatVersionInfo* info) {
    if (info == nullptr)
        return 0;
    OSVERSIONINFOW version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExW(&version))
        return 0;
    info->major = version.dwMajorVersion;
    info->minor = version.dwMinorVersion;
    info->build = version.dwBuildNumber;
    info->platform = version.dwPlatformId;
    NarrowInto(version.szCSDVersion, info->servicePack, PLAT_SERVICE_PACK_SIZE);
    return 1;
}

int PlatGetMemoryInfo(PlatMemoryInfo* info) {
    if (info == nullptr)
        return 0;
    MEMORYSTATUSEX status;
    std::memset(&status, 0, sizeof status);
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return 0;
    info->totalPhysical = status.ullTotalPhys;
    info->totalPageFile = status.ullTotalPageFile;
    return 1;
}

int PlatGetScreenInfo(int* width, int* height, int* bitsPerPixel) {
    if (width == nullptr || height == nullptr || bitsPerPixel == nullptr)
        return 0;
    *width = *height = *bitsPerPixel = 0;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr)
        return 0;
    *width = GetDeviceCaps(screen, HORZRES);
    *height = GetDeviceCaps(screen, VERTRES);
    *bitsPerPixel = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return 1;
}

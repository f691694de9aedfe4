// POSIX backend: the closest host facts to Windows' version query, memory
// status and screen. The version is the kernel's release with the
// distribution's name as its "service pack"; the page file counts memory
// plus swap, as Windows' total page file counts memory plus page files; the
// screen is the X display's, when there is one.
#include "platform/platform.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/sysinfo.h>
#include <sys/utsname.h>

namespace {

// The leading "A.B.C" of a kernel release such as "6.1.0-18-amd64"; numbers
// that are missing stay 0.
void ParseRelease(const char* release, uint32_t* numbers, int count) {
    const char* p = release;
    for (int i = 0; i < count; i++) {
        numbers[i] = 0;
        if (*p < '0' || *p > '9')
            continue;
        char* end = nullptr;
        numbers[i] = static_cast<uint32_t>(std::strtoul(p, &end, 10));
        p = *end == '.' ? end + 1 : "";
    }
}

// PRETTY_NAME of os-release(5), without its quotes; empty when unknown.
std::string DistributionName() {
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        FILE* file = std::fopen(path, "r");
        if (file == nullptr)
            continue;
        char line[512];
        std::string name;
        while (std::fgets(line, sizeof line, file) != nullptr) {
            if (std::strncmp(line, "PRETTY_NAME=", 12) != 0)
                continue;
            name = line + 12;
            while (!name.empty() && (name.back() == '\n' || name.back() == '\r'))
                name.pop_back();
            if (name.size() >= 2 && (name[0] == '"' || name[0] == '\'') && name.back() == name[0])
                name = name.substr(1, name.size() - 2);
            break;
        }
        std::fclose(file);
        if (!name.empty())
            return name;
    }
    return "";
}

void CopyCut(const std::string& text, char* buffer, size_t size) {
    size_t length = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

} // namespace

int PlatGetVersionInfo(PlatVersionInfo* info) {
    if (info == nullptr)
        return 0;
    utsname host;
    if (uname(&host) != 0)
        return 0;
    uint32_t numbers[3];
    ParseRelease(host.release, numbers, 3);
    info->major = numbers[0];
    info->minor = numbers[1];
    info->build = numbers[2];
    info->platform = PLAT_PLATFORM_POSIX;
    std::string name = DistributionName();
    if (name.empty())
        name = std::string(host.sysname) + " " + host.release;
    CopyCut(name, info->servicePack, sizeof info->servicePack);
    return 1;
}

int PlatGetMemoryInfo(PlatMemoryInfo* info) {
    if (info == nullptr)
        return 0;
    struct sysinfo status;
    if (sysinfo(&status) != 0)
        return 0;
    uint64_t unit = status.mem_unit != 0 ? status.mem_unit : 1;
    info->totalPhysical = static_cast<uint64_t>(status.totalram) * unit;
    info->totalPageFile = (static_cast<uint64_t>(status.totalram) + status.totalswap) * unit;
    return 1;
}

int PlatGetScreenInfo(int* width, int* height, int* bitsPerPixel) {
    if (width == nullptr || height == nullptr || bitsPerPixel == nullptr)
        return 0;
    *width = *height = *bitsPerPixel = 0;
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0')
        return 0;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 0;
    int screen = DefaultScreen(display);
    *width = DisplayWidth(display, screen);
    *height = DisplayHeight(display, screen);
    // Bits per pixel as Windows counts them: a depth of 24 is usually
    // stored in 32 bits.
    int depth = DefaultDepth(display, screen);
    *bitsPerPixel = depth;
    int count = 0;
    if (XPixmapFormatValues* formats = XListPixmapFormats(display, &count)) {
        for (int i = 0; i < count; i++) {
            if (formats[i].depth == depth)
                *bitsPerPixel = formats[i].bits_per_pixel;
        }
        XFree(formats);
    }
    XCloseDisplay(display);
    return 1;
}

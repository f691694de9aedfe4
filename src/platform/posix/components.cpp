// Section 4 of the seam: components are shared objects, loaded with
// dlopen; their entry points have the same names as on Windows.
#include "platform/platform.h"

#include "platform/posix/hostpath.h"
#include "platform/posix/lasterror.h"

#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <sys/stat.h>

HMODULE PlatLoadComponent(const char* path) {
    char host[PATH_MAX];
    if (!HostPathFromWindows(path, host, sizeof host))
        return nullptr;
    struct stat info;
    bool exists = stat(host, &info) == 0;
    // dlopen searches only the library path for a bare name; Windows looks
    // in the current folder as well.
    std::string target = exists && !strchr(host, '/') ? std::string("./") + host : host;
    void* module = dlopen(target.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        SetPlatLastError(exists ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
    return static_cast<HMODULE>(module);
}

void* PlatComponentEntry(HMODULE module, const char* name) {
    if (!module || !name) {
        SetPlatLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void* entry = dlsym(module, name);
    if (!entry)
        SetPlatLastError(ERROR_PROC_NOT_FOUND);
    return entry;
}

void PlatFreeComponent(HMODULE module) {
    if (module)
        dlclose(module);
}

// Common controls, COM and OLE have nothing to start on POSIX.
void PlatInitCommonControls(uint32_t) {}
int32_t PlatComInitialize() {
    return 0;
}
int32_t PlatOleInitialize() {
    return 0;
}
void PlatOleUninitialize() {}
void PlatComUninitialize() {}

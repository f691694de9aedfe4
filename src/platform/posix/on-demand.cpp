// Opening a library and finding a function in it, for the functions that
// on-demand.h defines.
#include "platform/posix/on-demand.h"

#include <dlfcn.h>

void* OnDemandOpen(const char* soname) {
    // Local: the library's own references never bind to the functions
    // defined in its name here.
    return dlopen(soname, RTLD_NOW | RTLD_LOCAL);
}

void* OnDemandSymbol(void* library, const char* name) {
    return library != nullptr ? dlsym(library, name) : nullptr;
}

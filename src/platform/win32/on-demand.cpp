// Loading a system library and finding a function in it, for the functions
// that on-demand.h defines.
#include "platform/win32/on-demand.h"

HMODULE OnDemandOpen(const wchar_t* name) {
    // The system folder alone: a DLL of the same name planted beside the
    // program (a download folder) is never loaded.
    return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void* OnDemandSymbol(HMODULE library, const char* name) {
    return library != nullptr ? reinterpret_cast<void*>(GetProcAddress(library, name)) : nullptr;
}

// Win32 backend: component DLLs, and the common controls, COM and OLE that
// the working road starts before the script runs.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "platform/platform.h"
#include "platform/win32/wide.h"

HMODULE PlatLoadComponent(const char* path) {
    // The component's own folder is searched for the DLLs it needs.
    return LoadLibraryExW(WidenPath(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void* PlatComponentEntry(HMODULE module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(module, name));
}

void PlatFreeComponent(HMODULE module) {
    if (module != nullptr) FreeLibrary(module);
}

void PlatInitCommonControls(uint32_t classes) {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = classes;
    InitCommonControlsEx(&controls);
}

int32_t PlatComInitialize() { return CoInitialize(nullptr); }

int32_t PlatOleInitialize() { return OleInitialize(nullptr); }

void PlatOleUninitialize() { OleUninitialize(); }

void PlatComUninitialize() { CoUninitialize(); }

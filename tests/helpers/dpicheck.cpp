// dpicheck: how the program's dialogs lay out at the system's DPI (Windows
// only). Loads the program file given as data, takes on the DPI awareness
// its manifest declares (as the system's loader does for the program),
// creates each dialog hidden from its template, as the program does, and
// prints, one per line:
//
//   awareness <per-monitor-v2|per-monitor|none>
//   dialog <id> <dpi> <client width> <client height>
//   control <dialog id> <control id> <left> <top> <right> <bottom>
//
// Control rectangles are in the dialog's client coordinates. Exit status 0,
// 1 on wrong usage or when the program cannot be loaded.
//
//   dpicheck PROGRAM DIALOG_ID...
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <commctrl.h>

#include "platform/platform.h"
#include "ui/dialog-templates.h"

namespace {

std::string ManifestOf(HMODULE program) {
    HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    if (found == nullptr) return "";
    HGLOBAL loaded = LoadResource(program, found);
    const char* text = static_cast<const char*>(LockResource(loaded));
    return text != nullptr ? std::string(text, SizeofResource(program, found)) : "";
}

// What the manifest asks for, and that awareness taken on by this process.
const char* TakeOnAwareness(const std::string& manifest) {
    typedef BOOL(WINAPI * SetContext)(HANDLE);
    auto set = reinterpret_cast<SetContext>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDpiAwarenessContext")));
    const char* name = "none";
    intptr_t context = 0;
    if (manifest.find("PerMonitorV2") != std::string::npos) {
        name = "per-monitor-v2";
        context = -4;
    } else if (manifest.find("true/pm") != std::string::npos) {
        name = "per-monitor";
        context = -3;
    }
    if (context != 0 && set != nullptr) set(reinterpret_cast<HANDLE>(context));
    return name;
}

UINT DpiOf(HWND window) {
    typedef UINT(WINAPI * GetDpi)(HWND);
    auto get = reinterpret_cast<GetDpi>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    return get != nullptr ? get(window) : 0;
}

void Report(int id) {
    // No procedure: the system handles every message.
    HWND dialog = PlatDialogCreate(FindDialogTemplate(id), nullptr, nullptr, nullptr);
    if (dialog == nullptr) {
        std::printf("missing %d\n", id);
        return;
    }
    RECT client;
    GetClientRect(dialog, &client);
    std::printf("dialog %d %u %ld %ld\n", id, DpiOf(dialog), client.right, client.bottom);
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        std::printf("control %d %d %ld %ld %ld %ld\n", id, GetDlgCtrlID(child), rect.left,
                    rect.top, rect.right, rect.bottom);
    }
    DestroyWindow(dialog);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: dpicheck PROGRAM DIALOG_ID...\n", stderr);
        return 1;
    }
    HMODULE program = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (program == nullptr) {
        std::fprintf(stderr, "dpicheck: cannot load '%s'\n", argv[1]);
        return 1;
    }
    std::printf("awareness %s\n", TakeOnAwareness(ManifestOf(program)));
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x1FFF};
    InitCommonControlsEx(&controls);
    for (int i = 2; i < argc; ++i) Report(std::atoi(argv[i]));
    std::fflush(stdout);
    return 0;
}
#else
int main() {
    std::fputs("dpicheck: Windows dialogs only\n", stderr);
    return 1;
}
#endif

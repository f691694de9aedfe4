// Where the dialog tests find the dialog templates. POSIX builds them from
// the portable table, so any instance will do. On Windows they are
// resources of the program, which lies one folder above the test program:
// its file is loaded as data, and tests without it are skipped.
#pragma once

#include "platform/platform.h"

#ifdef _WIN32
#include <windows.h>

#include <string>

inline HINSTANCE DialogTemplateModule() {
    static HINSTANCE module = [] {
        char path[MAX_PATH];
        DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
        std::string folder(path, length);
        folder = folder.substr(0, folder.find_last_of('\\'));
        std::string program = folder.substr(0, folder.find_last_of('\\')) + "\\uninstall.exe";
        return static_cast<HINSTANCE>(LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    }();
    return module;
}

#define REQUIRE_DIALOG_TEMPLATES()                                              \
    do {                                                                        \
        if (DialogTemplateModule() == nullptr) GTEST_SKIP() << "no uninstall.exe"; \
    } while (0)
#else
inline HINSTANCE DialogTemplateModule() { return nullptr; }
#define REQUIRE_DIALOG_TEMPLATES() \
    do {                           \
    } while (0)
#endif

// The installation script: its record, and loading, running and freeing it.
#pragma once

#include "platform/wintypes.h"

#include <cstdint>

#define SCRIPT_TEXT_SIZE 160      // every text setting: 159 characters and a NUL
#define SCRIPT_PATH_SIZE 320
#define SCRIPT_MARKER 0x16
// NUL bytes kept behind the script block. A command at the very end of the
// block may still read all its fields: each empty field there costs one of
// these bytes, and no keyword reads more than six fields.
#define SCRIPT_TAIL_SIZE 16

struct InstallScript {
    HWND notifyWindow;
    int32_t runMode;
    char* text;                   // the script block plus SCRIPT_TAIL_SIZE NULs, owned
    int32_t length;

    // Product settings, filled by the keywords.
    char textField[SCRIPT_TEXT_SIZE];
    char companyName[SCRIPT_TEXT_SIZE];
    char productName[SCRIPT_TEXT_SIZE];
    char productVersion[SCRIPT_TEXT_SIZE];
    int32_t listServerNumber;
    char listServerName[SCRIPT_TEXT_SIZE];
    char listServerText[SCRIPT_TEXT_SIZE];
    char registryPath[SCRIPT_TEXT_SIZE];
    int32_t installSize;
    char installPath[SCRIPT_TEXT_SIZE];
    char installDir[SCRIPT_TEXT_SIZE];
    char installName[SCRIPT_TEXT_SIZE];
    char uninstallName[SCRIPT_TEXT_SIZE];
    char registrationShortcut[SCRIPT_TEXT_SIZE];
    char updateUrl[SCRIPT_TEXT_SIZE];
    char updateKey[SCRIPT_TEXT_SIZE];    // the vendor's public key, hexadecimal
    int32_t fileCount;
    const char* fileList;         // points into `text`
    int32_t tempCount;
    const char* tempList;         // points into `text`

    const char* position;         // where the engine stands
    char restartProgram[SCRIPT_PATH_SIZE];
};

int ScriptLoad(InstallScript** slot, const char* name, int32_t runMode);
int ScriptRun(InstallScript* script, HWND notifyWindow);
int ScriptFree(InstallScript** slot);

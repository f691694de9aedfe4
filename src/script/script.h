// The installation script: its record, and loading, running and freeing it.
#pragma once

#include "platform/wintypes.h"

#include <cstdint>

#define SCRIPT_TEXT_SIZE 160      // every text setting: 159 characters and a NUL
#define SCRIPT_PATH_SIZE 320
#define SCRIPT_MARKER 0x16
// One entry of "FILE LIST" or "TEMP LIST"; a longer entry is not acted on.
#define LIST_ENTRY_SIZE 260
// NUL bytes kept behind the script block. A command at the very end of the
// block may still read all its fields: each empty field there costs one of
// these bytes, and no keyword reads more than six fields.
#define SCRIPT_TAIL_SIZE 16

// Run modes: which work the script's action keywords do, chosen by the
// command line.
#define MODE_NONE 0
#define MODE_UNINSTALL 3
#define MODE_REGISTER_STANDALONE 4
#define MODE_REGISTER_APPLICATION 5
#define MODE_REGISTER_INSTALLER 6
#define MODE_UPDATE 7

struct InstallScript {
    int32_t runMode;
    char* text;                   // the script block in UTF-8 plus SCRIPT_TAIL_SIZE NULs, owned
    int32_t length;
    uint32_t codePage;            // the one the script is stored in: what the vendor reads

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
    // The Start-menu group "CREATE GROUP" named last: the items that follow
    // lie in it ("" until one is named: directly in the Programs folder).
    char groupName[SCRIPT_PATH_SIZE];
};

int ScriptLoad(InstallScript** slot, const char* name, int32_t runMode);
// What ScriptRun came to.
#define SCRIPT_RUN_STOPPED 0     // a keyword's handler stopped the run
#define SCRIPT_RUN_FINISHED 1    // every command ran
#define SCRIPT_RUN_CORRUPTED 2   // a keyword no handler knows: the script is damaged
int ScriptRun(InstallScript* script);
int ScriptFree(InstallScript** slot);

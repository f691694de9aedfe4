#include "script/pathmacro.h"

#include "base/core.h"
#include "base/strings.h"
#include "script/script.h"
#include "system/folders.h"
#include "system/registry.h"

static void ApplyMacro(const InstallScript* settings, char code, char* result, uint32_t* flags) {
    switch (code) {
    case '0':
        GetProgramFilesFolder(result);
        LogPrint("$0 Translates to '%s'\n", result);
        break;
    case '1': GetWindowsFolder(result, PATH_MACRO_SIZE); break;
    case '2': GetSystemFolder(result, PATH_MACRO_SIZE); break;
    case '3': GetProgramFolder(result, PATH_MACRO_SIZE); break;
    case '4': GetTempFolder(result, PATH_MACRO_SIZE); break;
    case '5': GetCurrentFolder(result, PATH_MACRO_SIZE); break;
    case '6':
        if (settings->runMode == MODE_UNINSTALL) GetTempFolder(result, PATH_MACRO_SIZE);
        break;
    case '?': *flags |= PATH_FLAG_QUERY; break;
    default: LogPrint("Unknown command '%c'\n", code); break;
    }
}

int ExpandPathMacros(const InstallScript* settings, const char* text, char* result,
                     uint32_t* flags) {
    StrCopyN(result, settings->installPath, PATH_MACRO_SIZE);
    *flags = 0;

    const char* cursor = text;
    // A lone "$" at the end has no code; it is left as text.
    while (cursor[0] == '$' && cursor[1] != '\0') {
        ApplyMacro(settings, cursor[1], result, flags);
        cursor += 2;
    }
    if (*cursor == '\\') ++cursor;

    if (!StrAppendN(result, cursor, PATH_MACRO_SIZE)) {
        LogPrint("Path too long '%s'\n", text);
        result[0] = '\0';
        return 0;
    }
    return 1;
}

// Keywords whose setting is computed from their fields: a number, a folder
// with its trailing backslash, the two file lists, the list server.
#include "keywords/handlers.h"

#include "base/strings.h"

int SetInstallSize(InstallScript* script, const char* arguments, int32_t* consumed) {
    char number[SCRIPT_TEXT_SIZE];
    ReadField(arguments, number, sizeof number, consumed);
    script->installSize = FieldNumber(number);
    return 1;
}

int SetInstallDir(InstallScript* script, const char* arguments, int32_t* consumed) {
    char* folder = script->installDir;
    ReadField(arguments, folder, SCRIPT_TEXT_SIZE, consumed);
    int length = StrLength(folder);
    // A folder of 159 characters has no room for the separator; it stays as read.
    if (length > 0 && folder[length - 1] != '\\') StrAppendN(folder, "\\", SCRIPT_TEXT_SIZE);
    return 1;
}

// The list stays in the script text; only its place and entry count are kept.
static int SetList(const char* arguments, const char** list, int32_t* count, int32_t* consumed) {
    *list = arguments;
    *count = 1;
    return CountListEntries(arguments, ',', count, consumed);
}

int SetFileList(InstallScript* script, const char* arguments, int32_t* consumed) {
    return SetList(arguments, &script->fileList, &script->fileCount, consumed);
}

int SetTempList(InstallScript* script, const char* arguments, int32_t* consumed) {
    return SetList(arguments, &script->tempList, &script->tempCount, consumed);
}

int SetListServer(InstallScript* script, const char* arguments, int32_t* consumed) {
    ReadField(arguments, script->listServerName, SCRIPT_TEXT_SIZE, consumed);
    script->listServerNumber = FieldNumber(script->listServerName);
    ReadField(arguments, script->listServerName, SCRIPT_TEXT_SIZE, consumed);
    ReadField(arguments, script->listServerText, SCRIPT_TEXT_SIZE, consumed);
    return 1;
}

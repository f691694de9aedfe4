#include "uninstall/groups.h"

#include "base/core.h"
#include "base/strings.h"
#include "platform/platform.h"
#include "system/fileops.h"

#define SHORTCUT_EXTENSION ".lnk"

static int Refuse(char* path, const char* what) {
    LogPrint("Path too long '%s'\n", what);
    path[0] = '\0';
    return 0;
}

int GetGroupFolder(const char* group, char* path) {
    path[0] = '\0';
    if (!PlatGetProgramsFolder(path, GROUP_PATH_SIZE) || path[0] == '\0') {
        // Without it the group would land in the root of a drive.
        LogPrint("Unable to find the Programs folder (0x%.8X)\n", PlatLastError());
        path[0] = '\0';
        return 0;
    }
    if (group[0] == '\0') return 1;
    int length = StrLength(path);
    bool fits = path[length - 1] == '\\' || StrAppendN(path, "\\", GROUP_PATH_SIZE);
    if (!fits || !StrAppendN(path, group, GROUP_PATH_SIZE)) return Refuse(path, group);
    return 1;
}

int GetItemPath(const InstallScript* settings, char* path, const char* name) {
    if (!GetGroupFolder(settings->groupName, path)) return 0;
    bool fits = StrAppendN(path, "\\", GROUP_PATH_SIZE) && StrAppendN(path, name, GROUP_PATH_SIZE) &&
                StrAppendN(path, SHORTCUT_EXTENSION, GROUP_PATH_SIZE);
    if (!fits) return Refuse(path, name);
    return 1;
}

int SetCurrentGroup(InstallScript* settings, const char* group) {
    char folder[GROUP_PATH_SIZE];
    GetGroupFolder(group, folder);
    LogPrint("Delete Group = '%s'\n", folder);
    StrCopyN(settings->groupName, group, sizeof settings->groupName);
    return 1;
}

int DeleteItem(const InstallScript* settings, const char* target, const char* arguments,
               const char* name) {
    LogPrint("Delete Item = '%s' : '%s' ('%s' / '%s')\n", settings->groupName, name, target,
             arguments);
    char path[GROUP_PATH_SIZE];
    if (GetItemPath(settings, path, name)) DeleteLoneFile(path);
    return 1;
}

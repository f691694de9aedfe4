// The product's Start-menu program group and its shortcut items: the group
// that "CREATE GROUP" named last, and the paths of its folder and items.
#pragma once

#include "script/script.h"

#include <cstdint>

#define GROUP_NAME_SIZE 320
#define GROUP_PATH_SIZE 260

extern char CurrentGroup[GROUP_NAME_SIZE];

// Readies the install state for a run: no group named yet.
int InitInstall();

// The folder of `group` in the user's Start-menu Programs folder (the
// Programs folder itself for an empty name) into `path` (260 bytes). 1; 0
// with `path` emptied when the Programs folder is unknown or the result
// would not fit: a cut path would name another folder.
int GetGroupFolder(const char* group, char* path);
// The shortcut file of item `name` in CurrentGroup into `path` (260
// bytes); 0 with `path` emptied as above. Only `name` shapes the result.
int GetItemPath(char* path, const char* target, const char* arguments, int32_t number,
                const char* name);
// Makes `group` the group of the following items. Neither creates nor
// deletes its folder. Returns 1.
int SetCurrentGroup(const char* group);
// Deletes the item's shortcut and the group folders it leaves empty.
// Returns 1: a shortcut that can't be deleted is only logged.
int DeleteItem(InstallScript* settings, const char* target, const char* arguments,
               int32_t number, const char* name);

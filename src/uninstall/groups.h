// The product's Start-menu program group and its shortcut items: the group
// that "CREATE GROUP" named last, and the paths of its folder and items.
#pragma once

#include "script/script.h"

#include <cstdint>

#define GROUP_PATH_SIZE 260

// The folder of `group` in the user's Start-menu Programs folder (the
// Programs folder itself for an empty name) into `path` (260 bytes). 1; 0
// with `path` emptied when the Programs folder is unknown or the result
// would not fit: a cut path would name another folder.
int GetGroupFolder(const char* group, char* path);
// The shortcut file of item `name` in the settings' current group into
// `path` (260 bytes); 0 with `path` emptied as above.
int GetItemPath(const InstallScript* settings, char* path, const char* name);
// Makes `group` the settings' group of the following items. Neither creates
// nor deletes its folder. Returns 1.
int SetCurrentGroup(InstallScript* settings, const char* group);
// Deletes the item's shortcut and the group folders it leaves empty.
// Returns 1: a shortcut that can't be deleted is only logged.
int DeleteItem(const InstallScript* settings, const char* target, const char* arguments,
               const char* name);

// "CREATE GROUP" and "ADD ITEM": the product's Start-menu group and shortcuts.
#include "keywords/field-sizes.h"
#include "keywords/handlers.h"
#include "uninstall/groups.h"

#include "base/core.h"
#include "base/identity.h"
#include "base/strings.h"

// The arguments of the shortcut that starts the registration.
#define REGISTRATION_ARGUMENTS "-Register"

int DoCreateGroup(InstallScript* script, const char* arguments, int32_t* consumed) {
    char group[ITEM_FIELD_SIZE];
    ReadField(arguments, group, sizeof group, consumed);
    return SetCurrentGroup(script, group);
}

// The registration run removes this shortcut once the product is registered.
static void NoteRegistrationShortcut(InstallScript* script, const char* name) {
    char path[GROUP_PATH_SIZE];
    if (!GetItemPath(script, path, name)) return;
    // Cut short, it would name another file for "DONE" to delete.
    if (!StrCopyN(script->registrationShortcut, path, sizeof script->registrationShortcut)) {
        LogPrint("Path too long '%s'\n", path);
        script->registrationShortcut[0] = '\0';
    }
}

int DoAddItem(InstallScript* script, const char* arguments, int32_t* consumed) {
    char number[ITEM_NUMBER_SIZE];    // read past: no removal needs it
    char target[ITEM_FIELD_SIZE];
    char itemArguments[ITEM_FIELD_SIZE];
    char name[ITEM_FIELD_SIZE];
    ReadField(arguments, number, sizeof number, consumed);
    ReadField(arguments, target, sizeof target, consumed);
    ReadField(arguments, itemArguments, sizeof itemArguments, consumed);
    ReadField(arguments, name, sizeof name, consumed);

    if (script->runMode == MODE_UNINSTALL) {
        return DeleteItem(script, target, itemArguments, name);
    }
    if (StrEqualNoCase(itemArguments, REGISTRATION_ARGUMENTS)) {
        NoteRegistrationShortcut(script, name);
    }
    return 1;
}

// "CREATE GROUP" and "ADD ITEM": the product's Start-menu group and shortcuts.
#include "uninstall/groups.h"
#include "keywords/field-sizes.h"
#include "keywords/handlers.h"

#include "base/identity.h"
#include "base/core.h"
#include "base/strings.h"

// The arguments of the shortcut that starts the registration.
#define REGISTRATION_ARGUMENTS "-Register"

int DoCreateGroup(InstallScript*, const char* arguments, int32_t* consumed) {
    char group[ITEM_FIELD_SIZE];
    ReadField(arguments, group, sizeof group, consumed);
    return SetCurrentGroup(group);
}

// The registration run removes this shortcut once the product is registered.
static void NoteRegistrationShortcut(InstallScript* script, const char* target,
                                     const char* arguments, int32_t number, const char* name) {
    char path[GROUP_PATH_SIZE];
    if (!GetItemPath(path, target, arguments, number, name)) return;
    // Cut short, it would name another file for "DONE" to delete.
    if (!StrCopyN(script->registrationShortcut, path, sizeof script->registrationShortcut)) {
        LogPrint("Path too long '%s'\n", path);
        script->registrationShortcut[0] = '\0';
    }
}

int DoAddItem(InstallScript* script, const char* arguments, int32_t* consumed) {
    char number[ITEM_NUMBER_SIZE];
    char target[ITEM_FIELD_SIZE];
    char itemArguments[ITEM_FIELD_SIZE];
    char name[ITEM_FIELD_SIZE];
    ReadField(arguments, number, sizeof number, consumed);
    ReadField(arguments, target, sizeof target, consumed);
    ReadField(arguments, itemArguments, sizeof itemArguments, consumed);
    ReadField(arguments, name, sizeof name, consumed);
    int32_t itemNumber = FieldNumber(number);
    if (itemNumber < 0) itemNumber = 0;

    if (script->runMode == MODE_UNINSTALL) {
        return DeleteItem(script, target, itemArguments, itemNumber, name);
    }
    if (StrEqualNoCase(itemArguments, REGISTRATION_ARGUMENTS)) {
        NoteRegistrationShortcut(script, target, itemArguments, itemNumber, name);
    }
    return 1;
}

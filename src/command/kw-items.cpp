// "CREATE GROUP" and "ADD ITEM": the product's Start-menu group and shortcuts.
#include "command/handlers.h"

#include "winmain/identity.h"
#include "zunkcore/zunk-str.h"

#define ITEM_NUMBER_SIZE 20
#define ITEM_FIELD_SIZE 160

int DoCreateGroup(InstallScript*, const char* arguments, int32_t* consumed) {
    char group[ITEM_FIELD_SIZE];
    ReadField(arguments, group, sizeof group, consumed);
    return ReportActionUnavailable("CREATE GROUP");
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

    bool acts = script->runMode == MODE_UNINSTALL || StrEqualNoCase(itemArguments, "-Register");
    if (acts) ReportActionUnavailable("ADD ITEM");
    return 1;
}

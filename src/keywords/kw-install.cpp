// "INSTALL" removes the installed product after the user's confirmation;
// "DONE" closes every run: the product's uninstall entry and the completion
// message, the registration shortcut, the update check, the restart program.
#include "keywords/field-sizes.h"
#include "keywords/handlers.h"
#include "system/fileops.h"
#include "uninstall/uninstall.h"
#include "update/update.h"

int DoUninstall(InstallScript* script, const char*, int32_t*) {
    if (script->runMode != MODE_UNINSTALL) return 1;
    return RemoveProduct(script);
}

int DoDone(InstallScript* script, const char* arguments, int32_t* consumed) {
    if (script->runMode == MODE_UNINSTALL) {
        char unused[DONE_FIELD_SIZE];
        ReadField(arguments, unused, sizeof unused, consumed);
        FinishRemoval(script);
    }
    int32_t mode = script->runMode;
    if (mode >= MODE_REGISTER_STANDALONE && mode <= MODE_REGISTER_INSTALLER &&
        script->registrationShortcut[0] != '\0') {
        DeleteLoneFile(script->registrationShortcut);
    }
    if (mode == MODE_UPDATE) CheckForUpdate(script);
    if (script->restartProgram[0] != '\0') {
        uint32_t exitCode = 0;
        RunProgram(script->restartProgram, "", 0, &exitCode);
    }
    return 1;
}

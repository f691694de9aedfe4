// "INSTALL" removes the installed product; "DONE" closes every run.
#include "command/handlers.h"

#include "winmain/identity.h"

#define DONE_FIELD_SIZE 320

int DoUninstall(InstallScript* script, const char*, int32_t*) {
    if (script->runMode != MODE_UNINSTALL) return 1;
    return ReportActionUnavailable("INSTALL");
}

int DoDone(InstallScript* script, const char* arguments, int32_t* consumed) {
    int32_t mode = script->runMode;
    if (mode == MODE_UNINSTALL) {
        char unused[DONE_FIELD_SIZE];
        ReadField(arguments, unused, sizeof unused, consumed);
    }
    bool acts = (mode >= MODE_UNINSTALL && mode <= MODE_UPDATE) ||
                script->restartProgram[0] != '\0';
    if (acts) ReportActionUnavailable("DONE");
    return 1;
}

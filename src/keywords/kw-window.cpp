// "WINDOW": closes the product's running windows before the uninstallation.
#include "base/core.h"
#include "keywords/field-sizes.h"
#include "keywords/handlers.h"
#include "script/pathmacro.h"
#include "uninstall/windows.h"


int DoWindow(InstallScript* script, const char* arguments, int32_t* consumed) {
    char closeMode[WINDOW_NUMBER_SIZE];
    char totalWait[WINDOW_NUMBER_SIZE];
    char title[WINDOW_TEXT_SIZE];
    char className[WINDOW_TEXT_SIZE];
    char program[WINDOW_PROGRAM_SIZE];
    char message[WINDOW_TEXT_SIZE];
    ReadField(arguments, closeMode, sizeof closeMode, consumed);
    ReadField(arguments, totalWait, sizeof totalWait, consumed);
    ReadField(arguments, title, sizeof title, consumed);
    ReadField(arguments, className, sizeof className, consumed);
    ReadField(arguments, program, sizeof program, consumed);
    ReadField(arguments, message, sizeof message, consumed);

    // Remembered for "DONE"; emptied again unless the product was running.
    uint32_t flags = 0;
    ExpandPathMacros(script, program, script->restartProgram, &flags);

    int32_t mode = WINDOW_CLOSE_SILENTLY;
    if (closeMode[0] == '1') mode = WINDOW_REFUSE_TO_CLOSE;
    if (closeMode[0] == '2') mode = WINDOW_ASK_TO_CLOSE;
    int32_t wait = FieldNumber(totalWait);

    if (!CloseProductWindows(script, mode, wait, title, className, program, message)) {
        LogPrint("Unable to close Window %d:'%s' '%s'\n", mode, title, className);
        return 0;
    }
    return 1;
}

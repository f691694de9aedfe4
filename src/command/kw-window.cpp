// "WINDOW": closes the product's running windows before the uninstallation.
#include "command/handlers.h"

#define WINDOW_NUMBER_SIZE 20
#define WINDOW_MATCH_SIZE 120
#define WINDOW_PROGRAM_SIZE 320

int DoWindow(InstallScript*, const char* arguments, int32_t* consumed) {
    char closeMode[WINDOW_NUMBER_SIZE];
    char totalWait[WINDOW_NUMBER_SIZE];
    char title[WINDOW_MATCH_SIZE];
    char className[WINDOW_MATCH_SIZE];
    char program[WINDOW_PROGRAM_SIZE];
    char message[WINDOW_MATCH_SIZE];
    ReadField(arguments, closeMode, sizeof closeMode, consumed);
    ReadField(arguments, totalWait, sizeof totalWait, consumed);
    ReadField(arguments, title, sizeof title, consumed);
    ReadField(arguments, className, sizeof className, consumed);
    ReadField(arguments, program, sizeof program, consumed);
    ReadField(arguments, message, sizeof message, consumed);
    return ReportActionUnavailable("WINDOW");
}

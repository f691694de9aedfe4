#include "system/elevation.h"

#include "base/core.h"
#include "base/logfile.h"
#include "base/runstyle.h"
#include "base/strings.h"
#include "platform/platform.h"
#include "system/message-queue.h"

#include <cstdio>

#define ELEVATED_PARAMETERS_SIZE 512
#define MODULE_PATH_SIZE 320
// Windows' ERROR_INSUFFICIENT_BUFFER: the arguments do not fit the command.
static const uint32_t PARAMETERS_TOO_LONG = 122;

int ElevationNeeded(const ElevationFacts* facts) {
    if (facts->writable || facts->elevated || !facts->uac) return 0;
    return 1;
}

static int CommandLineHasElevatedSwitch() {
    const char* at = nullptr;
    return StrFindNoCase(PlatGetCommandLine(), ELEVATED_SWITCH, &at);
}

// The copy that ElevateIfNeeded started carries the switch, and the
// process that started it is the asking copy of this program. Typed by
// hand, the switch counts for nothing.
static int StartedByAskingProcess() {
    return CommandLineHasElevatedSwitch() && PlatStartedBySameProgram() ? 1 : 0;
}

int RunningElevatedCopy() {
    int elevated = 0, uac = 0;
    PlatGetElevation(&elevated, &uac);
    if (!elevated || !StartedByAskingProcess()) return 0;
    LogPrint("Questions answered by the asking process\n");
    return 1;
}

static int ProductWritable(const char* installPath, const char* uninstallKey) {
    if (!PlatFolderWritable(installPath)) return 0;
    return uninstallKey == nullptr || PlatRegKeyDeletable(HKEY_LOCAL_MACHINE, uninstallKey);
}

static int Declined(uint32_t error, uint32_t* declineError) {
    LogPrint(error == ERROR_CANCELLED ? "Elevation declined (%d) (0x%.8X)\n"
                                      : "Elevation failed (%d) (0x%.8X)\n",
             int(error), error);
    *declineError = error;
    return ELEVATION_DECLINED;
}

// The same program with the same arguments, marked as the elevated copy.
// With "-debug" or "-log" it goes on writing the same log instead of
// emptying it (it may run in another folder: it is given the log's path).
static int ElevatedCommand(char* module, char* parameters) {
    PlatGetModulePath(module, MODULE_PATH_SIZE);
    const char* tail = GetCommandArgument(PlatGetCommandLine(), 1, nullptr);
    char copyTail[ELEVATED_PARAMETERS_SIZE] = "";
    if (tail != nullptr && !TailForCopy(tail, DebugLogPath(), copyTail, sizeof copyTail))
        return 0;
    int length = std::snprintf(parameters, ELEVATED_PARAMETERS_SIZE, "%s%s%s -append", copyTail,
                               tail != nullptr ? " " : "", ELEVATED_SWITCH);
    return length > 0 && length < ELEVATED_PARAMETERS_SIZE;
}

int ElevateIfNeeded(const char* installPath, const char* uninstallKey, uint32_t* declineError) {
    // The elevated copy does the work with what it has: asking again could
    // only loop.
    if (StartedByAskingProcess()) return ELEVATION_PROCEED;
    // A plan changes nothing, so it needs no rights to change anything.
    if (PlanOnly()) return ELEVATION_PROCEED;
    ElevationFacts facts = {0, 0, 1};
    PlatGetElevation(&facts.elevated, &facts.uac);
    facts.writable = ProductWritable(installPath, uninstallKey);
    if (!ElevationNeeded(&facts)) return ELEVATION_PROCEED;

    LogPrint("Elevation needed for '%s'\n", installPath);
    char module[MODULE_PATH_SIZE];
    char parameters[ELEVATED_PARAMETERS_SIZE];
    if (!ElevatedCommand(module, parameters)) return Declined(PARAMETERS_TOO_LONG, declineError);
    LogPrint("Elevate: runas '%s' '%s'\n", module, parameters);
    PlatProcess process = nullptr;
    if (!PlatShellRunAs(module, parameters, &process)) return Declined(PlatLastError(), declineError);
    uint32_t exitCode = 0;
    if (process != nullptr) {
        // The elevated copy shows its own windows; ours stay alive meanwhile.
        do {
            PumpMessages();
        } while (!PlatWaitProcess(process, 500));
        PlatProcessExitCode(process, &exitCode);
        PlatCloseProcess(process);
    }
    LogPrint("Elevated copy ended (%d)\n", int(exitCode));
    // A silent copy's status says what became of the product.
    NoteUninstallOutcome(static_cast<int>(exitCode));
    return ELEVATION_HANDED_OVER;
}

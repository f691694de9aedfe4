// One run of the program, from start-up to exit. A process either relocates
// itself and ends, or does the work: it opens the archive appended to its
// own file, runs the installation script from it and tears everything down
// in the reverse order of creation.

#include "app/relocate.h"
#include "app/runmode.h"
#include "archive/ffs.h"
#include "base/core.h"
#include "base/identity.h"
#include "base/logfile.h"
#include "base/runstyle.h"
#include "base/strings.h"
#include "keywords/keywords.h"
#include "net/socket.h"
#include "platform/platform.h"
#include "script/script.h"
#include "system/plan.h"
#include "ui/ui.h"

#define MODULE_PATH_SIZE 320
#define SCRIPT_NAME "install.dat"
#define ALL_COMMON_CONTROLS 0x1FFF

static int EndRun(int status) {
    MemRemove();
    DebugRemove();
    LogPrint("Successful Exit...\n");
    return status;
}

static int RelocatingRoad(const char* commandLine) {
    const char* tail = GetCommandArgument(commandLine, 1, nullptr);
    uint32_t copyStatus = 0;
    // A silent run's starter learns the outcome from the copy's status; a
    // copy that never ran did nothing, which is no success.
    int started = RelocateAndRespawn(tail, RunsSilently(), &copyStatus);
    if (!started && RunsSilently()) copyStatus = EXIT_FAILED;
    return EndRun(static_cast<int>(copyStatus));
}

static void StartSystemServices() {
    PlatInitCommonControls(ALL_COMMON_CONTROLS);
    if (PlatComInitialize() != 0) LogPrint("Unable to initialize COM\n");
    if (PlatOleInitialize() != 0) LogPrint("Unable to initialize OLE\n");
    SocketStartup();
}

static void RunScript(int32_t mode) {
    WaitWindowCreate(nullptr);
    InstallScript* script = nullptr;
    if (!ScriptLoad(&script, SCRIPT_NAME, mode)) {
        SetErrorLocation(__FILE__, __LINE__);
        RaiseError("Couldn't load installation script.\n");
    }
    int outcome = ScriptRun(script);
    if (outcome == SCRIPT_RUN_CORRUPTED) ShowMessage("Installation script corrupted!", nullptr);
    if (outcome != SCRIPT_RUN_FINISHED) LogPrint("Script failed somewhere\n");
    if (PlanOnly()) PlanSummary();
    ScriptFree(&script);
    WaitWindowDestroy();
}

static void ReportDamagedProgram() {
    const char* text = "The installation file has been damaged, please download a new copy.";
    // A plan shows no box, but whoever reads it (a vendor's build step) must
    // learn that there was nothing to plan.
    if (PlanOnly()) PlanNotice(text);
    ShowMessage(text, nullptr);
}

static int WorkingRoad(char* modulePath, int32_t mode) {
    StartSystemServices();
    RegisterScriptKeywords();

    const char* position = nullptr;
    if (!StrFindNoCase(modulePath, ".exe", &position)) StrAppendN(modulePath, ".exe", MODULE_PATH_SIZE);

    int opened = FfsOpen(modulePath);
    if (opened) {
        RunScript(mode);
    } else {
        ReportDamagedProgram();
    }

    FfsClose();
    KeywordTableFree();
    SocketCleanup();
    PlatOleUninitialize();
    PlatComUninitialize();
    // A plan of a program without its script must not pass for an empty plan.
    return EndRun(!opened && PlanOnly() ? FatalExitStatus() : RunExitStatus());
}

extern "C" int WinMain(HINSTANCE, HINSTANCE, char* commandTailArgument, int) {
    const char* commandTail = commandTailArgument != nullptr ? commandTailArgument : "";
    int32_t flags = 0;
    ParseDebugSwitches(commandTail, &flags);
    char logName[LOG_PATH_SIZE];
    int logSwitch = ChooseLogFile(commandTail, &flags, logName);
    DebugInit(logName, flags);
    MemInit(MEM_LIMIT_MAXIMUM, 0);

    const char* commandLine = PlatGetCommandLine();
    char modulePath[MODULE_PATH_SIZE];
    PlatGetModulePath(modulePath, sizeof modulePath);
    LogPrint("%s Version %s (%s)\n", PROGRAM_NAME, PROGRAM_VERSION, PROGRAM_BUILD);
    LogPrint("Cmdline '%s' '%s'\n", commandLine, commandTail);
    if (logSwitch == LOG_SWITCH_UNUSABLE)
        LogPrint("No usable path after -log: the log is '%s'\n", DebugLogPath());

    int32_t mode = ChooseRunMode(commandLine);
    SetRunStyle(ChooseRunStyle(commandLine, mode));
    if (PlanOnly()) PlatRegKeepUnchanged();
    if (!TakesWorkingRoad(commandLine, mode)) return RelocatingRoad(commandLine);
    return WorkingRoad(modulePath, mode);
}

#include "app/relocate.h"

#include "app/runmode.h"
#include "base/core.h"
#include "base/logfile.h"
#include "base/strings.h"
#include "platform/platform.h"
#include "system/deferdel.h"

int BuildRespawnCommand(const char* copyPath, const char* tail, char* buffer, int size) {
    if (size < 1) return 0;
    buffer[0] = '\0';
    // The copy path is always quoted: the temporary folder may hold blanks.
    bool fits = StrAppendN(buffer, "\"", size) && StrAppendN(buffer, copyPath, size) &&
                StrAppendN(buffer, "\" " SWITCH_SPAWN, size);
    if (fits && tail != nullptr) fits = StrAppendN(buffer, " ", size) && StrAppendN(buffer, tail, size);
    if (!fits) buffer[0] = '\0';
    return fits ? 1 : 0;
}

// The unique name the system makes with the prefix "Del", as an ".exe".
static int MakeCopyPath(char* copyPath) {
    char tempFolder[RELOCATE_PATH_SIZE];
    PlatGetTempFolder(tempFolder, sizeof tempFolder);
    if (!PlatTempFileName(tempFolder, "Del", copyPath)) {
        LogPrint("Unable to make a temporary name in '%s' (0x%.8X)\n", tempFolder,
                 PlatLastError());
        return 0;
    }
    PlatDeleteFile(copyPath);
    if (!StrAppendN(copyPath, ".exe", RELOCATE_PATH_SIZE)) {
        LogPrint("Copy path too long '%s'\n", copyPath);
        return 0;
    }
    return 1;
}

static void WaitForCopy(PlatProcess process, const char* copyPath, uint32_t* copyStatus) {
    // The copy shares the terminal: a Ctrl-C is its to handle (it may be
    // cancelling a download), and this process ends when it does.
    PlatCatchInterrupt(1);
    while (!PlatWaitProcess(process, 1000)) {
    }
    PlatCatchInterrupt(0);
    PlatProcessExitCode(process, copyStatus);
    PlatCloseProcess(process);
    PlatDeleteFile(copyPath);
}

int RelocateAndRespawn(const char* tail, int waitForCopy, uint32_t* copyStatus) {
    CHECK_POINTER(copyStatus);
    *copyStatus = 0;

    char modulePath[RELOCATE_PATH_SIZE];
    char copyPath[RELOCATE_PATH_SIZE];
    PlatGetModulePath(modulePath, sizeof modulePath);
    if (!MakeCopyPath(copyPath)) return 0;

    LogPrint("Copy: %s -> %s\n", modulePath, copyPath);
    if (!PlatCopyFile(modulePath, copyPath, 0)) {
        uint32_t error = PlatLastError();
        LogPrint("Failed to copy file (%d) (0x%.8X)\n", static_cast<int>(error), error);
    }

    uintptr_t self = PlatOpenSelfInheritable();
    // The copy appends to the log its starter began, wherever it runs.
    char copyTail[RESPAWN_COMMAND_SIZE] = "";
    bool tailFits = tail == nullptr || TailForCopy(tail, DebugLogPath(), copyTail, sizeof copyTail);
    char commandLine[RESPAWN_COMMAND_SIZE];
    if (!tailFits || !BuildRespawnCommand(copyPath, tail != nullptr ? copyTail : nullptr,
                                          commandLine, sizeof commandLine)) {
        // Cutting the arguments would start the copy in another mode.
        LogPrint("Command line too long for '%s'\n", copyPath);
        PlatCloseHandle(self);
        PlatDeleteFile(copyPath);
        return 0;
    }

    PlatProcess process = nullptr;
    int started = PlatStartProcess(commandLine, &process);
    if (!started) {
        uint32_t error = PlatLastError();
        LogPrint("Failed to create process (%d) (0x%.8X)\n", static_cast<int>(error), error);
    }
    LogPrint("Exec: %s (0x%.8X)\n", commandLine, static_cast<uint32_t>(self));
    PlatCloseHandle(self);

    if (!PlatRestartDeletesFiles() || waitForCopy) {
        // The copy's file can go once it has ended; nothing needs queuing.
        if (started) WaitForCopy(process, copyPath, copyStatus);
        else PlatDeleteFile(copyPath);
        return started;
    }
    if (started) PlatCloseProcess(process);
    if (!QueueDeleteOnRestart(copyPath)) LogPrint("Unable to queue '%s' for deletion\n", copyPath);
    return started;
}

#include "command/fileops.h"

#include "command/pathrules.h"
#include "command/wellknown.h"
#include "platform/platform.h"
#include "zunkcore/folders.h"
#include "zunkcore/winhelpr.h"
#include "zunkcore/zunk-core.h"
#include "zunkcore/zunk-str.h"

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

int DeleteFileAndFolders(const char* path) {
    // Only a path that names its place by itself: a relative one would be
    // taken from the current folder, which is the drive's root here.
    if (!AcceptActionPath(path)) return 1;
    LogPrint("Delete file '%s'\n", path);
    if (!PlatDeleteFile(path)) LogPrint("Unable to delete file '%s'\n", path);

    char folder[FOLDER_WALK_SIZE];
    if (!StrCopyN(folder, path, sizeof folder)) {
        // A cut path would name another folder; leave the folders alone.
        LogPrint("Path too long '%s'\n", path);
        return 1;
    }
    char* lastSeparator = nullptr;
    for (char* p = folder; *p != '\0'; ++p) {
        if (IsSeparator(*p)) lastSeparator = p;
    }
    if (lastSeparator != nullptr) lastSeparator[1] = '\0';
    // A file directly in a drive's root leaves no folder to prune.
    if (ClassifyActionPath(folder) == PATH_ACCEPTED) RemoveEmptyFolders(folder);
    return 1;
}

// Whether a folder is empty needs only its first real entry, so the listing
// stops there, and that entry is remembered: while it is still in place the
// folder is not empty, and one look at it spares listing the folder again
// after each of its other files is deleted. Removing n files from one
// folder stays linear.
struct FolderOccupant {
    char folder[FOLDER_WALK_SIZE];
    char path[FOLDER_WALK_SIZE];  // the folder and the entry's name; empty: none
};
static FolderOccupant lastOccupant;

static int StopAtRealEntry(const char* name, void* context) {
    bool isDot = name[0] == '.' && name[1] == '\0';
    bool isDotDot = name[0] == '.' && name[1] == '.';
    if (isDot || isDotDot) return 1;
    auto* occupant = static_cast<FolderOccupant*>(context);
    // An entry whose path does not fit is not remembered, only counted.
    bool fits = StrCopyN(occupant->path, occupant->folder, sizeof occupant->path) &&
                StrAppendN(occupant->path, name, sizeof occupant->path);
    if (!fits) StrCopy(occupant->path, "?");
    return 0;
}

static bool StillOccupied(const char* folder) {
    return lastOccupant.path[0] != '\0' && lastOccupant.path[0] != '?' &&
           StrEqual(lastOccupant.folder, folder) && PlatFileExists(lastOccupant.path);
}

// Standing in a folder would keep it from being removed, so the walk stands
// in the drive's root. This is the one place that moves the current folder:
// once there, it stays there. No relative path reaches the removal, so
// nothing is ever resolved against it, and "$5" keeps naming the folder
// the run started in, not the root.
static void StandInTheRoot() { StandInDriveRoot(); }

int RemoveEmptyFolders(char* folder) {
    if (!AcceptActionPath(folder)) return 0;
    // The system's and the user's own folders stay, emptied or not.
    if (IsWellKnownFolder(folder)) return 1;
    StandInTheRoot();
    if (StillOccupied(folder)) return 1;

    FolderOccupant found = {};
    StrCopyN(found.folder, folder, sizeof found.folder);
    if (!PlatListFolder(folder, StopAtRealEntry, &found)) {
        char pattern[FOLDER_WALK_SIZE + 4];
        StrCopyN(pattern, folder, sizeof pattern);
        StrAppendN(pattern, "*.*", sizeof pattern);
        LogPrint("Error opening '%s'\n", pattern);
        return 0;
    }
    if (found.path[0] != '\0') {
        lastOccupant = found;
        return 1;
    }

    LogPrint("Deleting '%s'\n", folder);
    if (!PlatRemoveFolder(folder)) {
        LogPrint("Unable to delete dir '%s'\n", folder);
        return 0;
    }

    // Climb to the parent; a drive or share root is never removed.
    int length = StrLength(folder);
    for (int i = length - 2; i >= 0; --i) {
        if (IsSeparator(folder[i])) {
            folder[i + 1] = '\0';
            if (ClassifyActionPath(folder) == PATH_ACCEPTED) RemoveEmptyFolders(folder);
            break;
        }
    }
    return 1;
}

typedef int32_t (*ComponentEntry)();

int RegisterComponent(const char* path, int registerFlag) {
    HMODULE module = PlatLoadComponent(path);
    if (module == nullptr) {
        LogPrint("Error attempting to load '%s' (0x%.8X)\n", path, PlatLastError());
        return 0;
    }
    if (reinterpret_cast<uintptr_t>(module) < 32) {
        LogPrint("Failed to load '%s' (0x%.8X)\n", path, PlatLastError());
        PlatFreeComponent(module);
        return 0;
    }
    const char* entryName = registerFlag == 1 ? "DllRegisterServer" : "DllUnregisterServer";
    auto entry = reinterpret_cast<ComponentEntry>(PlatComponentEntry(module, entryName));
    if (entry == nullptr) {
        LogPrint("Couldn't get entry point from '%s'\n", path);
        PlatFreeComponent(module);
        return 0;
    }
    if (entry() < 0) {
        LogPrint("Failed in executing entry point from '%s'\n", path);
        PlatFreeComponent(module);
        return 0;
    }
    PlatFreeComponent(module);
    return 1;
}

int RunProgram(const char* file, const char* parameters, int wait, uint32_t* exitCode) {
    *exitCode = 0;
    PlatProcess process = nullptr;
    if (!PlatShellOpen(file, parameters, &process)) {
        LogPrint("Unable to execute '%s' '%s' 0x%.8X\n", file, parameters, PlatLastError());
        return 1;
    }
    if (process == nullptr) return 1;   // the shell handed the file to a running program
    if (wait == 1) {
        // Keep the windows alive while the program runs.
        do {
            PumpMessages();
        } while (!PlatWaitProcess(process, 500));
        if (!PlatProcessExitCode(process, exitCode)) {
            uint32_t error = PlatLastError();
            LogPrint("Failed to get exit code (%d) (0x%.8X)\n", static_cast<int>(error), error);
        }
    }
    PlatCloseProcess(process);
    return 1;
}

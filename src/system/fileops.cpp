#include "system/fileops.h"

#include "base/core.h"
#include "base/files-left.h"
#include "base/runstyle.h"
#include "base/strings.h"
#include "platform/platform.h"
#include "system/deferdel.h"
#include "system/folders.h"
#include "system/message-queue.h"
#include "system/pathrules.h"
#include "system/plan.h"
#include "system/planned-removals.h"
#include "system/wellknown.h"

#include <cstdio>

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

void FolderWalkEnd(FolderWalk* walk) {
    PlatFolderClose(walk->handle);
    *walk = {};
}

static bool IsOpen(const FolderWalk* walk, const char* folder) {
    return walk->handle != nullptr && StrEqual(walk->path, folder);
}

static PlatFolder EnterFolder(FolderWalk* walk, const char* folder) {
    if (IsOpen(walk, folder)) return walk->handle;
    FolderWalkEnd(walk);
    walk->handle = PlatFolderOpen(folder);
    if (walk->handle != nullptr) StrCopyN(walk->path, folder, sizeof walk->path);
    return walk->handle;
}

// A folder removed and made again behind the walk's back leaves the open
// one stale, so a failure in a folder that was already open is tried once
// more in the folder opened afresh.
static bool DeleteEntry(FolderWalk* walk, const char* folder, const char* name) {
    bool wasOpen = IsOpen(walk, folder);
    PlatFolder handle = EnterFolder(walk, folder);
    if (handle != nullptr && PlatFolderDeleteFile(handle, name)) return true;
    if (!wasOpen) return false;
    FolderWalkEnd(walk);
    handle = EnterFolder(walk, folder);
    return handle != nullptr && PlatFolderDeleteFile(handle, name);
}

// A read-only, hidden or system file of the product goes too: refused for
// its attributes, it loses them and is deleted again. Only a path that
// passed the rules gets here; the backend never clears through a link.
// 0 when deleted, else the error of the deletion (not of the clearing).
static uint32_t DeleteInFolder(FolderWalk* walk, const char* folder, const char* name,
                               const char* path) {
    if (DeleteEntry(walk, folder, name)) return 0;
    uint32_t error = PlatLastError();
    if (error != ERROR_ACCESS_DENIED || !PlatClearProtection(path)) return error;
    return DeleteEntry(walk, folder, name) ? 0 : PlatLastError();
}

int QueueFileLeft(const char* path, const char* holder) {
    if (!QueueDeleteOnRestart(path)) {
        LogPrint("Unable to queue '%s' for deletion\n", path);
        NoteFileStaying(path);
        return 0;
    }
    if (holder != nullptr && holder[0] != '\0') {
        LogPrint("Queued '%s' for deletion at restart: in use by %s\n", path, holder);
    } else {
        LogPrint("Queued '%s' for deletion at restart\n", path);
    }
    NoteFileWaiting(path, holder);
    return 1;
}

static char* AfterLastSeparator(char* path) {
    char* lastSeparator = nullptr;
    for (char* p = path; *p != '\0'; ++p) {
        if (IsSeparator(*p)) lastSeparator = p;
    }
    return lastSeparator != nullptr ? lastSeparator + 1 : nullptr;
}

int DeleteFileAndFolders(FolderWalk* walk, const char* path) {
    CHECK_POINTER(walk);
    // Only a path that names its place by itself: a relative one would be
    // taken from the current folder, which is the drive's root here.
    if (!AcceptActionPath(path)) return 1;
    LogPrint("Delete file '%s'\n", path);
    char folder[FOLDER_WALK_SIZE];
    bool fits = StrCopyN(folder, path, sizeof folder);
    char* name = fits ? AfterLastSeparator(folder) : nullptr;
    if (name != nullptr) *name = '\0';  // the file's folder, with its separator
    uint32_t error = 0;
    if (PlanOnly()) {
        error = PlanFileDeletion(path) == 1 ? 0 : ERROR_FILE_NOT_FOUND;
    } else if (name != nullptr) {
        error = DeleteInFolder(walk, folder, path + (name - folder), path);
    } else if (!PlatDeleteFile(path)) {
        error = PlatLastError();
    }
    if (error != 0) {
        LogPrint("Unable to delete file '%s'\n", path);
        // Through a link the file is not the product's: refused, not left.
        // A file that is not there is no file left behind.
        if (!PlanOnly() && AcceptLinkFreePath(path) && error != ERROR_FILE_NOT_FOUND &&
            error != ERROR_PATH_NOT_FOUND) {
            // What is in use now may go at the restart, attended or not: on
            // Windows the uninstaller's own file is held by its waiting
            // starter, and a program may hold a file it shares for deletion.
            QueueFileLeft(path, "");
        }
    }
    if (!fits) {
        // A cut path would name another folder; leave the folders alone.
        LogPrint("Path too long '%s'\n", path);
        return 1;
    }
    // A file directly in a drive's root leaves no folder to prune.
    if (ClassifyActionPath(folder) == PATH_ACCEPTED) RemoveEmptyFolders(walk, folder);
    return 1;
}

int DeleteLoneFile(const char* path) {
    FolderWalk walk = {};
    DeleteFileAndFolders(&walk, path);
    FolderWalkEnd(&walk);
    return 1;
}

// What a listing of a folder found: whether anything real remains, and the
// name of the last such entry that fits. The last one is remembered because
// removals tend to follow the listing's order (name order on Windows, as in
// most products' file lists): the first entry would be the next file to go,
// and the folder would be listed again after every file.
struct RemainingEntry {
    const char* folder;
    bool found;
    char name[FOLDER_WALK_SIZE];  // empty when none fitted
};

static int NoteRealEntry(const char* name, void* context) {
    bool isDot = name[0] == '.' && name[1] == '\0';
    bool isDotDot = name[0] == '.' && name[1] == '.';
    if (isDot || isDotDot) return 1;
    auto* remaining = static_cast<RemainingEntry*>(context);
    if (PlanOnly() && PlanRemoved(remaining->folder, name)) return 1;
    remaining->found = true;
    if (StrLength(name) < FOLDER_WALK_SIZE) StrCopy(remaining->name, name);
    return 1;
}

static bool StillOccupied(const FolderWalk* walk, const char* folder) {
    return IsOpen(walk, folder) && walk->occupant[0] != '\0' &&
           PlatFolderEntryExists(walk->handle, walk->occupant);
}

static bool AcceptFolderBelowNoLink(const char* folder) {
    char itself[FOLDER_WALK_SIZE];
    if (!StrCopyN(itself, folder, sizeof itself)) return false;
    int length = StrLength(itself);
    while (length > 1 && IsSeparator(itself[length - 1])) itself[--length] = '\0';
    return AcceptLinkFreePath(itself) == 1;
}

// Standing in a folder would keep it from being removed, so the walk stands
// in the drive's root. This is the one place that moves the current folder:
// once there, it stays there. No relative path reaches the removal, so
// nothing is ever resolved against it, and "$5" keeps naming the folder
// the run started in, not the root.
static void StandInTheRoot() { StandInDriveRoot(); }

// A folder the plan removed is gone for it, as for the run.
static bool ListFolder(const char* folder, RemainingEntry* remaining) {
    if (PlanOnly() && PlanRemoved(folder, "")) return false;
    return PlatListFolder(folder, NoteRealEntry, remaining) == 1;
}

static bool RemoveFolder(const char* folder) {
    if (!PlanOnly()) {
        if (PlatRemoveFolder(folder)) return true;
        // A read-only folder of the product goes as its files do.
        return PlatLastError() == ERROR_ACCESS_DENIED && PlatClearProtection(folder) &&
               PlatRemoveFolder(folder);
    }
    PlanFolderRemoval(folder);
    return true;
}

int RemoveEmptyFolders(FolderWalk* walk, char* folder) {
    CHECK_POINTER(walk);
    if (!AcceptActionPath(folder)) return 0;
    // The system's and the user's own folders stay, emptied or not.
    if (IsWellKnownFolder(folder)) return 1;
    StandInTheRoot();
    if (StillOccupied(walk, folder)) return 1;
    // Below a link the folder is not the product's; a link as the folder
    // itself is removed as a link.
    if (!AcceptFolderBelowNoLink(folder)) return 0;

    RemainingEntry remaining = {};
    remaining.folder = folder;
    if (!ListFolder(folder, &remaining)) {
        char pattern[FOLDER_WALK_SIZE + 4];
        StrCopyN(pattern, folder, sizeof pattern);
        StrAppendN(pattern, "*.*", sizeof pattern);
        LogPrint("Error opening '%s'\n", pattern);
        return 0;
    }
    if (remaining.found) {
        if (IsOpen(walk, folder)) StrCopy(walk->occupant, remaining.name);
        return 1;
    }

    // Nothing may hold the folder open while it is removed.
    if (IsOpen(walk, folder)) FolderWalkEnd(walk);
    LogPrint("Deleting '%s'\n", folder);
    if (!RemoveFolder(folder)) {
        LogPrint("Unable to delete dir '%s'\n", folder);
        return 0;
    }

    // Climb to the parent; a drive or share root is never removed.
    int length = StrLength(folder);
    for (int i = length - 2; i >= 0; --i) {
        if (IsSeparator(folder[i])) {
            folder[i + 1] = '\0';
            if (ClassifyActionPath(folder) == PATH_ACCEPTED) RemoveEmptyFolders(walk, folder);
            break;
        }
    }
    return 1;
}

typedef int32_t (*ComponentEntry)();

// A component is never loaded for a plan: loading alone runs its code.
static int PlanComponentCall(const char* path, int registerFlag) {
    if (!PlanSeesFile(path)) {
        LogPrint("Error attempting to load '%s' (0x%.8X)\n", path, PlatLastError());
        return 0;
    }
    PlanReport(registerFlag == 1 ? PLAN_REGISTER_COMPONENT : PLAN_UNREGISTER_COMPONENT, path);
    return 1;
}

int RegisterComponent(const char* path, int registerFlag) {
    if (PlanOnly()) return PlanComponentCall(path, registerFlag);
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

int CopyFileOver(const char* from, const char* to) {
    if (!PlanOnly()) return PlatCopyFile(from, to, 0);
    if (!PlanSeesFile(from)) return 0;
    char subject[2 * FOLDER_WALK_SIZE + 8];
    snprintf(subject, sizeof subject, "%s to %s", from, to);
    PlanReport(PLAN_COPY_FILE, subject);
    return 1;
}

int RunProgram(const char* file, const char* parameters, int wait, uint32_t* exitCode) {
    *exitCode = 0;
    if (PlanOnly()) {
        char subject[2 * FOLDER_WALK_SIZE + 8];
        snprintf(subject, sizeof subject, parameters[0] != '\0' ? "%s %s" : "%s", file, parameters);
        PlanReport(PLAN_START_PROGRAM, subject);
        return 1;
    }
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

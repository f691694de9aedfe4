// The removal of the installed product: after the user's confirmation, the
// files the product's programs hold are copied aside for deletion at the
// restart, the listed files and the folders they leave go, and the run's
// end removes the uninstall entry and reports it.
#include "uninstall/uninstall.h"

#include "base/core.h"
#include "base/runstyle.h"
#include "base/strings.h"
#include "platform/platform.h"
#include "script/pathmacro.h"
#include "script/recorded-path.h"
#include "system/deferdel.h"
#include "system/elevation.h"
#include "system/fileops.h"
#include "system/folders.h"
#include "system/pathrules.h"
#include "system/plan.h"
#include "system/registry.h"
#include "ui/ui.h"

#include <cstdio>

#define UNINSTALL_KEY_FORMAT "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s %s"

// Copies the list entry at *cursor into `entry` and moves the cursor past it
// and its ','. An entry too long for the buffer is consumed whole and
// reported as unusable (0), so that no cut name is ever acted on.
static int NextListEntry(const char** cursor, char* entry) {
    const char* p = *cursor;
    int length = 0;
    bool fits = true;
    while (static_cast<unsigned char>(*p) >= 32 && *p != ',') {
        if (length < LIST_ENTRY_SIZE - 1) {
            entry[length++] = *p;
        } else {
            fits = false;
        }
        ++p;
    }
    entry[length] = '\0';
    if (*p == ',') ++p;
    *cursor = p;
    if (!fits) LogPrint("List entry too long '%s...'\n", entry);
    return fits ? 1 : 0;
}

static double Percent(int32_t done, int32_t total) { return 100.0 * done / total; }

static int NoPreviousInstallation() {
    NoteUninstallOutcome(EXIT_NO_INSTALLATION);
    if (PlanOnly()) PlanNotice("no previous installation found: nothing to remove");
    ShowMessage("Unable to find previous installation; files could not be removed.", nullptr);
    return 0;
}

// Finds the previous installation; 0 when there is none (the run stops
// there). Without a usable install path there is none either: every listed
// name would be taken relative to whatever folder the run stands in.
static int LocatePreviousInstallation(InstallScript* script) {
    if (script->registryPath[0] != '\0') {
        if (!RegistryKeyExists(REGISTRY_CURRENT_USER, script->registryPath)) return NoPreviousInstallation();
        HKEY key = nullptr;
        if (!RegistryOpenKey(&key, REGISTRY_CURRENT_USER, script->registryPath)) {
            RAISE_ERROR("Unable to open key '%s'\n", script->registryPath);
        }
        ReadRecordedInstallPath(key, script->installPath);
        RegistryCloseKey(&key);
    }
    if (!IsUsableInstallPath(script->installPath)) return NoPreviousInstallation();
    return 1;
}

// Files the product's own programs still hold open are copied to the
// temporary folder and the copies queued for deletion at restart.
static void CopyTemporaryFiles(InstallScript* script, int32_t total) {
    const char* cursor = script->tempList;
    for (int32_t i = 0; i < script->tempCount; ++i) {
        WaitProgress(Percent(i, total));
        char entry[LIST_ENTRY_SIZE];
        if (!NextListEntry(&cursor, entry)) continue;
        char source[PATH_MACRO_SIZE];
        uint32_t flags = 0;
        if (!ExpandPathMacros(script, entry, source, &flags)) continue;
        char destination[LIST_ENTRY_SIZE];
        GetTempFolder(destination, sizeof destination);
        if (!StrAppendN(destination, entry, sizeof destination)) {
            LogPrint("Path too long '%s'\n", entry);
            continue;
        }
        // The copy replaces the destination and is deleted at the restart:
        // both ends must be whole paths, and the destination lie in the
        // temporary folder, not above it.
        if (!AcceptActionPath(source) || !AcceptActionPath(destination)) continue;
        CopyFileOver(source, destination);
        if (!QueueDeleteOnRestart(destination)) {
            LogPrint("Unable to queue '%s' for deletion\n", destination);
        }
    }
}

static void DeleteListedFiles(InstallScript* script, int32_t total, FolderWalk* walk) {
    const char* cursor = script->fileList;
    for (int32_t i = 0; i < script->fileCount; ++i) {
        WaitProgress(Percent(script->tempCount + i, total));
        char entry[LIST_ENTRY_SIZE];
        if (!NextListEntry(&cursor, entry)) continue;
        char path[PATH_MACRO_SIZE];
        uint32_t flags = 0;
        if (ExpandPathMacros(script, entry, path, &flags)) DeleteFileAndFolders(walk, path);
    }
}

static void DeleteNamedFile(InstallScript* script, const char* name, FolderWalk* walk) {
    if (name[0] == '\0') return;
    char path[PATH_MACRO_SIZE];
    uint32_t flags = 0;
    if (ExpandPathMacros(script, name, path, &flags)) DeleteFileAndFolders(walk, path);
}

static void UninstallKeyOf(const InstallScript* script, char* key, size_t size) {
    snprintf(key, size, UNINSTALL_KEY_FORMAT, script->companyName, script->productName);
}

static void ExplainElevationDeclined(const InstallScript* script) {
    char message[2 * SCRIPT_TEXT_SIZE + 96];
    std::snprintf(message, sizeof message,
                  "Administrator rights are needed to remove %s %s; nothing has been removed.",
                  script->companyName, script->productName);
    ShowMessage(message, nullptr);
}

// A product this process may not remove is removed by an elevated copy, or
// not at all: either way this run ends its uninstall here (0), as after a No,
// and without starting the product again when the copy removed it.
static int ElevateWhereNeeded(InstallScript* script) {
    char key[2 * SCRIPT_TEXT_SIZE + 64];
    UninstallKeyOf(script, key, sizeof key);
    uint32_t error = 0;
    int outcome = ElevateIfNeeded(script->installPath,
                                  script->uninstallName[0] != '\0' ? key : nullptr, &error);
    if (outcome == ELEVATION_PROCEED) return 1;
    if (outcome == ELEVATION_DECLINED) ExplainElevationDeclined(script);
    script->runMode = MODE_NONE;
    if (outcome == ELEVATION_HANDED_OVER) script->restartProgram[0] = '\0';
    return 0;
}

int RemoveProduct(InstallScript* script) {
    char question[2 * SCRIPT_TEXT_SIZE + 48];
    snprintf(question, sizeof question, "Are you sure you want to uninstall %s %s?",
             script->companyName, script->productName);
    // The elevated copy was started after the user's Yes.
    if (!RunningElevatedCopy() && !AskYesNo(question, nullptr)) {
        script->runMode = MODE_NONE;
        return 1;
    }
    if (!LocatePreviousInstallation(script)) {
        script->runMode = MODE_NONE;
        return 1;
    }
    if (!ElevateWhereNeeded(script)) return 1;

    WaitWindowShow(1);
    int32_t total = script->fileCount + script->tempCount;
    CopyTemporaryFiles(script, total);
    FolderWalk walk = {};
    DeleteListedFiles(script, total, &walk);
    DeleteNamedFile(script, script->uninstallName, &walk);
    DeleteNamedFile(script, script->installName, &walk);
    FolderWalkEnd(&walk);
    // The product is gone: "DONE" must not start it again.
    script->restartProgram[0] = '\0';
    NoteUninstallOutcome(EXIT_REMOVED);
    WaitWindowShow(0);
    return 1;
}

static void RemoveUninstallEntry(InstallScript* script) {
    if (script->uninstallName[0] == '\0') return;
    char key[2 * SCRIPT_TEXT_SIZE + 64];
    UninstallKeyOf(script, key, sizeof key);
    if (RegistryKeyExists(REGISTRY_LOCAL_MACHINE, key)) RegistryDeleteKey(REGISTRY_LOCAL_MACHINE, key);
}

static void ReportUninstalled(InstallScript* script) {
    // Built beside the text field: long names make a long message, never a
    // cut or overflowing one.
    char message[2 * SCRIPT_TEXT_SIZE + 32];
    snprintf(message, sizeof message, "%s %s has been uninstalled!", script->companyName,
             script->productName);
    StrCopyN(script->textField, message, SCRIPT_TEXT_SIZE);
    ShowMessage(message, "Uninstaller...");
    script->textField[0] = '\0';
}

int FinishRemoval(InstallScript* script) {
    RemoveUninstallEntry(script);
    ReportUninstalled(script);
    return 1;
}

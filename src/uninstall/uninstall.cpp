// The removal of the installed product: after the user's confirmation, the
// files the product's programs hold are copied aside for deletion at the
// restart, the listed files and the folders they leave go, and the run's
// end removes the uninstall entry and reports it.
#include "uninstall/uninstall.h"

#include "base/core.h"
#include "base/files-left.h"
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
#include "uninstall/files-in-use.h"
#include "uninstall/list-entry.h"
#include "ui/ui.h"

#include <cstdio>

#define UNINSTALL_KEY_FORMAT "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s %s"

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
        if (!NextListEntry(&cursor, entry, 1)) continue;
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
        // A copy, not the product's file: it waits for the restart without
        // keeping the product from being gone.
        if (!QueueDeleteOnRestart(destination)) {
            LogPrint("Unable to queue '%s' for deletion\n", destination);
        }
    }
}

// A file a program still holds is not deleted now but at the restart;
// only one the rules let the run delete, and never through a link.
static void DeleteProductFile(const char* path, const FilesInUse* inUse, FolderWalk* walk) {
    if (path == nullptr) return;
    const char* holder = HolderOfFile(inUse, path);
    if (holder == nullptr || ClassifyActionPath(path) != PATH_ACCEPTED ||
        PlatPathCrossesLink(path)) {
        DeleteFileAndFolders(walk, path);
        return;
    }
    LogPrint("Delete file '%s'\n", path);
    QueueFileLeft(path, holder);
}

static void DeleteListedFiles(const InstallScript* script, const ProductFiles* files,
                              const FilesInUse* inUse, int32_t total, FolderWalk* walk) {
    for (int32_t i = 0; i < script->fileCount; ++i) {
        WaitProgress(Percent(script->tempCount + i, total));
        DeleteProductFile(ProductFile(files, i), inUse, walk);
    }
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
    if (outcome == ELEVATION_DECLINED) {
        // Refused consent is the user's choice; a start that failed is not.
        NoteUninstallOutcome(error == ERROR_CANCELLED ? EXIT_DECLINED : EXIT_FAILED);
        ExplainElevationDeclined(script);
    }
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

    ProductFiles files;
    ProductFilesFind(script, &files);
    FilesInUse inUse;
    FindFilesInUse(script, &files, &inUse);
    WaitWindowShow(1);
    int32_t total = script->fileCount + script->tempCount;
    CopyTemporaryFiles(script, total);
    FolderWalk walk = {};
    DeleteListedFiles(script, &files, &inUse, total, &walk);
    DeleteProductFile(ProductFile(&files, PRODUCT_UNINSTALL_NAME(&files)), &inUse, &walk);
    DeleteProductFile(ProductFile(&files, PRODUCT_INSTALL_NAME(&files)), &inUse, &walk);
    FolderWalkEnd(&walk);
    FilesInUseEnd(&inUse);
    ProductFilesEnd(&files);
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

// The files that stayed or wait for the restart, one a line, with the
// program holding each when one is known.
static void AppendFilesLeft(char* message, int size, int waits, const char* heading) {
    StrAppendN(message, heading, size);
    int32_t named = 0;
    for (int32_t i = 0; i < FilesNamed(); ++i) {
        const FileLeft* file = NamedFileLeft(i);
        if (file->waits != waits) continue;
        ++named;
        StrAppendN(message, "\n", size);
        StrAppendN(message, file->path, size);
        if (file->holder[0] != '\0') {
            StrAppendN(message, " (in use by ", size);
            StrAppendN(message, file->holder, size);
            StrAppendN(message, ")", size);
        }
    }
    int32_t more = (waits ? FilesWaiting() : FilesStaying()) - named;
    if (more > 0) {
        char line[48];
        snprintf(line, sizeof line, "\nand %d more", static_cast<int>(more));
        StrAppendN(message, line, size);
    }
}

// A run that left files never claims the whole product is gone.
static void DescribeFilesLeft(const InstallScript* script, char* message, int size) {
    snprintf(message, size, "%s %s has been uninstalled, except for these files.",
             script->companyName, script->productName);
    if (FilesWaiting() > 0) {
        AppendFilesLeft(message, size, 1,
                        "\n\nA restart is needed to finish: these files are still in use "
                        "and are deleted when the computer restarts:");
    }
    if (FilesStaying() > 0) {
        AppendFilesLeft(message, size, 0,
                        "\n\nThese files could not be deleted; please delete them yourself:");
    }
}

static void ReportUninstalled(InstallScript* script) {
    // Built beside the text field: long names make a long message, never a
    // cut or overflowing one.
    char message[2 * SCRIPT_TEXT_SIZE + 512 +
                 FILES_LEFT_NAMED * (FILES_LEFT_PATH_SIZE + FILES_LEFT_HOLDER_SIZE + 16)];
    if (FilesWaiting() + FilesStaying() > 0) {
        DescribeFilesLeft(script, message, sizeof message);
    } else {
        snprintf(message, sizeof message, "%s %s has been uninstalled!", script->companyName,
                 script->productName);
    }
    StrCopyN(script->textField, message, SCRIPT_TEXT_SIZE);
    ShowMessage(message, "Uninstaller...");
    script->textField[0] = '\0';
}

int FinishRemoval(InstallScript* script) {
    RemoveUninstallEntry(script);
    ReportUninstalled(script);
    return 1;
}

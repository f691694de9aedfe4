#include "uninstall/files-in-use.h"

#include "base/core.h"
#include "base/runstyle.h"
#include "base/strings.h"
#include "platform/platform.h"
#include "ui/ui.h"

#include <cstdio>

#define HOLDERS_LISTED 16       // asked about at once, and named in the box
#define HOLDERS_PER_FILE 4      // named for one file in the log
// Finding which file each program holds asks the system once per range
// of files; past this many questions the remaining files are tried as
// they come, and the ones that fail wait for the restart all the same.
#define HOLDER_QUERIES 512

namespace {

struct Holders {
    PlatFileHolder list[HOLDERS_LISTED];
    int found;   // may exceed HOLDERS_LISTED
    int Listed() const { return found < HOLDERS_LISTED ? found : HOLDERS_LISTED; }
};

}  // namespace

static bool Ask(const char* const* paths, int32_t count, PlatFileHolder* list, int capacity,
                int* found) {
    if (PlatFindFileHolders(paths, count, list, capacity, found)) return true;
    LogPrint("Unable to find the programs using the files (0x%.8X)\n", PlatLastError());
    *found = 0;
    return false;
}

static void JoinNames(const PlatFileHolder* list, int listed, char* text, int size) {
    text[0] = '\0';
    for (int i = 0; i < listed; ++i) {
        if (i > 0) StrAppendN(text, ", ", size);
        StrAppendN(text, list[i].program[0] != '\0' ? list[i].program : "?", size);
    }
}

static void AddHeld(FilesInUse* inUse, const char* path, const char* holder) {
    if (inUse->count == inUse->capacity) {
        int32_t capacity = inUse->capacity > 0 ? inUse->capacity * 2 : 16;
        HeldFile* held = MEM_ALLOC(HeldFile, capacity * static_cast<int32_t>(sizeof(HeldFile)));
        for (int32_t i = 0; i < inUse->count; ++i) held[i] = inUse->held[i];
        if (inUse->held != nullptr) {
            MEM_FREE(&inUse->held, inUse->capacity * static_cast<int32_t>(sizeof(HeldFile)));
        }
        inUse->held = held;
        inUse->capacity = capacity;
    }
    HeldFile& file = inUse->held[inUse->count++];
    file.path = path;
    StrCopyN(file.holder, holder, sizeof file.holder);
}

// The system tells which programs hold any of a set of files, not which
// file each holds: the set is halved until each held file stands alone.
static void FindHeldFiles(FilesInUse* inUse, const char* const* paths, int32_t count) {
    if (count <= 0 || inUse->queries <= 0) return;
    --inUse->queries;
    PlatFileHolder list[HOLDERS_PER_FILE];
    int found = 0;
    if (!Ask(paths, count, list, HOLDERS_PER_FILE, &found) || found == 0) return;
    if (count == 1) {
        char names[FILES_LEFT_HOLDER_SIZE];
        JoinNames(list, found < HOLDERS_PER_FILE ? found : HOLDERS_PER_FILE, names, sizeof names);
        AddHeld(inUse, paths[0], names);
        return;
    }
    FindHeldFiles(inUse, paths, count / 2);
    FindHeldFiles(inUse, paths + count / 2, count - count / 2);
}

static void LogHolders(const char* format, const Holders& holders) {
    for (int i = 0; i < holders.Listed(); ++i) {
        LogPrint(format, holders.list[i].program, holders.list[i].processId);
    }
}

static bool AskToClose(const InstallScript* script, const Holders& holders) {
    char names[HOLDERS_LISTED * (PLAT_HOLDER_NAME_SIZE + 24) + 32] = "";
    for (int i = 0; i < holders.Listed(); ++i) {
        char line[PLAT_HOLDER_NAME_SIZE + 24];
        snprintf(line, sizeof line, "%s (process %u)\n", holders.list[i].program,
                 holders.list[i].processId);
        StrAppendN(names, line, sizeof names);
    }
    if (holders.found > holders.Listed()) {
        char more[40];
        snprintf(more, sizeof more, "and %d more\n", holders.found - holders.Listed());
        StrAppendN(names, more, sizeof names);
    }
    char question[sizeof names + 2 * SCRIPT_TEXT_SIZE + 256];
    snprintf(question, sizeof question,
             "These programs are using files of %s %s:\n\n%s\n"
             "Close them now? Unsaved work in them may be lost. If you answer No, "
             "the files they use are deleted when the computer restarts.",
             script->companyName, script->productName, names);
    return AskYesNo(question, nullptr) != 0;
}

// Gracefully first; a program that does not end is then ended by force.
static void CloseHolders(const char* const* paths, int32_t count, Holders* holders) {
    LogHolders("Closing '%s' (process %u)\n", *holders);
    for (int force = 0; force <= 1 && holders->found > 0; ++force) {
        PlatCloseFileHolders(holders->list, holders->Listed(), force);
        Ask(paths, count, holders->list, HOLDERS_LISTED, &holders->found);
    }
    LogHolders("Still running '%s' (process %u)\n", *holders);
}

void FindFilesInUse(const InstallScript* script, const ProductFiles* files, FilesInUse* inUse) {
    *inUse = {};
    inUse->queries = HOLDER_QUERIES;
    if (PlanOnly()) return;
    const char** paths = MEM_ALLOC(const char*, files->count * static_cast<int32_t>(sizeof(char*)));
    int32_t count = ProductFilePaths(files, paths);
    Holders holders = {};
    if (count > 0 && Ask(paths, count, holders.list, HOLDERS_LISTED, &holders.found) &&
        holders.found > 0) {
        LogHolders("In use by '%s' (process %u)\n", holders);
        bool close = RunsUnattended() ? ClosesProgramsUnattended() != 0
                                      : AskToClose(script, holders);
        if (close) CloseHolders(paths, count, &holders);
        if (holders.found > 0) FindHeldFiles(inUse, paths, count);
    }
    MEM_FREE(&paths, files->count * static_cast<int32_t>(sizeof(char*)));
}

const char* HolderOfFile(const FilesInUse* inUse, const char* path) {
    for (int32_t i = 0; i < inUse->count; ++i) {
        if (StrEqual(inUse->held[i].path, path)) return inUse->held[i].holder;
    }
    return nullptr;
}

void FilesInUseEnd(FilesInUse* inUse) {
    if (inUse->held != nullptr) {
        MEM_FREE(&inUse->held, inUse->capacity * static_cast<int32_t>(sizeof(HeldFile)));
    }
    *inUse = {};
}

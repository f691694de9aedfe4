#include "system/wellknown.h"

#include "base/strings.h"
#include "platform/platform.h"
#include "system/folders.h"

#define WELL_KNOWN_COUNT 7

struct WellKnownFolders {
    bool known;
    char folders[WELL_KNOWN_COUNT][FOLDER_PATH_SIZE];
};

// The system's answers do not change during a run: asked once.
static WellKnownFolders wellKnown;

static void Ask(int (*query)(char*, int), char* folder) {
    folder[0] = '\0';
    if (!query(folder, FOLDER_PATH_SIZE - 1)) folder[0] = '\0';
    folder[FOLDER_PATH_SIZE - 2] = '\0';
}

static void LearnWellKnownFolders() {
    char (*f)[FOLDER_PATH_SIZE] = wellKnown.folders;
    GetProgramFilesFolder(f[0]);
    StrCopyN(f[1], f[0], FOLDER_PATH_SIZE);
    if (!StrAppendN(f[1], "Common Files\\", FOLDER_PATH_SIZE)) f[1][0] = '\0';
    Ask(PlatGetWindowsFolder, f[2]);
    Ask(PlatGetSystemFolder, f[3]);
    Ask(PlatGetTempFolder, f[4]);
    Ask(PlatGetProfileFolder, f[5]);
    Ask(PlatGetProgramsFolder, f[6]);
    wellKnown.known = true;
}

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

static char Folded(char c) {
    if (c == '/') return '\\';
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Equal up to letter case, separator kind and trailing separators.
static bool SameFolder(const char* a, const char* b) {
    while (*a != '\0' && *b != '\0' && Folded(*a) == Folded(*b)) {
        ++a;
        ++b;
    }
    while (IsSeparator(*a)) ++a;
    while (IsSeparator(*b)) ++b;
    return *a == '\0' && *b == '\0';
}

int IsWellKnownFolder(const char* folder) {
    if (!wellKnown.known) LearnWellKnownFolders();
    for (const char* known : wellKnown.folders) {
        if (known[0] != '\0' && SameFolder(folder, known)) return 1;
    }
    return 0;
}

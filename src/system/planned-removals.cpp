#include "system/planned-removals.h"

#include "platform/platform.h"
#include "system/plan.h"

#include <set>
#include <string>

#define PROGRAMS_PATH_SIZE 320

// Windows names compare without letter case, either separator, with or
// without a folder's trailing one.
static std::string Key(const char* folder, const char* name) {
    std::string key = std::string(folder) + name;
    for (char& c : key) {
        if (c == '/') c = '\\';
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    while (!key.empty() && key.back() == '\\') key.pop_back();
    return key;
}

static std::set<std::string>& Removed() {
    static std::set<std::string> removed;
    return removed;
}

static bool InProgramsFolder(const char* path) {
    char programs[PROGRAMS_PATH_SIZE];
    if (!PlatGetProgramsFolder(programs, sizeof programs) || programs[0] == '\0') return false;
    std::string folder = Key(programs, "") + "\\";
    return Key(path, "").rfind(folder, 0) == 0;
}

int PlanRemoved(const char* folder, const char* name) {
    return Removed().count(Key(folder, name)) != 0 ? 1 : 0;
}

int PlanSeesFile(const char* path) {
    if (Removed().count(Key(path, "")) != 0) return 0;
    return PlatFileExists(path);
}

int PlanFileDeletion(const char* path) {
    std::string whole = path;
    size_t separator = whole.find_last_of("\\/");
    if (separator == std::string::npos) return 0;
    std::string folder = whole.substr(0, separator + 1);
    const char* name = path + separator + 1;
    if (PlanRemoved(folder.c_str(), name)) return 0;
    // The entry as the deletion would meet it: a link as itself.
    PlatFolder handle = PlatFolderOpen(folder.c_str());
    bool there = handle != nullptr && PlatFolderEntryExists(handle, name);
    PlatFolderClose(handle);
    if (!there) return 0;
    PlanReport(InProgramsFolder(path) ? PLAN_DELETE_SHORTCUT : PLAN_DELETE_FILE, path);
    Removed().insert(Key(path, ""));
    return 1;
}

void PlanFolderRemoval(const char* folder) {
    PlanReport(InProgramsFolder(folder) ? PLAN_REMOVE_GROUP : PLAN_REMOVE_FOLDER, folder);
    Removed().insert(Key(folder, ""));
}

// Section 13 of the seam: the programs that hold files, found through
// /proc: a process holds a file it has open (fd), mapped (maps: loaded
// libraries) or runs (exe). Closing them is SIGTERM, then SIGKILL.
#include "platform/platform.h"

#include "platform/posix/hostpath.h"
#include "platform/posix/lasterror.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

typedef std::pair<dev_t, ino_t> FileId;

// The files as the file system knows them; a link is not the file it
// names, and nobody holds a link itself.
std::vector<FileId> IdsOf(const char* const* paths, int count) {
    std::vector<FileId> ids;
    for (int i = 0; i < count; ++i) {
        char host[PATH_MAX];
        struct stat info;
        if (HostPathFromWindows(paths[i], host, sizeof host) && lstat(host, &info) == 0 &&
            !S_ISLNK(info.st_mode))
            ids.push_back(FileId(info.st_dev, info.st_ino));
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool Listed(const std::vector<FileId>& ids, dev_t device, ino_t inode) {
    return std::binary_search(ids.begin(), ids.end(), FileId(device, inode));
}

bool NamesListed(const std::vector<FileId>& ids, const std::string& procPath) {
    struct stat info;
    return stat(procPath.c_str(), &info) == 0 && Listed(ids, info.st_dev, info.st_ino);
}

bool HoldsOpen(const std::vector<FileId>& ids, const std::string& process) {
    DIR* fds = opendir((process + "/fd").c_str());
    if (!fds)
        return false;
    bool held = false;
    while (const dirent* entry = readdir(fds)) {
        if (entry->d_name[0] != '.' && NamesListed(ids, process + "/fd/" + entry->d_name)) {
            held = true;
            break;
        }
    }
    closedir(fds);
    return held;
}

bool HoldsMapped(const std::vector<FileId>& ids, const std::string& process) {
    FILE* maps = fopen((process + "/maps").c_str(), "r");
    if (!maps)
        return false;
    bool held = false;
    char line[4096 + 256];
    while (!held && fgets(line, sizeof line, maps)) {
        unsigned major = 0, minor = 0;
        unsigned long inode = 0;
        if (sscanf(line, "%*s %*s %*s %x:%x %lu", &major, &minor, &inode) == 3 && inode != 0)
            held = Listed(ids, makedev(major, minor), static_cast<ino_t>(inode));
    }
    fclose(maps);
    return held;
}

// The start time (clock ticks since boot) and state of a process, from
// /proc/PID/stat: what follows the last ')' of the command name.
bool ReadStat(uint32_t id, uint64_t* startTime, char* state) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%u/stat", id);
    FILE* file = fopen(path, "r");
    if (!file)
        return false;
    char text[1024];
    size_t got = fread(text, 1, sizeof text - 1, file);
    fclose(file);
    text[got] = '\0';
    const char* rest = strrchr(text, ')');
    unsigned long long start = 0;
    // Fields 3 to 22: state, then 18 numbers, then the start time.
    if (!rest || sscanf(rest + 1, " %c %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s "
                                   "%*s %*s %*s %*s %*s %llu", state, &start) != 2)
        return false;
    *startTime = start;
    return true;
}

void ReadName(const std::string& process, char* name) {
    name[0] = '\0';
    FILE* file = fopen((process + "/comm").c_str(), "r");
    if (!file)
        return;
    if (fgets(name, PLAT_HOLDER_NAME_SIZE, file))
        name[strcspn(name, "\n")] = '\0';
    fclose(file);
}

bool StillRuns(const PlatFileHolder& holder) {
    uint64_t startTime = 0;
    char state = '?';
    return ReadStat(holder.processId, &startTime, &state) && startTime == holder.startTime &&
           state != 'Z' && state != 'X';
}

} // namespace

int PlatFindFileHolders(const char* const* paths, int count, PlatFileHolder* holders,
                        int capacity, int* found) {
    *found = 0;
    std::vector<FileId> ids = IdsOf(paths, count);
    if (ids.empty())
        return 1;
    DIR* proc = opendir("/proc");
    if (!proc) {
        SetLastErrorFromErrno(errno);
        return 0;
    }
    const unsigned long self = static_cast<unsigned long>(getpid());
    const unsigned long starter = static_cast<unsigned long>(getppid());
    while (const dirent* entry = readdir(proc)) {
        char* end = nullptr;
        unsigned long id = strtoul(entry->d_name, &end, 10);
        if (*end != '\0' || id == 0 || id == self || id == starter)
            continue;
        std::string process = std::string("/proc/") + entry->d_name;
        if (!NamesListed(ids, process + "/exe") && !HoldsOpen(ids, process) &&
            !HoldsMapped(ids, process))
            continue;
        PlatFileHolder holder = {};
        holder.processId = static_cast<uint32_t>(id);
        char state = '?';
        // A process that ended meanwhile holds nothing.
        if (!ReadStat(holder.processId, &holder.startTime, &state) || state == 'Z')
            continue;
        ReadName(process, holder.program);
        if (*found < capacity)
            holders[*found] = holder;
        ++*found;
    }
    closedir(proc);
    return 1;
}

int PlatCloseFileHolders(const PlatFileHolder* holders, int count, int force) {
    for (int i = 0; i < count; ++i) {
        // Only the very process that was found: its id may have been reused.
        if (StillRuns(holders[i]))
            kill(static_cast<pid_t>(holders[i].processId), force ? SIGKILL : SIGTERM);
    }
    const uint32_t waitMs = force ? 2000 : 5000;
    for (uint32_t waited = 0;; waited += 50) {
        bool running = false;
        for (int i = 0; i < count && !running; ++i)
            running = StillRuns(holders[i]);
        if (!running)
            return 1;
        if (waited >= waitMs)
            break;
        usleep(50 * 1000);
    }
    SetPlatLastError(ERROR_TIMEOUT);
    return 0;
}

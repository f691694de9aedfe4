// POSIX backend, section 9 of the seam: there is no consent to ask for, so
// the core never asks for elevation here, and no process is ever the
// elevated copy, not even one root runs.
#include "platform/platform.h"
#include "platform/posix/hostpath.h"
#include "platform/posix/lasterror.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

void PlatGetElevation(int* elevated, int* uac) {
    *elevated = 0;
    *uac = 0;
}

int PlatStartedBySameProgram() {
    char parent[64];
    std::snprintf(parent, sizeof parent, "/proc/%d/exe", static_cast<int>(getppid()));
    // The same file, not only the same name: device and inode.
    struct stat mine, theirs;
    if (stat("/proc/self/exe", &mine) != 0 || stat(parent, &theirs) != 0) return 0;
    return mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino ? 1 : 0;
}

int PlatFolderWritable(const char* folder) {
    char host[4096];
    if (!HostPathFromWindows(folder, host, sizeof host)) return 1;
    if (access(host, W_OK) == 0) return 1;
    return errno == EACCES || errno == EROFS ? 0 : 1;
}

int PlatRegKeyDeletable(HKEY, const char*) { return 1; }

int PlatShellRunAs(const char*, const char*, PlatProcess*) {
    SetPlatLastError(ERROR_NOT_SUPPORTED);
    return 0;
}

// Section 2 of the seam: what keeps a file or folder from being removed.
// Windows' read-only attribute stands here for a missing owner's write
// permission; unlink and rmdir need it on the folder that holds the name,
// never on the file itself, so that folder is the one given it back.
// Hidden and system have no stand-in.
#include "platform/platform.h"

#include "platform/posix/hostpath.h"
#include "platform/posix/lasterror.h"
#include "platform/posix/links.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

int PlatClearProtection(const char* path) {
    char host[PATH_MAX];
    if (!path || !HostPathFromWindows(path, host, sizeof host))
        return 0;
    DropTrailingSeparators(host);
    // Never through a link: the folder holding the name must be the one
    // the path names.
    if (HostPathCrossesLink(host)) {
        SetPlatLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    char* lastSeparator = strrchr(host, '/');
    if (!lastSeparator)
        return 0;
    if (lastSeparator == host)
        lastSeparator[1] = '\0';
    else
        *lastSeparator = '\0';
    struct stat info;
    if (lstat(host, &info) != 0 || !S_ISDIR(info.st_mode) || (info.st_mode & S_IWUSR) ||
        info.st_uid != geteuid())
        return 0;
    if (chmod(host, (info.st_mode & 07777) | S_IWUSR) != 0) {
        SetLastErrorFromErrno(errno, host);
        return 0;
    }
    return 1;
}

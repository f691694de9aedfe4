// Section 7 of the seam: a downloaded program gets the execute bits that a
// new program file would get (the read bits, as far as the umask allows).
#include "platform/platform.h"

#include "platform/posix/hostpath.h"
#include "platform/posix/lasterror.h"

#include <cerrno>
#include <climits>
#include <sys/stat.h>

int PlatAllowExecute(const char* path) {
    char host[PATH_MAX];
    if (!path || !HostPathFromWindowsExact(path, host, sizeof host))
        return 0;
    struct stat info;
    if (stat(host, &info) != 0) {
        SetLastErrorFromErrno(errno, host);
        return 0;
    }
    // Execute where reading is allowed: r-- becomes r-x.
    mode_t mode = info.st_mode & 07777;
    mode |= (mode & (S_IRUSR | S_IRGRP | S_IROTH)) >> 2;
    if (chmod(host, mode) != 0) {
        SetLastErrorFromErrno(errno, host);
        return 0;
    }
    return 1;
}

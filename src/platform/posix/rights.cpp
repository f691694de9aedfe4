// POSIX backend, section 9 of the seam: root is the one elevated user and
// there is no consent to ask for, so the core never asks for elevation here.
#include "platform/platform.h"
#include "platform/posix/hostpath.h"
#include "platform/posix/lasterror.h"

#include <cerrno>
#include <unistd.h>

void PlatGetElevation(int* elevated, int* uac) {
    *elevated = geteuid() == 0 ? 1 : 0;
    *uac = 0;
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

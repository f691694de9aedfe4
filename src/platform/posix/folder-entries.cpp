// Section 2 of the seam: a folder kept open while its files are deleted.
// Its Windows path is translated and looked up once; every entry is then
// reached with the *at calls relative to it, as rm does.
#include "platform/platform.h"

#include "platform/posix/hostpath.h"
#include "platform/posix/lasterror.h"
#include "platform/posix/links.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

struct PlatFolder_ {
    int fd;
};

namespace {

// Only a plain name is an entry of the folder: nothing that names the
// folder itself, its parent or anything below it.
bool IsEntryName(const char* name) {
    return name && name[0] != '\0' && strcmp(name, ".") != 0 && strcmp(name, "..") != 0 &&
           !strchr(name, '/') && !strchr(name, '\\');
}

// Calls `act` with the name; a name ending in ".exe" (any case) that names
// nothing falls back to the name without it, as full paths do: the native
// program file has no extension. 0 and errno on failure.
template <typename Act>
int WithExeFallback(const char* name, Act act) {
    if (act(name) == 0)
        return 1;
    int error = errno;
    size_t length = strlen(name);
    char bare[NAME_MAX + 1];
    if (error == ENOENT && length > 4 && length - 4 < sizeof bare &&
        strcasecmp(name + length - 4, ".exe") == 0) {
        memcpy(bare, name, length - 4);
        bare[length - 4] = '\0';
        if (act(bare) == 0)
            return 1;
    }
    errno = error;
    return 0;
}

bool Usable(PlatFolder folder, const char* name) {
    if (folder && IsEntryName(name))
        return true;
    SetPlatLastError(folder ? ERROR_INVALID_NAME : ERROR_INVALID_HANDLE);
    return false;
}

} // namespace

PlatFolder PlatFolderOpen(const char* folder) {
    char host[PATH_MAX];
    if (!HostPathFromWindowsExact(folder, host, sizeof host))
        return nullptr;
    // A trailing '/' would make open() follow a link that is the folder.
    DropTrailingSeparators(host);
    if (host[0] == '\0') {
        SetPlatLastError(ERROR_PATH_NOT_FOUND);
        return nullptr;
    }
    // A link on the way would put the folder inside the link's target; the
    // folder itself is refused below by O_NOFOLLOW. Checked once per folder.
    if (HostPathCrossesLink(host)) {
        SetPlatLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    // O_PATH: deleting needs only the right to search and write the
    // folder, not to read it.
    int fd = open(host, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            SetPlatLastError(ERROR_PATH_NOT_FOUND);
        else
            SetLastErrorFromErrno(errno);
        return nullptr;
    }
    return new PlatFolder_{fd};
}

void PlatFolderClose(PlatFolder folder) {
    if (!folder)
        return;
    close(folder->fd);
    delete folder;
}

int PlatFolderDeleteFile(PlatFolder folder, const char* name) {
    if (!Usable(folder, name))
        return 0;
    if (WithExeFallback(name, [&](const char* entry) { return unlinkat(folder->fd, entry, 0); }))
        return 1;
    SetLastErrorFromErrno(errno);
    return 0;
}

int PlatFolderEntryExists(PlatFolder folder, const char* name) {
    if (!Usable(folder, name))
        return 0;
    struct stat info;
    if (WithExeFallback(name, [&](const char* entry) {
            return fstatat(folder->fd, entry, &info, AT_SYMLINK_NOFOLLOW);
        }))
        return 1;
    SetLastErrorFromErrno(errno);
    return 0;
}

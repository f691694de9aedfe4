// Section 2 of the seam: files. Paths arrive as Windows paths and are
// mapped to host paths; failures leave a Windows error code.
#include "platform/platform.h"

#include "platform/posix/hostpath.h"
#include "platform/posix/lasterror.h"
#include "platform/posix/links.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How a path is going to be used decides whether the ".exe" fallback
// applies: only to files that must exist already.
enum class PathUse { Existing, Created };

struct HostPath {
    char text[PATH_MAX];
    bool valid;
    HostPath(const char* windowsPath, PathUse use) {
        valid = use == PathUse::Existing
                    ? HostPathFromWindows(windowsPath, text, sizeof text) != 0
                    : HostPathForWriting(windowsPath, text, sizeof text) != 0;
    }
};

int Fail(const char* hostPath) {
    SetLastErrorFromErrno(errno, hostPath);
    return 0;
}

// The C library's mode without Windows' 't' (text), which POSIX lacks.
bool HostMode(const char* mode, char* out, size_t size) {
    size_t length = 0;
    for (const char* c = mode; *c; c++) {
        if (*c == 't')
            continue;
        if (length + 1 >= size)
            return false;
        out[length++] = *c;
    }
    out[length] = '\0';
    return length > 0;
}

bool WriteAll(int fd, const char* data, size_t length) {
    while (length > 0) {
        ssize_t written = write(fd, data, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

bool CopyContent(int from, int to) {
    char block[65536];
    for (;;) {
        ssize_t got = read(from, block, sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (!WriteAll(to, block, static_cast<size_t>(got)))
            return false;
    }
}

// Opens the copy's target. Windows refuses to copy a file onto itself
// (the source is open without write sharing); truncating here would
// destroy the source, so the same file is refused before anything is cut.
int OpenCopyTarget(const char* hostPath, const struct stat& source, bool failIfExists) {
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : 0);
    int fd = open(hostPath, flags, source.st_mode & 07777);
    if (fd < 0) {
        if (errno == EEXIST)
            SetPlatLastError(ERROR_FILE_EXISTS);
        else
            SetLastErrorFromErrno(errno, hostPath);
        return -1;
    }
    struct stat target;
    if (fstat(fd, &target) != 0 ||
        (target.st_dev == source.st_dev && target.st_ino == source.st_ino)) {
        close(fd);
        SetPlatLastError(ERROR_SHARING_VIOLATION);
        return -1;
    }
    if (ftruncate(fd, 0) != 0) {
        SetLastErrorFromErrno(errno, hostPath);
        close(fd);
        return -1;
    }
    return fd;
}

int CopyHostFile(const char* from, const char* to, bool failIfExists) {
    int source = open(from, O_RDONLY | O_CLOEXEC);
    if (source < 0)
        return Fail(from);
    struct stat info;
    if (fstat(source, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(source);
        SetPlatLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    int target = OpenCopyTarget(to, info, failIfExists);
    if (target < 0) {
        close(source);
        return 0;
    }
    bool copied = CopyContent(source, target);
    int copyError = errno;
    // The attributes travel with the copy: a copied program stays runnable.
    fchmod(target, info.st_mode & 07777);
    bool closed = close(target) == 0;
    close(source);
    if (!copied || !closed) {
        // Like CopyFile, no half-written target is left behind.
        unlink(to);
        SetLastErrorFromErrno(copied ? EIO : copyError, to);
        return 0;
    }
    return 1;
}

} // namespace

FILE* PlatFileOpen(const char* path, const char* mode) {
    char hostMode[16];
    if (!path || !mode || !HostMode(mode, hostMode, sizeof hostMode)) {
        SetPlatLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HostPath host(path, hostMode[0] == 'r' ? PathUse::Existing : PathUse::Created);
    if (!host.valid)
        return nullptr;
    FILE* file = fopen(host.text, hostMode);
    if (!file) {
        SetLastErrorFromErrno(errno, host.text);
        return nullptr;
    }
    // Windows cannot open a folder as a file; glibc can, for reading.
    struct stat info;
    if (fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        fclose(file);
        SetPlatLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return file;
}

int PlatDeleteFile(const char* path) {
    HostPath host(path, PathUse::Existing);
    if (!host.valid)
        return 0;
    // A link among the folders would delete in its target; a link as the
    // last name is removed itself, as unlink does.
    if (HostPathCrossesLink(host.text)) {
        SetPlatLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    return unlink(host.text) == 0 ? 1 : Fail(host.text);
}

int PlatCopyFile(const char* from, const char* to, int failIfExists) {
    HostPath source(from, PathUse::Existing);
    HostPath target(to, PathUse::Created);
    if (!source.valid || !target.valid)
        return 0;
    return CopyHostFile(source.text, target.text, failIfExists != 0);
}

int PlatMoveFile(const char* from, const char* to) {
    HostPath source(from, PathUse::Existing);
    HostPath target(to, PathUse::Created);
    if (!source.valid || !target.valid)
        return 0;
    if (rename(source.text, target.text) == 0)
        return 1;
    if (errno != EXDEV)
        return Fail(source.text);
    // Another file system: copy, then remove the original.
    if (!CopyHostFile(source.text, target.text, false))
        return 0;
    return unlink(source.text) == 0 ? 1 : Fail(source.text);
}

int PlatFileSize(const char* path, uint32_t* size) {
    HostPath host(path, PathUse::Existing);
    if (!host.valid || !size)
        return 0;
    struct stat info;
    if (stat(host.text, &info) != 0)
        return Fail(host.text);
    *size = S_ISDIR(info.st_mode) ? 0 : static_cast<uint32_t>(info.st_size);
    return 1;
}

int PlatFileExists(const char* path) {
    HostPath host(path, PathUse::Existing);
    if (!host.valid)
        return 0;
    struct stat info;
    return stat(host.text, &info) == 0 ? 1 : Fail(host.text);
}

int PlatRestartDeletesFiles() { return 0; }

int PlatDeleteOnRestart(const char*) {
    // Nothing on POSIX runs deletions at the next start.
    SetPlatLastError(ERROR_NOT_SUPPORTED);
    return 0;
}

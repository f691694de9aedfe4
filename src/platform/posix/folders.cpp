// Section 2 of the seam: folders, the well-known folders inside the
// prefix, and temporary file names.
#include "platform/platform.h"

#include "platform/posix/hostpath.h"
#include "platform/posix/lasterror.h"
#include "platform/posix/links.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int MAX_PATH_LENGTH = 260;

int Fail(const char* hostPath) {
    SetLastErrorFromErrno(errno, hostPath);
    return 0;
}

int Give(const std::string& text, char* buffer, int size) {
    if (!buffer || size <= 0 || text.size() >= static_cast<size_t>(size)) {
        if (buffer && size > 0)
            buffer[0] = '\0';
        SetPlatLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(buffer, text.c_str(), text.size() + 1);
    return 1;
}

// A folder of drive C, given as a Windows path. It is not made here: a
// query changes nothing, and the first write inside drive C makes them all.
// A file in its place is no folder: the query fails.
int DriveCFolder(const std::string& relative, const char* suffix, char* buffer, int size) {
    std::string windows = "C:\\" + relative;
    for (char& c : windows)
        if (c == '/')
            c = '\\';
    char host[PATH_MAX];
    struct stat info;
    bool usable = HostPathFromWindowsExact(windows.c_str(), host, sizeof host) != 0;
    if (usable && stat(host, &info) == 0 && !S_ISDIR(info.st_mode)) {
        SetPlatLastError(ERROR_ALREADY_EXISTS);
        usable = false;
    }
    if (!usable) {
        if (buffer && size > 0)
            buffer[0] = '\0';
        return 0;
    }
    return Give(windows + suffix, buffer, size);
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

} // namespace

int PlatCreateFolder(const char* path) {
    char host[PATH_MAX];
    if (!HostPathForWriting(path, host, sizeof host))
        return 0;
    return mkdir(host, 0777) == 0 ? 1 : Fail(host);
}

int PlatRemoveFolder(const char* path) {
    char host[PATH_MAX];
    if (!HostPathFromWindowsExact(path, host, sizeof host))
        return 0;
    // As RemoveDirectory does with a junction, a linked folder goes as a
    // link and its target stays; nothing inside a link is removed.
    if (HostPathCrossesLink(host)) {
        SetPlatLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    if (HostPathIsLink(host)) {
        DropTrailingSeparators(host);
        return unlink(host) == 0 ? 1 : Fail(host);
    }
    if (rmdir(host) == 0)
        return 1;
    if (errno == ENOTDIR) {
        SetPlatLastError(ERROR_DIRECTORY);
        return 0;
    }
    // Some file systems say EEXIST for a folder that is not empty.
    if (errno == EEXIST) {
        SetPlatLastError(ERROR_DIR_NOT_EMPTY);
        return 0;
    }
    return Fail(host);
}

int PlatSetCurrentFolder(const char* path) {
    char host[PATH_MAX];
    if (!HostPathFromWindowsExact(path, host, sizeof host))
        return 0;
    return chdir(host) == 0 ? 1 : Fail(host);
}

int PlatListFolder(const char* folder, int (*visit)(const char* name, void* context),
                   void* context) {
    char host[PATH_MAX];
    if (!visit || !HostPathFromWindowsExact(folder, host, sizeof host))
        return 0;
    // A linked folder holds nothing of its own: it is not looked into.
    if (host[0] && HostPathIsLink(host)) {
        if (visit(".", context))
            visit("..", context);
        return 1;
    }
    // An empty folder text searches the current folder, as "*.*" does.
    DIR* listing = opendir(host[0] ? host : ".");
    if (!listing)
        return Fail(host);
    // Windows reports the two dot entries first; readdir in any order.
    bool going = visit(".", context) && visit("..", context);
    while (going) {
        errno = 0;
        const dirent* entry = readdir(listing);
        if (!entry)
            break;
        if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0)
            continue;
        going = visit(entry->d_name, context) != 0;
    }
    closedir(listing);
    return 1;
}

int PlatGetWindowsFolder(char* buffer, int size) {
    return DriveCFolder(DRIVE_C_WINDOWS, "", buffer, size);
}

int PlatGetSystemFolder(char* buffer, int size) {
    return DriveCFolder(DRIVE_C_SYSTEM, "", buffer, size);
}

int PlatGetTempFolder(char* buffer, int size) {
    // GetTempPathA is the one query that ends in a backslash.
    return DriveCFolder(DRIVE_C_TEMP, "\\", buffer, size);
}

int PlatGetProgramsFolder(char* buffer, int size) {
    return DriveCFolder(DriveCProgramsFolder(), "", buffer, size);
}

int PlatGetProfileFolder(char* buffer, int size) {
    return DriveCFolder(DriveCProfileFolder(), "", buffer, size);
}

int PlatGetCurrentFolder(char* buffer, int size) {
    char host[PATH_MAX];
    if (!getcwd(host, sizeof host)) {
        if (buffer && size > 0)
            buffer[0] = '\0';
        return Fail(nullptr);
    }
    return WindowsPathFromHost(host, buffer, size);
}

int PlatTempFileName(const char* folder, const char* prefix, char* result) {
    if (!folder || !prefix || !result) {
        SetPlatLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    result[0] = '\0';
    std::string base = folder;
    if (!base.empty() && !IsSeparator(base.back()))
        base += '\\';
    base.append(prefix, strnlen(prefix, 3));
    // Room for four hex digits, ".TMP" and the NUL in 260 bytes.
    if (base.size() + 4 + 4 + 1 > MAX_PATH_LENGTH) {
        SetPlatLastError(ERROR_BUFFER_OVERFLOW);
        return 0;
    }
    unsigned start = (PlatTickCount() ^ static_cast<unsigned>(getpid())) & 0xFFFF;
    for (unsigned step = 0; step < 0xFFFF; step++) {
        unsigned unique = (start + step) % 0xFFFF + 1; // 1 to FFFF, never 0
        char name[16];
        snprintf(name, sizeof name, "%X.TMP", unique);
        std::string candidate = base + name;
        char host[PATH_MAX];
        if (!HostPathForWriting(candidate.c_str(), host, sizeof host))
            return 0;
        int fd = open(host, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            memcpy(result, candidate.c_str(), candidate.size() + 1);
            return 1;
        }
        if (errno != EEXIST)
            return Fail(host);
    }
    SetPlatLastError(ERROR_FILE_EXISTS);
    return 0;
}

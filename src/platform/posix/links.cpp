#include "platform/posix/links.h"

#include "platform/platform.h"
#include "platform/posix/hostpath.h"

#include <climits>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

bool IsLink(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Where the folders to look at begin: below drive C:'s root inside the
// prefix (whose own path is canonical), else below "/".
size_t DriveRootLength(const std::string& path) {
    char driveC[PATH_MAX];
    if (PrefixHostPath("drive_c", driveC, sizeof driveC)) {
        size_t length = strlen(driveC);
        if (path.compare(0, length, driveC) == 0 && (path.size() == length || path[length] == '/'))
            return length;
    }
    return 0;
}

} // namespace

void DropTrailingSeparators(char* hostPath) {
    size_t length = strlen(hostPath);
    while (length > 1 && hostPath[length - 1] == '/')
        hostPath[--length] = '\0';
}

int HostPathCrossesLink(const char* hostPath) {
    std::string path(hostPath);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    for (size_t cut = path.find('/', DriveRootLength(path) + 1); cut != std::string::npos;
         cut = path.find('/', cut + 1)) {
        if (IsLink(path.substr(0, cut)))
            return 1;
    }
    return 0;
}

int HostPathIsLink(const char* hostPath) {
    std::string path(hostPath);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return IsLink(path) ? 1 : 0;
}

int PlatPathCrossesLink(const char* path) {
    char host[PATH_MAX];
    if (!path || !HostPathFromWindowsExact(path, host, sizeof host))
        return 0;
    if (HostPathCrossesLink(host))
        return 1;
    size_t length = strlen(path);
    // A folder named with its separator is on the way to its entries.
    bool namesFolder = length > 0 && (path[length - 1] == '\\' || path[length - 1] == '/');
    return namesFolder && HostPathIsLink(host) ? 1 : 0;
}

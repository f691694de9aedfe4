#include "platform/posix/lasterror.h"

#include "platform/platform.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {
thread_local uint32_t LastError = ERROR_SUCCESS;

bool FolderOfExists(const char* hostPath) {
    std::string folder(hostPath);
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    size_t cut = folder.find_last_of('/');
    if (cut == std::string::npos)
        return true; // relative name: its folder is the current one
    folder.resize(cut == 0 ? 1 : cut);
    struct stat info;
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
} // namespace

uint32_t PlatLastError() {
    return LastError;
}

void SetPlatLastError(uint32_t code) {
    LastError = code;
}

uint32_t WindowsErrorFromErrno(int error) {
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case EROFS:
        return ERROR_WRITE_PROTECT;
    case EBUSY:
    case ETXTBSY:
        return ERROR_SHARING_VIOLATION;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case EXDEV:
        return ERROR_NOT_SAME_DEVICE;
    case ENOEXEC:
        return ERROR_BAD_EXE_FORMAT;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case ELOOP:
        return ERROR_INVALID_NAME;
    default:
        return ERROR_GEN_FAILURE;
    }
}

void SetLastErrorFromErrno(int error, const char* hostPath) {
    uint32_t code = WindowsErrorFromErrno(error);
    if (code == ERROR_FILE_NOT_FOUND && hostPath && !FolderOfExists(hostPath))
        code = ERROR_PATH_NOT_FOUND;
    LastError = code;
}

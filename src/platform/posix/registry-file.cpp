// POSIX backend: the registry file itself. Every access reads the whole
// file under an exclusive lock on "registry.reg.lock" beside it, and every
// change writes a complete new file that replaces the old one by rename,
// so a crash leaves either the old or the new registry, never half of one,
// and two processes never interleave their changes.
#include "platform/posix/hostpath.h"
#include "platform/posix/lasterror.h"
#include "platform/posix/log-notice.h"
#include "platform/posix/registry-store.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#define REGISTRY_FILE "registry.reg"

namespace {

struct RegistryPaths {
    std::string folder, file, lock, replacement;
};

bool GetRegistryPaths(RegistryPaths* paths) {
    char prefix[4096];
    if (!PrefixHostPath("", prefix, sizeof prefix))
        return false;
    paths->folder = prefix;
    if (!paths->folder.empty() && paths->folder.back() != '/')
        paths->folder += '/';
    paths->file = paths->folder + REGISTRY_FILE;
    paths->lock = paths->file + ".lock";
    paths->replacement = paths->file + ".new";
    return true;
}

// Holds the exclusive lock for as long as it lives.
class FileLock {
  public:
    explicit FileLock(const std::string& path) {
        descriptor_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (descriptor_ < 0)
            return;
        int result;
        do {
            result = flock(descriptor_, LOCK_EX);
        } while (result != 0 && errno == EINTR);
        if (result != 0) {
            close(descriptor_);
            descriptor_ = -1;
        }
    }
    ~FileLock() {
        if (descriptor_ >= 0)
            close(descriptor_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return descriptor_ >= 0; }

  private:
    int descriptor_ = -1;
};

// 0 and the text, or the errno of the failure (ENOENT: no file yet).
int ReadWholeFile(const std::string& path, std::string* text) {
    int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return errno;
    char chunk[8192];
    ssize_t count;
    while ((count = read(descriptor, chunk, sizeof chunk)) != 0) {
        if (count < 0) {
            if (errno == EINTR)
                continue;
            int error = errno;
            close(descriptor);
            return error;
        }
        text->append(chunk, (size_t)count);
    }
    close(descriptor);
    return 0;
}

bool WriteAll(int descriptor, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t count = write(descriptor, text.data() + done, text.size() - done);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += (size_t)count;
    }
    return true;
}

// Writes the new file beside the old one, flushes it to the disk and puts
// it in place. 0 or the errno of the failure; the old file is then intact.
int ReplaceFile(const RegistryPaths& paths, const std::string& text) {
    struct stat old;
    mode_t mode = stat(paths.file.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0600;
    int descriptor =
        open(paths.replacement.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (descriptor < 0)
        return errno;
    int error = 0;
    if (fchmod(descriptor, mode) != 0 || !WriteAll(descriptor, text) || fsync(descriptor) != 0)
        error = errno;
    if (close(descriptor) != 0 && error == 0)
        error = errno;
    if (error == 0 && rename(paths.replacement.c_str(), paths.file.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlink(paths.replacement.c_str());
        return error;
    }
    // The rename itself lasts only once the folder is on the disk too.
    int folder = open(paths.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return 0;
}

void ReportUnreadableFile(const std::string& path, const RegParseError& error) {
    static std::atomic<bool> reported{false};
    if (reported.exchange(true))
        return;
    std::fprintf(stderr,
                 "Registry file %s, line %d: %s. The file is left as it is and the registry "
                 "stays unavailable until it is mended.\n",
                 path.c_str(), error.line, error.reason.c_str());
    std::fflush(stderr);
}

} // namespace

int32_t RegFileAccess(const std::function<int32_t(RegStore& store, bool& changed)>& work) {
    RegistryPaths paths;
    if (!GetRegistryPaths(&paths))
        return ERROR_PATH_NOT_FOUND;
    if (!MakeHostFolders(paths.folder.c_str()))
        return ERROR_ACCESS_DENIED;
    FileLock lock(paths.lock);
    if (!lock.held())
        return (int32_t)WindowsErrorFromErrno(errno);

    RegStore store;
    bool fresh = false;
    std::string foreignFormat; // a format the program reads but does not write
    std::string text;
    int readError = ReadWholeFile(paths.file, &text);
    if (readError == ENOENT) {
        RegAddMachineDefaults(store);
        fresh = true;
    } else if (readError != 0) {
        return (int32_t)WindowsErrorFromErrno(readError);
    } else {
        RegParseError error;
        if (!RegParseText(text, &store, &error, &foreignFormat)) {
            ReportUnreadableFile(paths.file, error);
            return REG_FILE_UNREADABLE;
        }
    }

    bool changed = false;
    int32_t result = work(store, changed);
    if (changed || fresh) {
        int writeError = ReplaceFile(paths, RegFormatText(store));
        // A fresh machine's defaults that cannot be kept are made again
        // next time; only a lost change is a failure.
        if (writeError != 0 && changed && result == ERROR_SUCCESS)
            result = (int32_t)WindowsErrorFromErrno(writeError);
        if (writeError == 0 && !foreignFormat.empty()) {
            std::string notice = "Registry file " + paths.file + " was in the format \"" +
                                 foreignFormat + "\"; it is now written as REGEDIT4";
            PlatLogNotice(notice.c_str());
        }
    }
    return result;
}

bool RegFileWritable() {
    RegistryPaths paths;
    if (!GetRegistryPaths(&paths))
        return false;
    if (access(paths.file.c_str(), F_OK) == 0 && access(paths.file.c_str(), W_OK) != 0)
        return false;
    return access(paths.folder.c_str(), F_OK) != 0 || access(paths.folder.c_str(), W_OK) == 0;
}

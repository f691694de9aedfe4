#include "platform/posix/locked-rewrite.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

const char kLockSuffix[] = ".lock";
const char kNewSuffix[] = ".new-";

// The mode a file is created with, before the umask.
mode_t CreationMode(RewriteAccess access) {
    return access == RewriteAccess::OwnerOnly ? 0600 : 0666;
}

// The mode bits a file may keep from its old version.
mode_t KeptModeBits(RewriteAccess access) {
    return access == RewriteAccess::OwnerOnly ? 0600 : 07777;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Holds the exclusive lock for as long as it lives. The lock file is opened
// for reading only, so that a lock file made by another user (root) does
// not lock its owner out; it is never a link, and never a FIFO that would
// block the open.
class FileLock {
  public:
    FileLock(const std::string& path, mode_t mode) {
        bool created = false;
        descriptor_ = open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (descriptor_ >= 0)
            created = true;
        else if (errno == EEXIST)
            descriptor_ = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (descriptor_ < 0) {
            error_ = errno;
            return;
        }
        struct stat info;
        if (fstat(descriptor_, &info) != 0 || !S_ISREG(info.st_mode)) {
            Fail(ELOOP);
            return;
        }
        if (created)
            GiveToFolderOwner(path);
        int result;
        do {
            result = flock(descriptor_, LOCK_EX);
        } while (result != 0 && errno == EINTR);
        if (result != 0)
            Fail(errno);
    }
    ~FileLock() {
        if (descriptor_ >= 0)
            close(descriptor_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return descriptor_ >= 0; }
    int error() const { return error_; }

  private:
    void Fail(int error) {
        error_ = error;
        close(descriptor_);
        descriptor_ = -1;
    }
    // A lock file that root makes in a user's folder belongs to that user.
    void GiveToFolderOwner(const std::string& path) {
        struct stat folder;
        if (geteuid() == 0 && stat(FolderOf(path).c_str(), &folder) == 0 && folder.st_uid != 0)
            (void)fchown(descriptor_, folder.st_uid, folder.st_gid);
    }

    int descriptor_ = -1;
    int error_ = 0;
};

// New files of writers that died before their rename. Only the lock
// holder writes one, so under the lock every such file is left over.
void RemoveLeftovers(const std::string& path) {
    std::string prefix = NameOf(path) + kNewSuffix;
    DIR* folder = opendir(FolderOf(path).c_str());
    if (!folder)
        return;
    while (dirent* entry = readdir(folder)) {
        if (std::string(entry->d_name).compare(0, prefix.size(), prefix) == 0)
            unlinkat(dirfd(folder), entry->d_name, 0);
    }
    closedir(folder);
}

bool ReadAll(int descriptor, std::string* text) {
    char chunk[8192];
    for (;;) {
        ssize_t count = read(descriptor, chunk, sizeof chunk);
        if (count == 0)
            return true;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        text->append(chunk, (size_t)count);
    }
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

// Opens a new file beside `path` under a name nobody else has used. O_EXCL
// never follows a link and fails on any existing name; the kernel gives
// the new file the umask. A private file is never readable by others, not
// even for the moment before its mode is set.
int CreateUniqueBeside(const std::string& path, mode_t mode, std::string* name) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        unsigned long mix = (unsigned long)now.tv_nsec * 2654435761u ^ (unsigned long)getpid() << 16 ^
                            counter.fetch_add(1);
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%06lx", mix & 0xFFFFFF);
        *name = path + kNewSuffix + suffix;
        int descriptor =
            open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (descriptor >= 0 || errno != EEXIST)
            return descriptor;
    }
    errno = EEXIST;
    return -1;
}

// The new file takes the old one's owner, group and mode. Without the
// right to give a file away, another user's file is not replaced; a group
// that cannot be kept on one's own file is no reason to refuse. A private
// file keeps only its owner's bits: one left readable by others (an older
// program made it 0644) is closed on its next rewrite.
int KeepOwnerAndMode(int descriptor, const struct stat* old, RewriteAccess access) {
    if (old == nullptr)
        return access == RewriteAccess::OwnerOnly && fchmod(descriptor, 0600) != 0 ? errno : 0;
    if ((old->st_uid != geteuid() || old->st_gid != getegid()) &&
        fchown(descriptor, old->st_uid, old->st_gid) != 0 && old->st_uid != geteuid())
        return errno;
    return fchmod(descriptor, old->st_mode & KeptModeBits(access)) == 0 ? 0 : errno;
}

int Replace(const std::string& path, const struct stat* old, const std::string& text,
            RewriteAccess access) {
    std::string name;
    int descriptor = CreateUniqueBeside(path, CreationMode(access), &name);
    if (descriptor < 0)
        return errno;
    int error = KeepOwnerAndMode(descriptor, old, access);
    if (error == 0 && (!WriteAll(descriptor, text) || fsync(descriptor) != 0))
        error = errno;
    if (close(descriptor) != 0 && error == 0)
        error = errno;
    if (error == 0 && rename(name.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlink(name.c_str());
        return error;
    }
    // The rename itself lasts only once the folder is on the disk too.
    int folder = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return 0;
}

} // namespace

RewriteOutcome RewriteLocked(
    const std::string& path,
    const std::function<bool(bool exists, const std::string& text, std::string* replacement)>&
        edit,
    RewriteAccess access) {
    FileLock lock(path + kLockSuffix, CreationMode(access));
    if (!lock.held())
        return {RewriteStage::Lock, lock.error()};
    RemoveLeftovers(path);

    struct stat old;
    bool exists = lstat(path.c_str(), &old) == 0;
    if (!exists && errno != ENOENT)
        return {RewriteStage::Read, errno};
    if (exists && !S_ISREG(old.st_mode))
        return {RewriteStage::NotRegular, ELOOP};

    std::string text;
    if (exists) {
        int descriptor = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0)
            return {errno == ELOOP ? RewriteStage::NotRegular : RewriteStage::Read, errno};
        bool read = fstat(descriptor, &old) == 0 && S_ISREG(old.st_mode) && ReadAll(descriptor, &text);
        int error = errno;
        close(descriptor);
        if (!read)
            return {RewriteStage::Read, error};
    }

    std::string replacement;
    if (!edit(exists, text, &replacement))
        return {};
    int error = Replace(path, exists ? &old : nullptr, replacement, access);
    if (error != 0)
        return {RewriteStage::Write, error};
    return {};
}

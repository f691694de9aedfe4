// POSIX backend: the registry file itself. Every access reads the whole
// file under the lock of locked-rewrite.h, and every change writes a
// complete new file that replaces the old one by rename, so a crash leaves
// either the old or the new registry, never half of one, and two processes
// never interleave their changes. A registry path that is a link or any
// other non-regular file is refused, never followed or replaced.
#include "platform/posix/hostpath.h"
#include "platform/posix/lasterror.h"
#include "platform/posix/locked-rewrite.h"
#include "platform/posix/log-notice.h"
#include "platform/posix/registry-store.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <unistd.h>

#define REGISTRY_FILE "registry.reg"

namespace {

struct RegistryPaths {
    std::string folder, file;
};

bool GetRegistryPaths(RegistryPaths* paths) {
    char prefix[4096];
    if (!PrefixHostPath("", prefix, sizeof prefix))
        return false;
    paths->folder = prefix;
    if (!paths->folder.empty() && paths->folder.back() != '/')
        paths->folder += '/';
    paths->file = paths->folder + REGISTRY_FILE;
    return true;
}

// `where` is ", line N" or empty.
void ReportUnreadableFile(const std::string& path, const std::string& where,
                          const std::string& reason) {
    static std::atomic<bool> reported{false};
    if (reported.exchange(true))
        return;
    std::fprintf(stderr,
                 "Registry file %s%s: %s. The file is left as it is and the registry "
                 "stays unavailable until it is mended.\n",
                 path.c_str(), where.c_str(), reason.c_str());
    std::fflush(stderr);
}

std::atomic<bool> KeptUnchanged{false};

// A registry that is only read needs neither the file nor its lock: a
// missing file reads as a fresh machine's registry.
int32_t ReadMissingFile(const std::function<int32_t(RegStore& store, bool& changed)>& work) {
    RegStore store;
    RegAddMachineDefaults(store);
    bool changed = false;
    int32_t result = work(store, changed);
    return changed ? (int32_t)ERROR_ACCESS_DENIED : result;
}

} // namespace

void PlatRegKeepUnchanged() { KeptUnchanged = true; }

int32_t RegFileAccess(const std::function<int32_t(RegStore& store, bool& changed)>& work) {
    RegistryPaths paths;
    if (!GetRegistryPaths(&paths))
        return ERROR_PATH_NOT_FOUND;
    if (KeptUnchanged && access(paths.file.c_str(), F_OK) != 0)
        return ReadMissingFile(work);
    if (!MakeHostFolders(paths.folder.c_str()))
        return ERROR_ACCESS_DENIED;

    // The store is made, and `work` runs, under the file's lock.
    int32_t result = ERROR_SUCCESS;
    bool changed = false;
    bool unreadable = false;
    std::string foreignFormat; // a format the program reads but does not write
    RewriteOutcome outcome = RewriteLocked(
        paths.file, [&](bool exists, const std::string& text, std::string* replacement) {
            RegStore store;
            if (!exists) {
                RegAddMachineDefaults(store);
            } else {
                RegParseError error;
                if (!RegParseText(text, &store, &error, &foreignFormat)) {
                    ReportUnreadableFile(paths.file, ", line " + std::to_string(error.line),
                                         error.reason);
                    unreadable = true;
                    return false;
                }
            }
            result = work(store, changed);
            if (changed && KeptUnchanged) {
                result = ERROR_ACCESS_DENIED;
                return false;
            }
            if (!changed && exists)
                return false;
            *replacement = RegFormatText(store);
            return true;
        },
        RewriteAccess::OwnerOnly);
    switch (outcome.stage) {
    case RewriteStage::Done:
        if (unreadable)
            return REG_FILE_UNREADABLE;
        if (changed && !foreignFormat.empty()) {
            std::string notice = "Registry file " + paths.file + " was in the format \"" +
                                 foreignFormat + "\"; it is now written as REGEDIT4";
            PlatLogNotice(notice.c_str());
        }
        return result;
    case RewriteStage::NotRegular:
        ReportUnreadableFile(paths.file, "", "not a regular file");
        return REG_FILE_UNREADABLE;
    case RewriteStage::Write:
        // A fresh machine's defaults that cannot be kept are made again
        // next time; only a lost change is a failure.
        if (changed && result == ERROR_SUCCESS)
            result = (int32_t)WindowsErrorFromErrno(outcome.error);
        return result;
    case RewriteStage::Lock:
    case RewriteStage::Read:
        break;
    }
    return (int32_t)WindowsErrorFromErrno(outcome.error);
}

bool RegFileWritable() {
    RegistryPaths paths;
    if (!GetRegistryPaths(&paths))
        return false;
    if (access(paths.file.c_str(), F_OK) == 0 && access(paths.file.c_str(), W_OK) != 0)
        return false;
    return access(paths.folder.c_str(), F_OK) != 0 || access(paths.folder.c_str(), W_OK) == 0;
}

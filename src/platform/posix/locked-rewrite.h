// POSIX backend: the one way a small shared file (the registry file,
// "wininit.ini") is changed. An exclusive lock on "<file>.lock" is held for
// the whole read-modify-write, so concurrent writers never lose each
// other's changes; the new content goes to a new, uniquely named file
// beside the old one ("<file>.new-XXXXXX", created with O_EXCL, so no
// planted link is ever followed), which is flushed and then renamed into
// place, so a crash or a full disk leaves the old file complete. The new
// file keeps the old one's owner, group and mode; a first file gets the
// mode 0666 less the umask. A private file (the registry: it holds the
// user's name and address) and its lock are made 0600 whatever the umask,
// and no rewrite gives anyone else access to it.
#pragma once

#include <functional>
#include <string>

enum class RewriteStage {
    Done,       // the edit ran; the new file, if any, is in place
    Lock,       // the lock could not be taken
    Read,       // the file exists but could not be read
    NotRegular, // the path is a link, a folder or anything but a file
    Write,      // the new file could not be written; the old one is intact
};

enum class RewriteAccess {
    Shared,    // what the umask and the old file allow
    OwnerOnly, // read and write for the owner, nothing for anyone else
};

struct RewriteOutcome {
    RewriteStage stage = RewriteStage::Done;
    int error = 0; // errno of the failed stage
};

// Under the lock, reads the file at host path `path` and calls `edit` with
// whether it exists and its content. `edit` returns whether to write and
// fills `replacement`.
RewriteOutcome RewriteLocked(
    const std::string& path,
    const std::function<bool(bool exists, const std::string& text, std::string* replacement)>&
        edit,
    RewriteAccess access = RewriteAccess::Shared);

// POSIX backend: PlatRewriteFile, on the locked rewrite the registry file
// uses too.
#include "platform/platform.h"
#include "platform/posix/hostpath.h"
#include "platform/posix/lasterror.h"
#include "platform/posix/locked-rewrite.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

int PlatRewriteFile(const char* path, PlatFileEditor edit, void* context) {
    char host[4096];
    if (!path || !edit || !HostPathForWriting(path, host, sizeof host))
        return 0;
    bool edited = false;
    RewriteOutcome outcome = RewriteLocked(
        host, [&](bool exists, const std::string& text, std::string* replacement) {
            char* buffer = nullptr;
            size_t size = 0;
            FILE* out = open_memstream(&buffer, &size);
            if (!out)
                return false;
            edited = edit(exists ? text.data() : nullptr, (uint32_t)text.size(), out, context) != 0;
            edited = fclose(out) == 0 && edited;
            if (edited)
                replacement->assign(buffer, size);
            std::free(buffer);
            return edited;
        });
    if (outcome.stage == RewriteStage::Done && edited)
        return 1;
    if (outcome.stage == RewriteStage::NotRegular)
        SetPlatLastError(ERROR_ACCESS_DENIED);
    else if (outcome.error != 0)
        SetLastErrorFromErrno(outcome.error, host);
    return 0;
}

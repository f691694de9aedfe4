// Check sites and fatal reports. A check site records its source file and
// line (BeginCheck takes the core lock for the check that follows); a failed
// check shows the report, writes it to the diagnostic outputs and ends the
// process with status 1 (a silent run with its failure status), skipping
// all teardown.
#include "base/core.h"
#include "base/runstyle.h"

#include "platform/platform.h"

namespace {

struct Location {
    const char* file;
    int32_t line;
};

// Only the pointer is kept: check sites pass their compiler-made file names.
Location ErrorLocation = {nullptr, 0};

[[noreturn]] void FatalEnd(const char* prefix, const char* format, va_list arguments) {
    CoreLock();
    Location site = ErrorLocation;
    FormatDebugText(1, prefix, site.file, site.line, format, arguments);
    CoreUnlock();
    PlatExit(FatalExitStatus());
}

} // namespace

int SetErrorLocation(const char* file, int line) {
    ErrorLocation.file = file;
    ErrorLocation.line = line;
    return 1;
}

void BeginCheck(const char* file, int line) {
    CoreLock();
    SetErrorLocation(file, line);
}

int CheckPointer(const void* pointer) {
    if (pointer != nullptr) {
        CoreUnlock();
        return 1;
    }
    return CoreAssert(0, "Pointer is NULL...\n");
}

int CoreAssert(int condition, const char* format, ...) {
    if (condition) {
        CoreUnlock();
        return 1;
    }
    va_list arguments;
    va_start(arguments, format);
    FatalEnd("ASSERT:", format, arguments);
}

void RaiseError(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    FatalEnd("ABORT: ", format, arguments);
}

// The core lock: one re-entrant, process-wide lock around the library's
// shared state (line buffer, error location, memory counters).
//
// It starts bypassed so the library works before DebugInit, and returns to
// bypass when DebugRemove closes it, so that the last log lines written
// after that still go out.
#include "base/core.h"

#include <atomic>
#include <mutex>

namespace {

// Never destroyed: a fatal report may end the process while the lock is
// held, and exit-time destruction of a held mutex is undefined.
std::recursive_mutex& Mutex() {
    static std::recursive_mutex* mutex = new std::recursive_mutex;
    return *mutex;
}

std::atomic<int32_t> Bypass{1};

} // namespace

int CoreLockCreate() {
    Mutex();
    CoreLockSetBypass(0);
    return 1;
}

int CoreLockClose() {
    CoreLockSetBypass(1);
    return 1;
}

int CoreLock() {
    if (Bypass.load() == 1) return 1;
    Mutex().lock();
    return 1;
}

int CoreUnlock() {
    if (Bypass.load() == 1) return 1;
    Mutex().unlock();
    return 1;
}

int CoreLockSetBypass(int on) {
    std::lock_guard<std::recursive_mutex> hold(Mutex());
    Bypass.store(on == 1 ? 1 : 0);
    return 1;
}

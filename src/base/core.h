// The runtime's diagnostics and tracked memory: the core lock, the debug
// log and console, source-located fatal reports, CRC-32, command-line
// arguments, and the guarded heap every other module allocates from. The
// log and the heap are process-wide on purpose: every layer reports to the
// one log and allocates from the one heap, which counts what was not freed.
#pragma once

#include <cstdarg>
#include <cstdint>

#define ZUNKCORE_VERSION "0.35"

// DebugFlags bits.
#define DEBUG_CONSOLE 1
#define DEBUG_LOGFILE 2
#define DEBUG_VERBOSE 4
#define DEBUG_APPEND 8

#define LINE_BUFFER_SIZE 4096
#define LINE_TEXT_MAXIMUM 4086

extern int32_t DebugFlags;

// The core lock is re-entrant. It is bypassed (a no-op) until
// CoreLockCreate and again after CoreLockClose, so the library works before
// DebugInit and after DebugRemove.
int CoreLockCreate();
int CoreLockClose();
int CoreLock();
int CoreUnlock();
int CoreLockSetBypass(int on);

int ParseDebugSwitches(const char* commandTail, int32_t* flags);
int DebugInit(const char* logName, int32_t flags);
int DebugRemove();
// The full path of the log file (also the console title).
const char* DebugLogPath();

int SetErrorLocation(const char* file, int line);
void BeginCheck(const char* file, int line);
int CheckPointer(const void* pointer);
int CoreAssert(int condition, const char* format, ...) __attribute__((format(printf, 2, 3)));
[[noreturn]] void RaiseError(const char* format, ...) __attribute__((format(printf, 1, 2)));

int LogPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
int LogSection(const char* title);
int WriteDebugText(const char* text);
// mode 1 is a fatal report (notice first, then the outputs); any other
// mode formats a log line.
int FormatDebugText(int mode, const char* prefix, const char* file, int line, const char* format,
                    va_list arguments);
// The shared line buffer as the last output left it (empty before any).
const char* DebugLastText();

uint32_t ComputeCrc32(const void* buffer, int32_t length);
const char* GetCommandArgument(const char* text, int index, int* count);

// Check-site shorthands: the site's own file and line.
#define CHECK_POINTER(p) (BeginCheck(__FILE__, __LINE__), CheckPointer(p))
#define CORE_ASSERT(cond, ...) (BeginCheck(__FILE__, __LINE__), CoreAssert((cond), __VA_ARGS__))
#define RAISE_ERROR(...) (BeginCheck(__FILE__, __LINE__), RaiseError(__VA_ARGS__))

// ---------------------------------------------------------------------------
// Tracked memory

#define MEM_LIMIT_MAXIMUM 0x0FFFFFFF
#define MEM_TAG 1

int MemInit(int32_t limit, uint32_t quickSize);
int MemRemove();
void* MemAlloc(int32_t size, uint32_t tag, const char* file, int line);
// `pointerVariable` is the address of the caller's pointer, cleared on return.
int MemFree(void* pointerVariable, int32_t size, uint32_t tag, const char* file, int line);
int MemCheckGuards(const void* base, int32_t size, const char* file, int line);

// The manager's counters, for tests and reports.
struct MemStats {
    int32_t count, bytes, limit, peakCount, peakBytes;
};
MemStats MemGetStats();

template <class T> T* MemAllocOf(int32_t size, const char* file, int line) {
    return static_cast<T*>(MemAlloc(size, MEM_TAG, file, line));
}
#define MEM_ALLOC(T, size) MemAllocOf<T>((size), __FILE__, __LINE__)
#define MEM_FREE(pointerVariable, size) MemFree((pointerVariable), (size), MEM_TAG, __FILE__, __LINE__)

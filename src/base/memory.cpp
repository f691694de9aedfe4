// The tracked heap. Every block carries an address-derived guard before and
// after the caller's area, is zero-filled when handed out and wiped when
// returned, and is counted against a global limit. Misuse is fatal and
// reported at the caller's source location.
//
// Heap request layout (n = gross size: the requested size plus 8, rounded up
// to a multiple of 4):
//
//   raw + 0 .. 11    bookkeeping: the gross size and its complement
//   raw + 12         block base: front guard (4 bytes)
//   raw + 16         the caller's area, 16-byte aligned like any heap block
//   base + n - 4     back guard (4 bytes)
//
// The bookkeeping lets a free with a wrong size be judged without reading
// past the end of the block, and the 12 bytes keep the caller's area
// aligned for any type.
#include "base/core.h"

#include <cstdlib>
#include <cstring>

namespace {

const int GUARD_SIZE = 4;
const int BOOKKEEPING_SIZE = 12;

struct Bookkeeping {
    int32_t grossSize;
    uint32_t check; // ~grossSize while the block is live
    uint32_t unused;
};

struct MemoryState {
    int32_t count, bytes, limit, peakCount, peakBytes, quickSize;
};

MemoryState State;

int64_t GrossSize(int32_t size) { return (int64_t{size} + 11) & ~int64_t{3}; }

unsigned char GuardByte(const unsigned char* base, int i) {
    return static_cast<unsigned char>((reinterpret_cast<uintptr_t>(base) >> i) ^ 0xCC);
}

void WriteGuard(unsigned char* base, unsigned char* guard) {
    for (int i = 0; i < GUARD_SIZE; i++) guard[i] = GuardByte(base, i);
}

int DifferingGuardBytes(const unsigned char* base, const unsigned char* guard) {
    int differing = 0;
    for (int i = 0; i < GUARD_SIZE; i++) differing += guard[i] != GuardByte(base, i);
    return differing;
}

unsigned char* RawFromBase(const unsigned char* base) {
    return const_cast<unsigned char*>(base) - BOOKKEEPING_SIZE;
}

// The gross size recorded at allocation, or 0 when the record is damaged.
int32_t RecordedGrossSize(const unsigned char* base) {
    Bookkeeping record;
    memcpy(&record, RawFromBase(base), sizeof record);
    if (record.check != ~static_cast<uint32_t>(record.grossSize)) return 0;
    return record.grossSize;
}

void NoteAllocation(int32_t gross) {
    State.count += 1;
    State.bytes += gross;
    if (State.count > State.peakCount) State.peakCount = State.count;
    if (State.bytes > State.peakBytes) State.peakBytes = State.bytes;
}

} // namespace

int MemInit(int32_t limit, uint32_t quickSize) {
    bool verbose = (DebugFlags & DEBUG_VERBOSE) != 0;
    if (verbose) LogSection("Memory Init");
    State = MemoryState{0, 0, limit, 0, 0, static_cast<int32_t>(quickSize)};
    if (verbose && quickSize == 0) LogPrint("Quickmemory Initialized (Disabled)\n");
    if (verbose) {
        if (limit == MEM_LIMIT_MAXIMUM) LogPrint("Memory Initialized (Maximum)\n");
        else LogPrint("Memory Initialized (limit %dk)\n", limit >> 10);
        LogSection(nullptr);
    }
    return 1;
}

int MemRemove() {
    bool verbose = (DebugFlags & DEBUG_VERBOSE) != 0;
    if (verbose) {
        LogSection("Memory Remove");
        LogPrint("Maximum Memory in use (%d / %dk)\n", State.peakCount, State.peakBytes >> 10);
    }
    if (State.bytes != 0) {
        if (State.bytes >= 1024)
            LogPrint("Not all memory was free'd (%d / %dk)\n", State.count, State.bytes >> 10);
        else
            LogPrint("Not all memory was free'd (%d / %db)\n", State.count, State.bytes);
    }
    if (verbose) LogSection(nullptr);
    return 1;
}

void* MemAlloc(int32_t size, uint32_t tag, const char* file, int line) {
    (void)tag;
    CoreLock();
    if (size < 1) {
        SetErrorLocation(file, line);
        RaiseError("Invalid Memory Size (%d)\n", size);
    }
    int64_t gross = GrossSize(size);
    if (State.bytes + gross > State.limit) {
        SetErrorLocation(file, line);
        RaiseError("Memory exceeds limit ((%d + %d) / %d)\n", State.bytes,
                   static_cast<int32_t>(gross), State.limit);
    }
    int32_t n = static_cast<int32_t>(gross);
    auto* raw = static_cast<unsigned char*>(malloc(static_cast<size_t>(n) + BOOKKEEPING_SIZE));
    if (raw == nullptr) {
        SetErrorLocation(file, line);
        RaiseError("No Memory available (%d / %d)\n", size, n);
    }
    Bookkeeping record{n, ~static_cast<uint32_t>(n), 0};
    memcpy(raw, &record, sizeof record);

    unsigned char* base = raw + BOOKKEEPING_SIZE;
    WriteGuard(base, base);
    memset(base + GUARD_SIZE, 0, static_cast<size_t>(n) - 2 * GUARD_SIZE);
    WriteGuard(base, base + n - GUARD_SIZE);

    NoteAllocation(n);
    CoreUnlock();
    return base + GUARD_SIZE;
}

int MemCheckGuards(const void* base, int32_t size, const char* file, int line) {
    auto* block = static_cast<const unsigned char*>(base);
    int64_t gross = GrossSize(size);
    int before = DifferingGuardBytes(block, block);
    // A size larger than the block's own would put the back guard past its
    // end: such a guard counts as entirely wrong, and nothing there is read.
    int after = GUARD_SIZE;
    int32_t recorded = RecordedGrossSize(block);
    if (size >= 1 && gross <= recorded)
        after = DifferingGuardBytes(block, block + gross - GUARD_SIZE);
    if (before == 0 && after == 0) return 1;
    SetErrorLocation(file, line);
    RaiseError("Memory corrupt (%d) <Before:%d After:%d Max:%d>\n", size, before, after,
               GUARD_SIZE);
}

int MemFree(void* pointerVariable, int32_t size, uint32_t tag, const char* file, int line) {
    (void)tag;
    CoreLock();
    if (size < 1) {
        SetErrorLocation(file, line);
        RaiseError("Invalid Memory Size (%d)\n", size);
    }
    int32_t n = static_cast<int32_t>(GrossSize(size));
    void* pointer = nullptr;
    if (pointerVariable != nullptr) memcpy(&pointer, pointerVariable, sizeof pointer);
    if (pointer == nullptr) {
        SetErrorLocation(file, line);
        RaiseError("No Memory address to free (%d / %d)\n", size, n);
    }
    unsigned char* base = static_cast<unsigned char*>(pointer) - GUARD_SIZE;
    MemCheckGuards(base, size, file, line);

    // Wipe the whole block as it was allocated, bookkeeping included.
    unsigned char* raw = RawFromBase(base);
    memset(raw, 0, static_cast<size_t>(RecordedGrossSize(base)) + BOOKKEEPING_SIZE);
    free(raw);
    pointer = nullptr;
    memcpy(pointerVariable, &pointer, sizeof pointer);

    State.count -= 1;
    State.bytes -= n;
    CoreUnlock();
    return 1;
}

MemStats MemGetStats() {
    CoreLock();
    MemStats stats{State.count, State.bytes, State.limit, State.peakCount, State.peakBytes};
    CoreUnlock();
    return stats;
}

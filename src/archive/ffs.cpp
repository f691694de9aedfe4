// The payload archive: loads the scrambled block behind the tag from the
// program's own file and serves it as the one file of the archive. With no
// archive loaded, names are real files on disk.
#include "archive/ffs.h"

#include "archive/ffs-layout.h"
#include "archive/pe-certificate.h"
#include "base/core.h"
#include "base/strings.h"
#include "platform/platform.h"

#include <cstring>

// The loaded block (payload plus the four trailer bytes, unscrambled) and
// its length; NULL and 0 while nothing is loaded.
static unsigned char* FfsData = nullptr;
static uint32_t FfsLength = 0;

// The size as the position at the end of the file. A size that a long cannot
// report counts as 0, which no archive can have.
static uint32_t SizeOfOpenFile(FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return 0;
    long end = std::ftell(file);
    return end > 0 ? uint32_t(end) : 0;
}

static int ReadFromOpenFile(void* source, uint32_t offset, unsigned char* bytes, uint32_t length) {
    FILE* file = static_cast<FILE*>(source);
    if (std::fseek(file, long(offset), SEEK_SET) != 0) return 0;
    return std::fread(bytes, 1, length, file) == length;
}

static void ReleaseBlock() {
    if (FfsData == nullptr) return;
    MEM_FREE(&FfsData, int32_t(FfsLength));
    FfsLength = 0;
}

int FfsOpen(const char* path) {
    CHECK_POINTER(path);

    FILE* file = PlatFileOpen(path, "rb");
    if (file == nullptr) {
        LogPrint("Couldn't open flat file '%s'!\n", path);
        return 0;
    }

    // A signed program ends where its certificate table begins.
    uint32_t contentEnd = PeContentEndOfFile(file, SizeOfOpenFile(file));
    FfsArchiveSpan span;
    FfsArchiveCheck check = FfsLocateArchive(contentEnd, ReadFromOpenFile, file, &span);
    if (check == FFS_ARCHIVE_NO_TRAILER) {
        LogPrint("File '%s' doesn't contain FFS data!\n", path);
        std::fclose(file);
        return 0;
    }
    if (check == FFS_ARCHIVE_NO_TAG) {
        LogPrint("FFS Does not contain proper tag (Read %d from %d)!!!\n", int(span.tagOffset),
                 int(span.trailerOffset));
        std::fclose(file);
        return 0;
    }

    // Opening again must not lose the block loaded before. The block is
    // everything behind the tag, the trailer included.
    ReleaseBlock();
    FfsLength = span.end - span.tagOffset - FFS_TAG_SIZE;
    FfsData = MEM_ALLOC(unsigned char, int32_t(FfsLength));

    // A short read leaves the block loaded; the caller releases it with
    // FfsClose.
    if (std::fseek(file, long(span.tagOffset + FFS_TAG_SIZE), SEEK_SET) != 0 ||
        std::fread(FfsData, 1, FfsLength, file) != FfsLength) {
        std::fclose(file);
        return 0;
    }

    char key[FFS_KEY_LENGTH + 1];
    StrCopy(key, FFS_KEY);
    FfsScramble(FfsData, FfsLength, key, uint32_t(StrLength(key)));

    LogPrint("Flat/Fast File System Initialized...\n");
    std::fclose(file);
    return 1;
}

int FfsClose() {
    ReleaseBlock();
    LogPrint("Flat/Fast File System Removed...\n");
    return 1;
}

int FfsFileSize(const char* name, uint32_t* size) {
    CHECK_POINTER(name);
    CHECK_POINTER(size);
    if (FfsData != nullptr) {
        *size = FfsLength;
        return 1;
    }
    return PlatFileSize(name, size);
}

int FfsReadFile(const char* name, void* buffer, uint32_t length) {
    CHECK_POINTER(name);
    CHECK_POINTER(buffer);

    if (FfsData != nullptr) {
        // Never read past the block: a longer request gets what there is and
        // fails like a short file on disk.
        if (length > FfsLength) {
            std::memcpy(buffer, FfsData, FfsLength);
            LogPrint("Unable to read from file '%s'\n", name);
            return 0;
        }
        std::memcpy(buffer, FfsData, length);
        return 1;
    }

    FILE* file = PlatFileOpen(name, "rb");
    if (file == nullptr) return 0;
    if (std::fread(buffer, 1, length, file) != length) {
        LogPrint("Unable to read from file '%s'\n", name);
        std::fclose(file);
        return 0;
    }
    std::fclose(file);
    return 1;
}

int FfsScramble(void* data, uint32_t length, const char* key, uint32_t keyLength) {
    auto* bytes = static_cast<unsigned char*>(data);
    uint32_t k = 0;
    for (uint32_t i = 0; i < length; ++i) {
        if (k >= keyLength) k = 0;
        // An empty key contributes nothing and is never read.
        unsigned char keyByte = keyLength != 0 ? (unsigned char)key[k] : 0;
        bytes[i] ^= keyByte ^ (unsigned char)(k & 0xFF) ^ (unsigned char)(i & 0xFF);
        ++k;
    }
    return 1;
}

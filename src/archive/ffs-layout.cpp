#include "archive/ffs-layout.h"

#include "archive/ffs.h"

#include <cstring>

bool FfsIsTag(const unsigned char* bytes) { return std::memcmp(bytes, FFS_TAG, FFS_TAG_SIZE) == 0; }

FfsArchiveCheck FfsLocateArchive(uint64_t fileSize, FfsReadAt read, void* source,
                                 FfsArchiveSpan* span) {
    *span = FfsArchiveSpan{0, 0, 0};
    uint32_t end = uint32_t(fileSize);
    if (fileSize > FFS_MAXIMUM_FILE_SIZE || end < FFS_TAG_SIZE + FFS_TRAILER_SIZE)
        return FFS_ARCHIVE_NO_TRAILER;
    span->end = end;
    span->trailerOffset = end - FFS_TRAILER_SIZE;

    unsigned char bytes[FFS_TRAILER_SIZE] = {};
    if (!read(source, span->trailerOffset, bytes, FFS_TRAILER_SIZE)) return FFS_ARCHIVE_NO_TRAILER;
    uint32_t tagOffset = FfsDecodeTrailer(bytes);
    // A tag that reaches into the trailer would leave a block of no bytes
    // or of the trailer's own bytes: no archive.
    if (tagOffset == 0 || tagOffset > span->trailerOffset - FFS_TAG_SIZE)
        return FFS_ARCHIVE_NO_TRAILER;
    span->tagOffset = tagOffset;

    unsigned char tag[FFS_TAG_SIZE] = {};
    if (!read(source, tagOffset, tag, FFS_TAG_SIZE) || !FfsIsTag(tag)) return FFS_ARCHIVE_NO_TAG;
    return FFS_ARCHIVE_FOUND;
}

struct MemoryFile {
    const unsigned char* bytes;
    uint64_t size;
};

static int ReadFromMemory(void* source, uint32_t offset, unsigned char* bytes, uint32_t length) {
    const MemoryFile* file = static_cast<const MemoryFile*>(source);
    if (uint64_t(offset) + length > file->size) return 0;
    std::memcpy(bytes, file->bytes + offset, length);
    return 1;
}

FfsArchiveCheck FfsLocateArchiveInMemory(const unsigned char* file, uint64_t fileSize,
                                         FfsArchiveSpan* span) {
    MemoryFile memory = {file, fileSize};
    return FfsLocateArchive(fileSize, ReadFromMemory, &memory, span);
}

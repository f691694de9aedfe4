// The byte layout of an archive, shared by the reader in this module and by
// the packer that produces archives:
//
//   [image ...][free bytes][tag "FFS?"][scrambled payload][trailer: tag offset, LE32]
//
// The reader and the packer must agree on what a valid archive is, so the
// rules live here once, in FfsLocateArchive.
#pragma once

#include <cstdint>

#define FFS_TAG_SIZE 4
#define FFS_TRAILER_SIZE 4
#define FFS_KEY_LENGTH 14

// The reader takes offsets and sizes as 32-bit values and a signed size for
// its allocation: no program file with an archive is larger.
#define FFS_MAXIMUM_FILE_SIZE 0x7FFFFFFFu

// The trailer is stored little-endian whatever the host's byte order.
inline uint32_t FfsDecodeTrailer(const unsigned char* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

inline void FfsEncodeTrailer(uint32_t tagOffset, unsigned char* bytes) {
    for (int i = 0; i < FFS_TRAILER_SIZE; ++i) bytes[i] = (unsigned char)(tagOffset >> (8 * i));
}

// The tag is compared byte for byte: "ffs?" is not a tag.
bool FfsIsTag(const unsigned char* bytes);

// Reads `length` bytes at `offset` of a file; 1 when all of them were read.
typedef int (*FfsReadAt)(void* source, uint32_t offset, unsigned char* bytes, uint32_t length);

enum FfsArchiveCheck {
    FFS_ARCHIVE_FOUND,
    FFS_ARCHIVE_NO_TRAILER,  // too small or large, or the trailer points nowhere usable
    FFS_ARCHIVE_NO_TAG,      // the trailer points at bytes other than the tag
};

struct FfsArchiveSpan {
    uint32_t tagOffset;      // where the tag starts
    uint32_t trailerOffset;  // where the trailer starts
    uint32_t end;            // where the archive, trailer included, ends
};

// Finds and checks the archive of a file of `fileSize` bytes: the trailer
// in the last four bytes must point at a whole tag that lies before the
// trailer (offset not 0, tag and trailer never overlap) and the file must
// not exceed FFS_MAXIMUM_FILE_SIZE. `span` is filled as far as the checks
// got (trailerOffset and tagOffset for FFS_ARCHIVE_NO_TAG).
FfsArchiveCheck FfsLocateArchive(uint64_t fileSize, FfsReadAt read, void* source,
                                 FfsArchiveSpan* span);

// The same for a file held in memory.
FfsArchiveCheck FfsLocateArchiveInMemory(const unsigned char* file, uint64_t fileSize,
                                         FfsArchiveSpan* span);

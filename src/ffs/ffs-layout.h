// The byte layout of an archive, shared by the reader in this module and by
// the packer that produces archives:
//
//   [image ...][free bytes][tag "FFS?"][scrambled payload][trailer: tag offset, LE32]
//
// The reader and the packer must agree on what a valid archive is, so the
// checks live here once.
#pragma once

#include <cstdint>

#define FFS_TAG_SIZE 4
#define FFS_TRAILER_SIZE 4
#define FFS_KEY_LENGTH 14

// The trailer is stored little-endian whatever the host's byte order.
inline uint32_t FfsDecodeTrailer(const unsigned char* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

inline void FfsEncodeTrailer(uint32_t tagOffset, unsigned char* bytes) {
    for (int i = 0; i < FFS_TRAILER_SIZE; ++i) bytes[i] = (unsigned char)(tagOffset >> (8 * i));
}

// A trailer can only point at a tag inside the file, never at offset 0.
inline bool FfsTrailerInRange(uint32_t tagOffset, uint32_t fileSize) {
    return tagOffset != 0 && tagOffset < fileSize;
}

// The tag is compared byte for byte: "ffs?" is not a tag.
bool FfsIsTag(const unsigned char* bytes);

// Looks for a valid archive at the end of a file held in memory: 1 and the
// tag's offset when the trailer points at a complete tag, else 0.
int FfsFindArchive(const unsigned char* file, uint32_t fileSize, uint32_t* tagOffset);

#include "ffs/ffs-layout.h"

#include "ffs/ffs.h"

#include <cstring>

bool FfsIsTag(const unsigned char* bytes) { return std::memcmp(bytes, FFS_TAG, FFS_TAG_SIZE) == 0; }

int FfsFindArchive(const unsigned char* file, uint32_t fileSize, uint32_t* tagOffset) {
    if (fileSize < FFS_TRAILER_SIZE) return 0;
    uint32_t offset = FfsDecodeTrailer(file + fileSize - FFS_TRAILER_SIZE);
    if (!FfsTrailerInRange(offset, fileSize)) return 0;
    // A tag cut short by the end of the file is no tag.
    if (fileSize - offset < FFS_TAG_SIZE || !FfsIsTag(file + offset)) return 0;
    *tagOffset = offset;
    return 1;
}

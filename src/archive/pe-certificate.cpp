// Finding the certificate table of a signed program from its headers: the
// DOS header points at the PE signature, the COFF header gives the optional
// header's size, the optional header (PE32 or PE32+) holds the checksum and
// the data directories, of which the fifth is the security entry. Its offset
// is a file offset, not an address.
#include "archive/pe-certificate.h"

#include <cstring>

#define DOS_NEW_HEADER_FIELD 0x3C
#define COFF_HEADER_SIZE 20
#define OPTIONAL_SIZE_FIELD 16      // in the COFF header
#define CHECKSUM_FIELD 64           // in the optional header, both kinds
#define SECURITY_DIRECTORY 4
#define DIRECTORY_ENTRY_SIZE 8

static uint32_t Little16(const unsigned char* bytes) { return bytes[0] | bytes[1] << 8; }

static uint32_t Little32(const unsigned char* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

// Where the optional header keeps its directory count and directories.
static int DirectoryLayout(uint32_t magic, uint32_t* countField, uint32_t* directories) {
    if (magic == 0x10B) {   // PE32
        *countField = 92;
        *directories = 96;
        return 1;
    }
    if (magic == 0x20B) {   // PE32+
        *countField = 108;
        *directories = 112;
        return 1;
    }
    return 0;
}

int PeFindCertificateTable(PeReadAt read, void* source, uint32_t fileSize,
                           PeCertificateTable* table) {
    unsigned char bytes[8];
    if (!read(source, 0, bytes, 2) || bytes[0] != 'M' || bytes[1] != 'Z') return 0;
    if (!read(source, DOS_NEW_HEADER_FIELD, bytes, 4)) return 0;
    uint64_t peHeader = Little32(bytes);
    // Offsets are computed in 64 bits: a hostile header cannot wrap them.
    uint64_t coff = peHeader + 4;
    uint64_t optional = coff + COFF_HEADER_SIZE;
    if (optional + 2 > fileSize) return 0;
    if (!read(source, uint32_t(peHeader), bytes, 4) || std::memcmp(bytes, "PE\0\0", 4) != 0) {
        return 0;
    }
    if (!read(source, uint32_t(coff + OPTIONAL_SIZE_FIELD), bytes, 2)) return 0;
    uint32_t optionalSize = Little16(bytes);
    if (!read(source, uint32_t(optional), bytes, 2)) return 0;
    uint32_t countField, directories;
    if (!DirectoryLayout(Little16(bytes), &countField, &directories)) return 0;

    uint64_t entryEnd = directories + uint64_t(SECURITY_DIRECTORY + 1) * DIRECTORY_ENTRY_SIZE;
    if (entryEnd > optionalSize || optional + entryEnd > fileSize) return 0;
    if (!read(source, uint32_t(optional + countField), bytes, 4)) return 0;
    if (Little32(bytes) <= SECURITY_DIRECTORY) return 0;

    uint64_t entry = optional + directories + SECURITY_DIRECTORY * DIRECTORY_ENTRY_SIZE;
    if (!read(source, uint32_t(entry), bytes, 8)) return 0;
    uint32_t tableOffset = Little32(bytes);
    uint32_t tableSize = Little32(bytes + 4);
    // Only a table that closes the file moves its end; one that lies
    // elsewhere, or runs past the end, is not ours to interpret.
    if (tableOffset == 0 || tableSize == 0) return 0;
    if (uint64_t(tableOffset) + tableSize != fileSize) return 0;
    if (tableOffset < entry + DIRECTORY_ENTRY_SIZE) return 0;

    table->entryOffset = uint32_t(entry);
    table->checksumOffset = uint32_t(optional + CHECKSUM_FIELD);
    table->tableOffset = tableOffset;
    table->tableSize = tableSize;
    return 1;
}

uint32_t PeContentEnd(PeReadAt read, void* source, uint32_t fileSize) {
    PeCertificateTable table;
    if (!PeFindCertificateTable(read, source, fileSize, &table)) return fileSize;
    return table.tableOffset;
}

struct MemorySource {
    const unsigned char* bytes;
    uint32_t size;
};

static int ReadMemory(void* source, uint32_t offset, void* buffer, uint32_t length) {
    auto* memory = static_cast<MemorySource*>(source);
    if (offset > memory->size || length > memory->size - offset) return 0;
    std::memcpy(buffer, memory->bytes + offset, length);
    return 1;
}

uint32_t PeContentEndInMemory(const unsigned char* file, uint32_t fileSize) {
    MemorySource source = {file, fileSize};
    return PeContentEnd(ReadMemory, &source, fileSize);
}

static int ReadFileAt(void* source, uint32_t offset, void* buffer, uint32_t length) {
    FILE* file = static_cast<FILE*>(source);
    if (std::fseek(file, long(offset), SEEK_SET) != 0) return 0;
    return std::fread(buffer, 1, length, file) == length ? 1 : 0;
}

uint32_t PeContentEndOfFile(FILE* file, uint32_t fileSize) {
    return PeContentEnd(ReadFileAt, file, fileSize);
}

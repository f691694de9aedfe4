#include "unsign.h"

#include "archive/pe-certificate.h"

#include <cstring>

static int ReadBytes(void* source, uint32_t offset, void* buffer, uint32_t length) {
    const Bytes& file = *static_cast<const Bytes*>(source);
    if (offset > file.size() || length > file.size() - offset) return 0;
    std::memcpy(buffer, file.data() + offset, length);
    return 1;
}

bool RemoveSignature(Bytes& program, RemovedSignature* removed) {
    PeCertificateTable table;
    if (program.size() > 0xFFFFFFFFu ||
        !PeFindCertificateTable(ReadBytes, &program, uint32_t(program.size()), &table)) {
        return false;
    }
    std::memset(program.data() + table.entryOffset, 0, 8);
    program.resize(table.tableOffset);
    removed->checksumOffset = table.checksumOffset;
    return true;
}

static uint32_t Little32(const unsigned char* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

// The image checksum: the 16-bit little-endian words of the file, the
// checksum field left out, summed with the carries folded back in, plus the
// file's length.
static uint32_t PeChecksum(const Bytes& file, uint32_t checksumOffset) {
    uint64_t sum = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        if (i >= checksumOffset && i < size_t(checksumOffset) + 4) continue;
        uint32_t word = file[i];
        if (i + 1 < file.size()) word |= uint32_t(file[i + 1]) << 8;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return uint32_t(sum + file.size());
}

void UpdateChecksum(Bytes& program, uint32_t checksumOffset) {
    if (checksumOffset == 0 || checksumOffset % 2 != 0 || program.size() < checksumOffset + 4u) {
        return;
    }
    if (Little32(program.data() + checksumOffset) == 0) return;
    uint32_t checksum = PeChecksum(program, checksumOffset);
    for (int i = 0; i < 4; ++i) program[checksumOffset + i] = (unsigned char)(checksum >> (8 * i));
}

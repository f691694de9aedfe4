// Signed programs. A signing tool (Authenticode) appends the certificate
// table at the very end of a Windows program file and records it in the
// security entry of the optional header's data directories. An archive
// appended before the signing then no longer ends the file: its reader and
// its packer take the file as ending where that table begins.
#pragma once

#include <cstdint>
#include <cstdio>

// Where the headers of a program file say its certificate table lies.
struct PeCertificateTable {
    uint32_t entryOffset;      // the security entry (offset, size) in the file
    uint32_t checksumOffset;   // the optional header's checksum field
    uint32_t tableOffset;      // the table itself
    uint32_t tableSize;
};

// Reads `length` bytes at `offset` of a file; 1 when all of them arrived.
typedef int (*PeReadAt)(void* source, uint32_t offset, void* buffer, uint32_t length);

// 1 and the table when the file is a PE program whose certificate table lies
// exactly at its end (offset + size = file size); else 0.
int PeFindCertificateTable(PeReadAt read, void* source, uint32_t fileSize,
                           PeCertificateTable* table);

// The offset where the file's content ends: the start of a certificate table
// that closes the file, else the file size.
uint32_t PeContentEnd(PeReadAt read, void* source, uint32_t fileSize);
uint32_t PeContentEndInMemory(const unsigned char* file, uint32_t fileSize);
// The file position is left undefined.
uint32_t PeContentEndOfFile(FILE* file, uint32_t fileSize);

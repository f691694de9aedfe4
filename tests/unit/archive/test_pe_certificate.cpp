// Signed programs: where a file's content ends when a certificate table
// closes it, on headers built here field by field.
#include "archive/pe-certificate.h"

#include "archive/ffs-layout.h"
#include "archive/ffs.h"
#include "base/core.h"
#include "scratch-folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

void Put32(Bytes& file, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) file[offset + i] = (unsigned char)(value >> (8 * i));
}

void Put16(Bytes& file, size_t offset, uint32_t value) {
    file[offset] = (unsigned char)value;
    file[offset + 1] = (unsigned char)(value >> 8);
}

const size_t PE_HEADER = 0x80;
const size_t OPTIONAL = PE_HEADER + 24;

struct Headers {
    uint32_t magic = 0x20B;         // PE32+
    uint32_t optionalSize = 240;
    uint32_t directories = 16;
    bool signature = true;          // "PE\0\0"
};

// A program of `size` bytes whose security entry says (offset, length).
Bytes Program(size_t size, uint32_t tableOffset, uint32_t tableSize, Headers h = Headers()) {
    Bytes file(size, 0xAA);
    file[0] = 'M';
    file[1] = 'Z';
    Put32(file, 0x3C, PE_HEADER);
    const char* pe = h.signature ? "PE\0\0" : "PX\0\0";
    for (int i = 0; i < 4; ++i) file[PE_HEADER + i] = (unsigned char)pe[i];
    Put16(file, PE_HEADER + 4 + 16, h.optionalSize);
    Put16(file, OPTIONAL, h.magic);
    bool plus = h.magic == 0x20B;
    Put32(file, OPTIONAL + (plus ? 108 : 92), h.directories);
    size_t entry = OPTIONAL + (plus ? 112 : 96) + 4 * 8;
    Put32(file, entry, tableOffset);
    Put32(file, entry + 4, tableSize);
    return file;
}

uint32_t EndOf(const Bytes& file) { return PeContentEndInMemory(file.data(), uint32_t(file.size())); }

TEST(PeCertificate, ContentEndsWhereTheClosingTableBegins) {
    Headers pe32;
    pe32.magic = 0x10B;
    pe32.optionalSize = 224;
    Headers fewDirectories;
    fewDirectories.directories = 4;
    Headers shortOptional;
    shortOptional.optionalSize = 112 + 4 * 8;   // ends just before the entry's end
    Headers noSignature;
    noSignature.signature = false;
    Headers unknownMagic;
    unknownMagic.magic = 0x107;

    struct Case {
        const char* what;
        Bytes file;
        uint32_t end;
    } cases[] = {
        {"PE32+ signed", Program(4096, 3072, 1024), 3072},
        {"PE32 signed", Program(4096, 4000, 96, pe32), 4000},
        {"no table", Program(4096, 0, 0), 4096},
        {"table not at the end", Program(4096, 2048, 1024), 4096},
        {"table past the end", Program(4096, 3072, 2048), 4096},
        {"offset and size wrap to the end", Program(4096, 0xFFFFF000u, 0x2000u), 4096},
        {"empty table", Program(4096, 4096, 0), 4096},
        {"table over the headers", Program(4096, 0x40, 4096 - 0x40), 4096},
        {"four directories only", Program(4096, 3072, 1024, fewDirectories), 4096},
        {"optional header too short", Program(4096, 3072, 1024, shortOptional), 4096},
        {"no PE signature", Program(4096, 3072, 1024, noSignature), 4096},
        {"unknown optional header", Program(4096, 3072, 1024, unknownMagic), 4096},
    };
    for (const Case& c : cases) EXPECT_EQ(EndOf(c.file), c.end) << c.what;
}

TEST(PeCertificate, HostileOrShortHeadersAreNoProgram) {
    Bytes notMz = Program(4096, 3072, 1024);
    notMz[0] = 'Z';
    EXPECT_EQ(EndOf(notMz), 4096u);

    Bytes farHeader = Program(4096, 3072, 1024);
    Put32(farHeader, 0x3C, 0xFFFFFFF0u);   // would wrap in 32 bits
    EXPECT_EQ(EndOf(farHeader), 4096u);

    // Cut inside the headers: nothing is read past the end.
    Bytes whole = Program(4096, 3072, 1024);
    for (size_t size : {size_t(0), size_t(1), size_t(0x3E), PE_HEADER + 2, OPTIONAL + 100}) {
        EXPECT_EQ(PeContentEndInMemory(whole.data(), uint32_t(size)), uint32_t(size)) << size;
    }
}

TEST(PeCertificate, TableFieldsOfASignedProgram) {
    Bytes file = Program(8192, 8192 - 40, 40);
    PeCertificateTable table;
    auto read = [](void* source, uint32_t offset, void* buffer, uint32_t length) {
        auto* bytes = static_cast<Bytes*>(source);
        if (offset + uint64_t(length) > bytes->size()) return 0;
        std::copy(bytes->begin() + offset, bytes->begin() + offset + length,
                  static_cast<unsigned char*>(buffer));
        return 1;
    };
    ASSERT_EQ(PeFindCertificateTable(read, &file, uint32_t(file.size()), &table), 1);
    EXPECT_EQ(table.entryOffset, OPTIONAL + 112 + 32);
    EXPECT_EQ(table.checksumOffset, OPTIONAL + 64);
    EXPECT_EQ(table.tableOffset, 8192u - 40u);
    EXPECT_EQ(table.tableSize, 40u);
}

// The program's reader, on a packed program signed afterwards: the archive
// ends where the certificate table begins.
TEST(PeCertificate, ReaderFindsTheArchiveOfASignedProgram) {
    const char script[] = "\x16TEXT:signed\r\n";
    Bytes file = Program(1024, 0, 0);
    uint32_t tagOffset = uint32_t(file.size());
    file.insert(file.end(), FFS_TAG, FFS_TAG + FFS_TAG_SIZE);
    Bytes payload(script, script + std::strlen(script));
    FfsScramble(payload.data(), uint32_t(payload.size()), FFS_KEY, uint32_t(std::strlen(FFS_KEY)));
    file.insert(file.end(), payload.begin(), payload.end());
    unsigned char trailer[FFS_TRAILER_SIZE];
    FfsEncodeTrailer(tagOffset, trailer);
    file.insert(file.end(), trailer, trailer + FFS_TRAILER_SIZE);
    uint32_t tableOffset = uint32_t(file.size());
    file.resize(file.size() + 64, 0x30);   // the certificate table
    Put32(file, OPTIONAL + 112 + 32, tableOffset);
    Put32(file, OPTIONAL + 112 + 36, 64);

    ScratchFolder scratch;
    std::string path = scratch.Path("signed.exe");
    ScratchFolder::Write(path, std::string(file.begin(), file.end()));
    int32_t savedFlags = DebugFlags;
    DebugFlags = DEBUG_APPEND;   // formats log lines without writing them
    ASSERT_EQ(FfsOpen(path.c_str()), 1) << DebugLastText();
    uint32_t size = 0;
    FfsFileSize("install.dat", &size);
    EXPECT_EQ(size, payload.size() + FFS_TRAILER_SIZE);
    std::string read(payload.size(), '\0');
    EXPECT_EQ(FfsReadFile("install.dat", &read[0], uint32_t(read.size())), 1);
    EXPECT_EQ(read, script);
    FfsClose();
    DebugFlags = savedFlags;
}

}  // namespace

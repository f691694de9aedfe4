#include "archive.h"

#include "archive/ffs.h"
#include "archive/pe-certificate.h"

#include <cstring>

// The byte that starts a command in a loaded script.
static const unsigned char COMMAND_MARKER = 0x16;

// The packed file's length is a multiple of this: a signing tool pads a
// shorter file with zeros before its certificate table, and the trailer
// would no longer lie where the table begins.
static const uint32_t FILE_ALIGNMENT = 8;
// Two aligned choices, 8 apart, so one of them always moves the trailer's
// lowest byte off the marker.
static const uint32_t MAXIMUM_PADDING = 2 * FILE_ALIGNMENT - 1;
static const uint32_t MAXIMUM_LINE_ENDS = 16;

static void Scramble(unsigned char* data, size_t length) {
    FfsScramble(data, uint32_t(length), FFS_KEY, uint32_t(std::strlen(FFS_KEY)));
}

// Where the archive must end: a signed program ends where its certificate
// table begins. A file too large for an archive keeps its size, which the
// archive rules refuse.
static uint64_t ContentSize(const Bytes& file) {
    if (file.size() > FFS_MAXIMUM_FILE_SIZE) return file.size();
    return PeContentEndInMemory(file.data(), uint32_t(file.size()));
}

bool IsProgramFile(const Bytes& file) {
    static const unsigned char ELF[] = {0x7F, 'E', 'L', 'F'};
    return (file.size() >= 2 && file[0] == 'M' && file[1] == 'Z') ||
           (file.size() >= sizeof ELF && std::memcmp(file.data(), ELF, sizeof ELF) == 0);
}

FfsArchiveCheck CheckArchive(const Bytes& file, FfsArchiveSpan* span) {
    return FfsLocateArchiveInMemory(file.data(), ContentSize(file), span);
}

bool LocateArchive(const Bytes& file, uint32_t* tagOffset) {
    FfsArchiveSpan span;
    if (CheckArchive(file, &span) != FFS_ARCHIVE_FOUND) return false;
    *tagOffset = span.tagOffset;
    return true;
}

Bytes ProgramImage(const Bytes& file) {
    uint32_t tagOffset;
    if (!LocateArchive(file, &tagOffset)) return file;
    return Bytes(file.begin(), file.begin() + tagOffset);
}

// The key stream over the four trailer bytes that follow a payload of
// `payloadLength` bytes: what the reader XORs into them.
static void TrailerKeyStream(size_t payloadLength, unsigned char* stream) {
    Bytes zeros(payloadLength + FFS_TRAILER_SIZE, 0);
    Scramble(zeros.data(), zeros.size());
    std::memcpy(stream, zeros.data() + payloadLength, FFS_TRAILER_SIZE);
}

static bool TrailerIsSafe(uint32_t tagOffset, const unsigned char* stream) {
    unsigned char trailer[FFS_TRAILER_SIZE];
    FfsEncodeTrailer(tagOffset, trailer);
    for (int i = 0; i < FFS_TRAILER_SIZE; ++i) {
        if ((trailer[i] ^ stream[i]) == COMMAND_MARKER) return false;
    }
    return true;
}

bool ComposeArchive(const Bytes& image, const Bytes& script, Bytes& archive,
                    ArchiveLayout* layout) {
    Bytes payload = script;
    ArchiveLayout chosen;
    // Without a line end the last field would run on into the trailer.
    if (payload.empty() || payload.back() != '\n') {
        payload.push_back('\r');
        payload.push_back('\n');
        chosen.lineEnds = 1;
    }

    for (uint32_t extra = 0; extra <= MAXIMUM_LINE_ENDS; ++extra) {
        unsigned char stream[FFS_TRAILER_SIZE];
        TrailerKeyStream(payload.size(), stream);
        for (uint32_t padding = 0; padding <= MAXIMUM_PADDING; ++padding) {
            uint64_t tagOffset = uint64_t(image.size()) + padding;
            uint64_t total = tagOffset + FFS_TAG_SIZE + payload.size() + FFS_TRAILER_SIZE;
            if (total > FFS_MAXIMUM_FILE_SIZE) return false;
            if (total % FILE_ALIGNMENT != 0) continue;
            // A trailer of 0 would read as "no archive".
            if (tagOffset == 0 || !TrailerIsSafe(uint32_t(tagOffset), stream)) continue;

            chosen.padding = padding;
            archive.clear();
            archive.reserve(size_t(total));
            archive.insert(archive.end(), image.begin(), image.end());
            archive.insert(archive.end(), padding, 0);
            archive.insert(archive.end(), FFS_TAG, FFS_TAG + FFS_TAG_SIZE);
            size_t payloadStart = archive.size();
            archive.insert(archive.end(), payload.begin(), payload.end());
            Scramble(archive.data() + payloadStart, payload.size());
            unsigned char trailer[FFS_TRAILER_SIZE];
            FfsEncodeTrailer(uint32_t(tagOffset), trailer);
            archive.insert(archive.end(), trailer, trailer + FFS_TRAILER_SIZE);
            if (layout != nullptr) *layout = chosen;
            return true;
        }
        // Only the payload's length moves the upper trailer bytes' key
        // stream; a further empty line changes it and runs no command.
        payload.push_back('\r');
        payload.push_back('\n');
        ++chosen.lineEnds;
    }
    return false;
}

bool ExtractScript(const Bytes& file, Bytes& script) {
    FfsArchiveSpan span;
    if (CheckArchive(file, &span) != FFS_ARCHIVE_FOUND) return false;
    auto begin = file.begin() + span.tagOffset + FFS_TAG_SIZE;
    auto end = file.begin() + span.trailerOffset;
    script.assign(begin, end);
    Scramble(script.data(), script.size());
    return true;
}

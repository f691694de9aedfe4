// The payload archive reader, on real files in a scratch folder addressed by
// Windows paths, as the program addresses its own file.
#include "archive/ffs-layout.h"
#include "archive/ffs.h"
#include "base/core.h"
#include "scratch-folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

void Scramble(Bytes& data) {
    FfsScramble(data.data(), uint32_t(data.size()), FFS_KEY, uint32_t(std::strlen(FFS_KEY)));
}

// The key stream: what scrambling does to a buffer of zeros.
Bytes KeyStream(size_t length) {
    Bytes stream(length, 0);
    Scramble(stream);
    return stream;
}

void AppendTrailer(Bytes& file, uint32_t tagOffset) {
    unsigned char trailer[FFS_TRAILER_SIZE];
    FfsEncodeTrailer(tagOffset, trailer);
    file.insert(file.end(), trailer, trailer + FFS_TRAILER_SIZE);
}

// image, tag, scrambled payload, trailer: an archive as a producer writes it.
Bytes ArchiveFile(const Bytes& image, const Bytes& payload, const char* tag = FFS_TAG) {
    Bytes file = image;
    file.insert(file.end(), tag, tag + FFS_TAG_SIZE);
    Bytes scrambled = payload;
    Scramble(scrambled);
    file.insert(file.end(), scrambled.begin(), scrambled.end());
    AppendTrailer(file, uint32_t(image.size()));
    return file;
}

class FfsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        liveBlocks = MemGetStats().count;
        savedFlags = DebugFlags;
        // Formats log lines without writing them anywhere.
        DebugFlags = DEBUG_APPEND;
    }

    void TearDown() override {
        FfsClose();
        EXPECT_EQ(MemGetStats().count, liveBlocks) << "the archive left a block behind";
        DebugFlags = savedFlags;
    }

    std::string Write(const std::string& name, const Bytes& contents) {
        std::string path = scratch.Path(name);
        ScratchFolder::Write(path, std::string(contents.begin(), contents.end()));
        return path;
    }

    static std::string LastLog() { return DebugLastText(); }

    ScratchFolder scratch;
    int32_t liveBlocks = 0;
    int32_t savedFlags = 0;
};

TEST(FfsScrambleTest, MatchesTheKeyAndPositionTerms) {
    Bytes stream = KeyStream(300);
    // key[k] ^ k ^ i with the key "PackageSealKey"
    EXPECT_EQ(stream[0], 'P');
    EXPECT_EQ(stream[1], 'a' ^ 1 ^ 1);
    EXPECT_EQ(stream[13], 'y' ^ 13 ^ 13);
    EXPECT_EQ(stream[14], 'P' ^ 0 ^ 14);
    EXPECT_EQ(stream[256], 'a' ^ 4 ^ 0);    // 256 mod 14 = 4, position term wrapped
    EXPECT_EQ(stream[299], 'g' ^ 5 ^ 43);
}

TEST(FfsScrambleTest, TwiceRestoresTheData) {
    Bytes data(5000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = (unsigned char)(i * 7919 >> 3);
    Bytes scrambled = data;
    Scramble(scrambled);
    EXPECT_NE(scrambled, data);
    Scramble(scrambled);
    EXPECT_EQ(scrambled, data);
}

TEST(FfsScrambleTest, PositionTermRepeatsEvery256Bytes) {
    // A one-character key leaves only the position term varying.
    Bytes data(600, 0);
    FfsScramble(data.data(), uint32_t(data.size()), "x", 1);
    EXPECT_EQ(data[256], data[0]);
    EXPECT_EQ(data[513], data[1]);
    EXPECT_NE(data[1], data[0]);

    // With the real key the whole stream repeats after lcm(14, 256) bytes.
    Bytes stream = KeyStream(1792 + 20);
    for (size_t i = 0; i < 20; ++i) EXPECT_EQ(stream[1792 + i], stream[i]) << i;
}

TEST(FfsScrambleTest, EmptyKeyAppliesOnlyThePositionTerm) {
    Bytes data(300, 0);
    FfsScramble(data.data(), uint32_t(data.size()), "", 0);
    EXPECT_EQ(data[0], 0);
    EXPECT_EQ(data[5], 5);
    EXPECT_EQ(data[261], 5);
}

TEST_F(FfsTest, OpensAndUnscramblesTheBlockBehindTheTag) {
    // The image may hold anything, a tag-like text included.
    Bytes image = BytesOf("MZ image FFS? with a decoy tag");
    Bytes script = BytesOf("\x16" "COMPANY NAME:Acme\r\n");
    std::string path = Write("program.exe", ArchiveFile(image, script));

    ASSERT_EQ(FfsOpen(path.c_str()), 1);
    EXPECT_EQ(LastLog(), "Flat/Fast File System Initialized...\n");

    uint32_t size = 0;
    ASSERT_EQ(FfsFileSize("install.dat", &size), 1);
    ASSERT_EQ(size, script.size() + FFS_TRAILER_SIZE);

    Bytes block(size);
    ASSERT_EQ(FfsReadFile("install.dat", block.data(), size), 1);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + script.size()), script);

    // The trailer comes out passed through the key stream, not as text.
    unsigned char trailer[FFS_TRAILER_SIZE];
    FfsEncodeTrailer(uint32_t(image.size()), trailer);
    Bytes stream = KeyStream(size);
    for (size_t i = 0; i < FFS_TRAILER_SIZE; ++i) {
        EXPECT_EQ(block[script.size() + i], trailer[i] ^ stream[script.size() + i]);
    }
}

TEST_F(FfsTest, LoadedArchiveServesEveryName) {
    Bytes script = BytesOf("the one file of the archive");
    std::string program = Write("program.exe", ArchiveFile(BytesOf("image"), script));
    std::string onDisk = Write("other.txt", BytesOf("a much longer file that exists on disk"));
    ASSERT_EQ(FfsOpen(program.c_str()), 1);

    for (const std::string& name : {std::string("install.dat"), onDisk, std::string("nothing")}) {
        uint32_t size = 0;
        ASSERT_EQ(FfsFileSize(name.c_str(), &size), 1) << name;
        EXPECT_EQ(size, script.size() + FFS_TRAILER_SIZE) << name;
        Bytes start(5);
        ASSERT_EQ(FfsReadFile(name.c_str(), start.data(), 5), 1) << name;
        EXPECT_EQ(start, BytesOf("the o")) << name;
    }
}

TEST_F(FfsTest, ReadLongerThanTheBlockFailsWithoutRunningPastIt) {
    Bytes script = BytesOf("short");
    std::string program = Write("program.exe", ArchiveFile(BytesOf("image"), script));
    ASSERT_EQ(FfsOpen(program.c_str()), 1);

    Bytes buffer(64, 0xEE);
    EXPECT_EQ(FfsReadFile("install.dat", buffer.data(), uint32_t(buffer.size())), 0);
    EXPECT_EQ(LastLog(), "Unable to read from file 'install.dat'\n");
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 5), script);
    EXPECT_EQ(buffer[script.size() + FFS_TRAILER_SIZE], 0xEE);
}

TEST_F(FfsTest, WithoutArchiveNamesAreFilesOnDisk) {
    std::string path = Write("install.dat", BytesOf("on disk"));
    uint32_t size = 0;
    ASSERT_EQ(FfsFileSize(path.c_str(), &size), 1);
    EXPECT_EQ(size, 7u);
    Bytes contents(7);
    ASSERT_EQ(FfsReadFile(path.c_str(), contents.data(), 7), 1);
    EXPECT_EQ(contents, BytesOf("on disk"));

    // Asking for more than the file holds is a logged failure.
    Bytes more(8);
    EXPECT_EQ(FfsReadFile(path.c_str(), more.data(), 8), 0);
    EXPECT_EQ(LastLog(), "Unable to read from file '" + path + "'\n");

    // A missing file fails without a message.
    LogPrint("marker\n");
    std::string missing = scratch.Path("missing.dat");
    EXPECT_EQ(FfsFileSize(missing.c_str(), &size), 0);
    EXPECT_EQ(FfsReadFile(missing.c_str(), contents.data(), 1), 0);
    EXPECT_EQ(LastLog(), "marker\n");
}

TEST_F(FfsTest, MissingProgramFileIsReported) {
    std::string path = scratch.Path("absent.exe");
    EXPECT_EQ(FfsOpen(path.c_str()), 0);
    EXPECT_EQ(LastLog(), "Couldn't open flat file '" + path + "'!\n");
}

TEST_F(FfsTest, FileWithoutValidTrailerHoldsNoArchive) {
    Bytes endsInZero = BytesOf("plain program");
    AppendTrailer(endsInZero, 0);
    Bytes pointsPastEnd = BytesOf("plain program");
    AppendTrailer(pointsPastEnd, 1000);
    Bytes pointsAtEnd = BytesOf("plain program");
    AppendTrailer(pointsAtEnd, uint32_t(pointsAtEnd.size()) + FFS_TRAILER_SIZE);

    const std::pair<const char*, Bytes> cases[] = {
        {"zero.exe", endsInZero},
        {"beyond.exe", pointsPastEnd},
        {"at-end.exe", pointsAtEnd},
        {"tiny.exe", BytesOf("\x01\x02")},
        {"empty.exe", Bytes()},
    };
    for (const auto& [name, contents] : cases) {
        std::string path = Write(name, contents);
        EXPECT_EQ(FfsOpen(path.c_str()), 0) << name;
        EXPECT_EQ(LastLog(), "File '" + path + "' doesn't contain FFS data!\n") << name;
        uint32_t size = 0;
        // Nothing was loaded: names are files on disk again.
        ASSERT_EQ(FfsFileSize(path.c_str(), &size), 1) << name;
        EXPECT_EQ(size, contents.size()) << name;
    }
}

TEST_F(FfsTest, TrailerMustPointAtTheExactTag) {
    Bytes script = BytesOf("script");
    Bytes lowerCase = ArchiveFile(BytesOf("image"), script, "ffs?");
    Bytes otherBytes = ArchiveFile(BytesOf("image"), script, "FFS!");
    for (const auto& [name, contents] : {std::pair{"lower.exe", lowerCase},
                                         std::pair{"other.exe", otherBytes}}) {
        std::string path = Write(name, contents);
        EXPECT_EQ(FfsOpen(path.c_str()), 0) << name;
        int fileSize = int(contents.size());
        EXPECT_EQ(LastLog(), "FFS Does not contain proper tag (Read 5 from " +
                                 std::to_string(fileSize - 4) + ")!!!\n")
            << name;
    }
}

// Files whose last bytes are a tag, or end in one: the trailer points into
// itself or the tag runs into it. Sparse files of the sizes that make the
// trailer point there.
TEST_F(FfsTest, TagReachingIntoTheTrailerIsNoArchive) {
    struct Case {
        const char* name;
        uint32_t size;
        std::string ending;
    };
    const Case cases[] = {
        {"self.exe", 1062422090u, "FFS?"},                 // trailer = its own offset
        {"overlap.exe", 20927307u, std::string("FFS?\x01")}, // tag's last byte is the trailer's first
    };
    for (const Case& c : cases) {
        std::string path = scratch.Path(c.name);
        FILE* file = PlatFileOpen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(fseek(file, long(c.size - c.ending.size()), SEEK_SET), 0);
        fwrite(c.ending.data(), 1, c.ending.size(), file);
        fclose(file);

        EXPECT_EQ(FfsOpen(path.c_str()), 0) << c.name;
        EXPECT_EQ(LastLog(), "File '" + path + "' doesn't contain FFS data!\n") << c.name;
        PlatDeleteFile(path.c_str());
    }
}

TEST_F(FfsTest, CloseReleasesTheBlockAndLogsEveryTime) {
    std::string path = Write("program.exe", ArchiveFile(BytesOf("image"), BytesOf("script")));
    ASSERT_EQ(FfsOpen(path.c_str()), 1);
    EXPECT_EQ(MemGetStats().count, liveBlocks + 1);

    for (int round = 0; round < 2; ++round) {
        LogPrint("marker\n");
        EXPECT_EQ(FfsClose(), 1);
        EXPECT_EQ(LastLog(), "Flat/Fast File System Removed...\n");
        EXPECT_EQ(MemGetStats().count, liveBlocks);
    }
    // Closed: the name is a file on disk again.
    uint32_t size = 0;
    EXPECT_EQ(FfsFileSize(scratch.Path("absent").c_str(), &size), 0);
}

TEST_F(FfsTest, OpeningAgainReplacesTheLoadedBlock) {
    std::string first = Write("first.exe", ArchiveFile(BytesOf("image"), BytesOf("first")));
    std::string second = Write("second.exe", ArchiveFile(BytesOf("img"), BytesOf("second one")));
    ASSERT_EQ(FfsOpen(first.c_str()), 1);
    ASSERT_EQ(FfsOpen(second.c_str()), 1);
    EXPECT_EQ(MemGetStats().count, liveBlocks + 1);

    uint32_t size = 0;
    ASSERT_EQ(FfsFileSize("install.dat", &size), 1);
    EXPECT_EQ(size, 10u + FFS_TRAILER_SIZE);
}

// The one set of rules that the reader and the packer share.
TEST(FfsLayoutTest, FindsOnlyCompleteArchivesInMemory) {
    auto withTrailer = [](Bytes file, uint32_t tagOffset) {
        AppendTrailer(file, tagOffset);
        return file;
    };
    struct Case {
        const char* what;
        Bytes file;
        FfsArchiveCheck check;
        uint32_t tagOffset;
    };
    const Case cases[] = {
        {"archive", ArchiveFile(BytesOf("image"), BytesOf("script")), FFS_ARCHIVE_FOUND, 5},
        {"empty payload", ArchiveFile(BytesOf("image"), Bytes()), FFS_ARCHIVE_FOUND, 5},
        {"lower-case tag", ArchiveFile(BytesOf("image"), BytesOf("s"), "ffs?"), FFS_ARCHIVE_NO_TAG, 5},
        {"no archive", BytesOf("no archive here"), FFS_ARCHIVE_NO_TRAILER, 0},
        {"three bytes", BytesOf("abc"), FFS_ARCHIVE_NO_TRAILER, 0},
        {"trailer 0", withTrailer(BytesOf("FFS?"), 0), FFS_ARCHIVE_NO_TRAILER, 0},
        {"tag at its own last byte", withTrailer(BytesOf("xx"), 5), FFS_ARCHIVE_NO_TRAILER, 0},
        {"trailer points at itself", withTrailer(BytesOf("xx"), 2), FFS_ARCHIVE_NO_TRAILER, 0},
        {"tag overlaps trailer", withTrailer(BytesOf("xFFS"), 1), FFS_ARCHIVE_NO_TRAILER, 0},
        {"tag right before trailer", withTrailer(BytesOf("xFFS?"), 1), FFS_ARCHIVE_FOUND, 1},
    };
    for (const Case& c : cases) {
        FfsArchiveSpan span;
        EXPECT_EQ(FfsLocateArchiveInMemory(c.file.data(), c.file.size(), &span), c.check) << c.what;
        if (c.check == FFS_ARCHIVE_FOUND) {
            EXPECT_EQ(span.tagOffset, c.tagOffset) << c.what;
            EXPECT_EQ(span.trailerOffset, c.file.size() - FFS_TRAILER_SIZE) << c.what;
            EXPECT_EQ(span.end, c.file.size()) << c.what;
        }
    }
    // Larger than the reader can load, whatever the bytes say.
    FfsArchiveSpan span;
    auto anyBytes = [](void*, uint32_t, unsigned char*, uint32_t) { return 1; };
    EXPECT_EQ(FfsLocateArchive(uint64_t(FFS_MAXIMUM_FILE_SIZE) + 1, anyBytes, nullptr, &span),
              FFS_ARCHIVE_NO_TRAILER);
}

} // namespace

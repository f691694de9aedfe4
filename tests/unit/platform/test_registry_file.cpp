// The registry file of the POSIX system: its text, first use, damaged
// files, atomic replacement and several writers at once.
#ifndef _WIN32

#include "platform/posix/lasterror.h"
#include "platform/posix/registry-store.h"
#include "registry-fixture.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Runs `body` in a child process and gives its exit status.
template <class Body> int InChild(Body body) {
    fflush(nullptr);
    pid_t child = fork();
    if (child == 0)
        _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

class RegistryFile : public RegistryFixture {
  protected:
    std::string FilePath() const { return prefix_ + "/registry.reg"; }
    // Whether a new registry file was left beside the old one.
    bool HasLeftovers() const {
        for (const auto& entry : std::filesystem::directory_iterator(prefix_))
            if (entry.path().filename().string().rfind("registry.reg.new", 0) == 0)
                return true;
        return false;
    }

    // A value's type and bytes exactly as stored.
    static RegValue Stored(HKEY key, const char* name) {
        RegValue value;
        char buffer[256];
        uint32_t size = sizeof buffer;
        EXPECT_EQ(PlatRegQueryValue(key, name, &value.type, buffer, &size), ERROR_SUCCESS);
        value.data.assign(buffer, size);
        return value;
    }
};

TEST_F(RegistryFile, FirstUseMakesTheValuesOfAFreshMachine) {
    HKEY key = nullptr;
    ASSERT_EQ(RegistryOpenKey(&key, REGISTRY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion"), 1);
    char text[320];
    ASSERT_EQ(RegistryGetString(key, "ProgramFilesDir", text, sizeof text), 1);
    EXPECT_STREQ(text, "C:\\Program Files");
    ASSERT_EQ(RegistryGetString(key, "SystemRoot", text, sizeof text), 1);
    EXPECT_STREQ(text, "C:\\WINDOWS");
    for (const char* name : {"ProductName", "Version", "VersionNumber", "RegisteredOwner",
                             "RegisteredOrganization", "ProductId"})
        EXPECT_EQ(RegistryGetString(key, name, text, sizeof text), 1) << name;
    RegistryCloseKey(&key);

    ASSERT_EQ(
        RegistryOpenKey(&key, REGISTRY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"),
        1);
    int32_t enabled = -1;
    EXPECT_EQ(RegistryGetInt32(key, "ProxyEnable", &enabled), 1);
    EXPECT_EQ(enabled, 0);
    RegistryCloseKey(&key);

    ASSERT_EQ(RegistryOpenKey(&key, REGISTRY_LOCAL_MACHINE, "Hardware\\Description\\System\\CentralProcessor\\0"), 1);
    std::string cpuinfo = ReadText("/proc/cpuinfo");
    if (Contains(cpuinfo, "vendor_id")) {
        ASSERT_EQ(RegistryGetString(key, "VendorIdentifier", text, sizeof text), 1);
        EXPECT_TRUE(Contains(cpuinfo, text));
    }
    RegistryCloseKey(&key);

    std::string file = ReadText(FilePath());
    EXPECT_EQ(file.rfind("REGEDIT4\n", 0), 0u);
    EXPECT_TRUE(Contains(file, "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n"));
    EXPECT_TRUE(Contains(file, "\"ProxyEnable\"=dword:00000000\n"));
}

TEST_F(RegistryFile, TextsAndNumbersAreWrittenAsRegeditWritesThem) {
    HKEY key = MakeKey("Format");
    ASSERT_EQ(RegistrySetString(key, "Say \"hi\"", "C:\\dir\\\"q\""), 1);
    ASSERT_EQ(RegistrySetInt32(key, "Count", 10), 1);
    RegistryCloseKey(&key);

    std::string file = ReadText(FilePath());
    EXPECT_TRUE(Contains(file, "\n[HKEY_CURRENT_USER\\" + base_ +
                                   "\\Format]\n"
                                   "\"Say \\\"hi\\\"\"=\"C:\\\\dir\\\\\\\"q\\\"\"\n"
                                   "\"Count\"=dword:0000000a\n"));

    ASSERT_EQ(RegistryOpenKey(&key, REGISTRY_CURRENT_USER, Key("Format").c_str()), 1);
    char text[32];
    EXPECT_EQ(RegistryGetString(key, "Say \"hi\"", text, sizeof text), 1);
    EXPECT_STREQ(text, "C:\\dir\\\"q\"");
    RegistryCloseKey(&key);
}

TEST_F(RegistryFile, EveryValueSurvivesARewriteByteForByte) {
    WriteText(FilePath(), "REGEDIT4\r\n"
                          "; kept by hand\r\n"
                          "\r\n"
                          "[HKEY_CURRENT_USER\\Software\\Kept]\r\n"
                          "@=\"default\"\r\n"
                          "\"Path\"=hex(2):25,00,41,\\\r\n"
                          "  42,00\r\n"
                          "\"Blob\"=hex:\r\n"
                          "\"Short\"=dword:1\r\n");
    HKEY key = nullptr;
    ASSERT_EQ(RegistryOpenKey(&key, REGISTRY_CURRENT_USER, "software\\KEPT"), 1);
    // Texts that quotes cannot carry: a NUL, a line break.
    ASSERT_EQ(PlatRegSetValue(key, "Nul", REG_SZ, "a\0", 2), ERROR_SUCCESS);
    ASSERT_EQ(PlatRegSetValue(key, "Lines", REG_SZ, "a\r\nb", 4), ERROR_SUCCESS);
    ASSERT_EQ(PlatRegSetValue(key, "Odd dword", REG_DWORD, "ab", 2), ERROR_SUCCESS);
    RegistryCloseKey(&key);

    // Read back from the rewritten file.
    ASSERT_EQ(RegistryOpenKey(&key, REGISTRY_CURRENT_USER, "Software\\Kept"), 1);
    RegValue value = Stored(key, "");
    EXPECT_EQ(value.type, (uint32_t)REG_SZ);
    EXPECT_EQ(value.data, "default");
    value = Stored(key, "path");
    EXPECT_EQ(value.type, 2u);
    EXPECT_EQ(value.data, std::string("%\0AB\0", 5));
    value = Stored(key, "Blob");
    EXPECT_EQ(value.type, 3u);
    EXPECT_EQ(value.data, "");
    value = Stored(key, "Short");
    EXPECT_EQ(value.data, std::string("\1\0\0\0", 4));
    EXPECT_EQ(Stored(key, "Nul").data, std::string("a\0", 2));
    EXPECT_EQ(Stored(key, "Lines").data, "a\r\nb");
    value = Stored(key, "Odd dword");
    EXPECT_EQ(value.type, (uint32_t)REG_DWORD);
    EXPECT_EQ(value.data, "ab");
    RegistryCloseKey(&key);

    std::string file = ReadText(FilePath());
    EXPECT_TRUE(Contains(file, "\"Path\"=hex(2):25,00,41,42,00\n"));
    EXPECT_TRUE(Contains(file, "\"Nul\"=hex(1):61,00\n"));
}

TEST_F(RegistryFile, KeysAndValuesKeepTheCaseTheyWereMadeWith) {
    HKEY key = MakeKey("MixedCase");
    ASSERT_EQ(RegistrySetString(key, "First Name", "Ann"), 1);
    RegistryCloseKey(&key);
    std::string upper = base_ + "\\MIXEDCASE";
    for (char& c : upper)
        c = (char)toupper((unsigned char)c);
    ASSERT_EQ(RegistryOpenKey(&key, REGISTRY_CURRENT_USER, upper.c_str()), 1);
    ASSERT_EQ(RegistrySetString(key, "FIRST NAME", "Bo"), 1);
    RegistryCloseKey(&key);

    std::string file = ReadText(FilePath());
    EXPECT_TRUE(Contains(file, "\\MixedCase]\n\"First Name\"=\"Bo\"\n"));
    EXPECT_FALSE(Contains(file, "MIXEDCASE"));
}

TEST(RegistryFileText, DamageIsFoundOnItsLine) {
    struct Case {
        const char* text;
        int line;
    } cases[] = {
        {"", 1},
        {"\n\n[HKEY_CURRENT_USER\\A]\n", 3},
        {"REGEDIT4\n\"Name\"=\"value\"\n", 2},
        {"REGEDIT4\n\n[HKEY_NOWHERE\\A]\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A\n", 2},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A\\\\B]\n", 2},
        {"REGEDIT4\n[-HKEY_CURRENT_USER\\A]\n", 2},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"Path\"=\"C:\\Program Files\"\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"Name\"=\"open\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"Name\"=\"x\" y\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"Name\" \"x\"\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\nName=\"x\"\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"N\"=dword:123456789\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"N\"=dword:\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"N\"=hex:1,,2\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"N\"=hex(z):00\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"N\"=hex:00,\\\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"N\"=-\n", 3},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"N\"=\"ok\"\n\"M\"=text\n", 4},
    };
    for (const Case& c : cases) {
        RegStore store;
        RegParseError error;
        EXPECT_FALSE(RegParseText(c.text, &store, &error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_FALSE(error.reason.empty());
    }
}

TEST_F(RegistryFile, ADamagedFileIsReportedOnceAndNeverRewritten) {
    const std::string damaged = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\A]\n\"N\"=oops\n";
    WriteText(FilePath(), damaged);
    std::string errors = prefix_ + "/stderr.txt";

    int status = InChild([&] {
        freopen(errors.c_str(), "w", stderr);
        HKEY key = nullptr;
        int failures = 0;
        failures += RegistryOpenKey(&key, REGISTRY_CURRENT_USER, "Software\\A") == 0;
        failures += RegistryCreateKey(&key, REGISTRY_CURRENT_USER, "Software\\B") == 0;
        failures += RegistryKeyExists(REGISTRY_CURRENT_USER, "Software") == 0;
        failures += RegistryDeleteKey(REGISTRY_CURRENT_USER, "Software\\A") == 0;
        return failures;
    });
    EXPECT_EQ(status, 4);

    std::string report = ReadText(errors);
    EXPECT_TRUE(Contains(report, FilePath() + ", line 4:")) << report;
    EXPECT_EQ(report.find('\n'), report.size() - 1) << report; // one line, once
    EXPECT_EQ(ReadText(FilePath()), damaged);
    EXPECT_FALSE(HasLeftovers());
    unlink(FilePath().c_str()); // so that clearing up finds a registry again
}

TEST_F(RegistryFile, AChangeReplacesTheFileWhole) {
    HKEY key = MakeKey("Atomic");
    ASSERT_EQ(RegistrySetString(key, "Before", "1"), 1);
    std::string before = ReadText(FilePath());

    // A reader that had the old file open keeps all of the old file.
    int reader = open(FilePath().c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(RegistrySetString(key, "After", "2"), 1);
    std::string seen(before.size() + 64, '\0');
    seen.resize((size_t)read(reader, seen.data(), seen.size()));
    close(reader);
    EXPECT_EQ(seen, before);
    EXPECT_TRUE(Contains(ReadText(FilePath()), "\"After\"=\"2\""));

    // A write that fails half-way (the file size limit is reached) leaves
    // the old file as it was and reports the failure.
    before = ReadText(FilePath());
    int status = InChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{(rlim_t)before.size() + 16, (rlim_t)before.size() + 16};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string big(4096, 'z');
        return RegistrySetString(key, "Big", big.c_str()) == 0 &&
                       LastLog() == "Unable to set registry 'Big' String\n"
                   ? 0
                   : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadText(FilePath()), before);
    EXPECT_FALSE(HasLeftovers());
    RegistryCloseKey(&key);
}

TEST_F(RegistryFile, WritersAtTheSameTimeKeepEachOthersKeys) {
    const int perWriter = 20;
    auto writer = [&](const std::string& who) {
        int made = 0;
        for (int i = 0; i < perWriter; ++i) {
            HKEY key = nullptr;
            std::string path = base_ + "\\" + who + "\\" + std::to_string(i);
            if (RegistryCreateKey(&key, REGISTRY_CURRENT_USER, path.c_str()) && RegistrySetInt32(key, "Number", i))
                ++made;
            RegistryCloseKey(&key);
        }
        return made;
    };
    fflush(nullptr);
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        if (children[c] == 0)
            _exit(writer("Process" + std::to_string(c)) == perWriter ? 0 : 1);
    }
    std::thread threads[2];
    int madeByThread[2] = {};
    for (int t = 0; t < 2; ++t)
        threads[t] =
            std::thread([&, t] { madeByThread[t] = writer("Thread" + std::to_string(t)); });
    for (std::thread& thread : threads)
        thread.join();
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(madeByThread[0], perWriter);
    EXPECT_EQ(madeByThread[1], perWriter);

    for (const char* who : {"Process0", "Process1", "Thread0", "Thread1"}) {
        for (int i = 0; i < perWriter; ++i) {
            HKEY key = nullptr;
            std::string path = base_ + "\\" + who + "\\" + std::to_string(i);
            ASSERT_EQ(RegistryOpenKey(&key, REGISTRY_CURRENT_USER, path.c_str()), 1) << path;
            int32_t number = -1;
            EXPECT_EQ(RegistryGetInt32(key, "Number", &number), 1);
            EXPECT_EQ(number, i);
            RegistryCloseKey(&key);
        }
    }
}

TEST_F(RegistryFile, HandlesAndNamesTheFileCannotTakeAreRefused) {
    HKEY key = MakeKey("Handles");
    HKEY copy = key;
    RegistryCloseKey(&key);
    EXPECT_EQ(PlatRegSetValue(copy, "N", REG_SZ, "x", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(PlatRegCloseKey(copy), ERROR_INVALID_HANDLE);

    HKEY dynamic = nullptr;
    EXPECT_EQ(PlatRegCreateKey(HKEY_DYN_DATA, "A", &dynamic), ERROR_INVALID_HANDLE);
    EXPECT_EQ(dynamic, nullptr);
    EXPECT_EQ(PlatRegDeleteKey(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);

    key = MakeKey("Names");
    EXPECT_EQ(PlatRegSetValue(key, "Two\nLines", REG_SZ, "x", 1), ERROR_INVALID_PARAMETER);
    HKEY broken = nullptr;
    EXPECT_EQ(PlatRegCreateKey(key, "Two\r\nLines", &broken), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(broken, nullptr);
    RegistryCloseKey(&key);

    RegStore store;
    RegParseError error;
    EXPECT_TRUE(RegParseText(ReadText(FilePath()), &store, &error)) << error.reason;
}

#endif // _WIN32

#include "log-capture.h"
#include "platform/platform.h"
#include "scratch-folder.h"
#include "system/fileops.h"
#include "system/deferdel.h"
#include "system/folders.h"
#include "base/runstyle.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// The folder of the test program, where the build puts the test components
// and helper programs.
std::string BuildFolder() {
    char folder[FOLDER_PATH_SIZE];
    GetProgramFolder(folder, sizeof folder);
    return folder;
}

void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value != nullptr ? value : "");
#else
    if (value != nullptr) setenv(name, value, 1); else unsetenv(name);
#endif
}

#ifdef _WIN32
const char* const kModuleSuffix = ".dll";
const char* const kProgramSuffix = ".exe";
#else
const char* const kModuleSuffix = ".so";
const char* const kProgramSuffix = "";
#endif

// One removal's walk, ended with the test.
struct TestWalk : FolderWalk {
    TestWalk() : FolderWalk{} {}
    ~TestWalk() { FolderWalkEnd(this); }
};

TEST(DeleteFileAndFolders, RemovesTheFileAndEveryFolderItEmptied) {
    TestWalk walk;
    ScratchFolder scratch;
    std::string outer = scratch.Path("outer"), inner = outer + "\\inner";
    ASSERT_TRUE(PlatCreateFolder(outer.c_str()));
    ASSERT_TRUE(PlatCreateFolder(inner.c_str()));
    std::string file = inner + "\\app.exe";
    ScratchFolder::Write(file, "x");
    std::string keep = scratch.Path("keep.txt");
    ScratchFolder::Write(keep, "stays");

    LogCapture log;
    EXPECT_EQ(1, DeleteFileAndFolders(&walk, file.c_str()));

    EXPECT_FALSE(ScratchFolder::Exists(file));
    EXPECT_FALSE(ScratchFolder::Exists(inner));
    EXPECT_FALSE(ScratchFolder::Exists(outer));
    // The scratch folder still holds keep.txt, so the walk stops there.
    EXPECT_TRUE(ScratchFolder::Exists(keep));
    EXPECT_TRUE(log.Has("Delete file '" + file + "'\n"));
    EXPECT_TRUE(log.Has("Deleting '" + inner + "\\'\n"));
    EXPECT_TRUE(log.Has("Deleting '" + outer + "\\'\n"));
}

TEST(DeleteFileAndFolders, MissingFileIsLoggedAndEmptyFoldersStillGo) {
    TestWalk walk;
    ScratchFolder scratch;
    std::string empty = scratch.Path("empty");
    ScratchFolder::Write(scratch.Path("other.txt"), "stays");
    ASSERT_TRUE(PlatCreateFolder(empty.c_str()));
    std::string missing = empty + "\\gone.dll";

    LogCapture log;
    EXPECT_EQ(1, DeleteFileAndFolders(&walk, missing.c_str()));
    EXPECT_TRUE(log.Has("Unable to delete file '" + missing + "'\n"));
    EXPECT_FALSE(ScratchFolder::Exists(empty));
}

// The walk remembers what kept a folder; that memory must never outlive the
// entry, or a folder emptied by someone else would stay behind.
TEST(DeleteFileAndFolders, FolderEmptiedMeanwhileStillGoes) {
    TestWalk walk;
    ScratchFolder scratch;
    std::string folder = scratch.Path("product");
    ScratchFolder::Write(scratch.Path("other.txt"), "stays");
    ASSERT_TRUE(PlatCreateFolder(folder.c_str()));
    std::vector<std::string> files;
    for (const char* name : {"a.dat", "b.dat", "c.dat"}) {
        files.push_back(folder + "\\" + name);
        ScratchFolder::Write(files.back(), "x");
    }

    DeleteFileAndFolders(&walk, files[0].c_str());
    EXPECT_TRUE(ScratchFolder::Exists(folder));
    PlatDeleteFile(files[1].c_str());  // gone behind the walk's back
    PlatDeleteFile(files[2].c_str());
    DeleteFileAndFolders(&walk, files[1].c_str());
    EXPECT_FALSE(ScratchFolder::Exists(folder));
}

// The folder of the last deleted file stays open between calls; a folder
// removed and made again behind its back must not keep its new files.
TEST(DeleteFileAndFolders, FolderMadeAgainLosesItsFilesToo) {
    TestWalk walk;
    ScratchFolder scratch;
    std::string folder = scratch.Path("product");
    ScratchFolder::Write(scratch.Path("other.txt"), "stays");
    ASSERT_TRUE(PlatCreateFolder(folder.c_str()));
    std::string first = folder + "\\a.dat", second = folder + "\\b.dat";
    ScratchFolder::Write(first, "x");
    ScratchFolder::Write(second, "x");
    DeleteFileAndFolders(&walk, first.c_str());
    ASSERT_TRUE(ScratchFolder::Exists(second));

    PlatDeleteFile(second.c_str());
    ASSERT_TRUE(PlatRemoveFolder(folder.c_str()));
    ASSERT_TRUE(PlatCreateFolder(folder.c_str()));
    std::string third = folder + "\\c.dat";
    ScratchFolder::Write(third, "x");
    LogCapture log;
    DeleteFileAndFolders(&walk, third.c_str());
    EXPECT_FALSE(log.Has("Unable to delete file"));
    EXPECT_FALSE(ScratchFolder::Exists(third));
    EXPECT_FALSE(ScratchFolder::Exists(folder));
}

TEST(DeleteFileAndFolders, FolderWithASubfolderStays) {
    TestWalk walk;
    ScratchFolder scratch;
    std::string parent = scratch.Path("parent"), child = parent + "\\child";
    ASSERT_TRUE(PlatCreateFolder(parent.c_str()));
    ASSERT_TRUE(PlatCreateFolder(child.c_str()));
    std::string file = parent + "\\readme.txt";
    ScratchFolder::Write(file, "x");

    DeleteFileAndFolders(&walk, file.c_str());
    EXPECT_FALSE(ScratchFolder::Exists(file));
    EXPECT_TRUE(ScratchFolder::Exists(child));
    PlatRemoveFolder(child.c_str());
    PlatRemoveFolder(parent.c_str());
}

TEST(DeleteFileAndFolders, RelativeNameIsRefusedNotResolved) {
    TestWalk walk;
    LogCapture log;
    EXPECT_EQ(1, DeleteFileAndFolders(&walk, "no-such-file.tmp"));
    EXPECT_TRUE(log.Has("Refused path 'no-such-file.tmp': not absolute\n"));
    EXPECT_FALSE(log.Has("Delete file"));
    EXPECT_FALSE(log.Has("Error opening"));
}

// The walk stands in the drive's root; "$5" must not start naming the root.
TEST(DeleteFileAndFolders, CurrentFolderOutlivesTheWalkToTheRoot) {
    char before[FOLDER_PATH_SIZE], after[FOLDER_PATH_SIZE], actual[FOLDER_PATH_SIZE];
    GetCurrentFolder(before, sizeof before);
    ASSERT_EQ(1, StandInDriveRoot());
    GetCurrentFolder(after, sizeof after);
    EXPECT_STREQ(before, after);
    ASSERT_EQ(1, PlatGetCurrentFolder(actual, sizeof actual));
    EXPECT_LE(std::string(actual).size(), 3u) << actual;
    // Later tests of this process expect to stand where it started.
    EXPECT_EQ(1, PlatSetCurrentFolder(before));
}

#ifndef _WIN32
// A listed file reached through a linked folder of the product is not the
// product's: neither the run nor the restart queue may delete it, however
// deep below the link it lies; a listed link goes as the link.
TEST(DeleteFileAndFolders, NothingIsDeletedOrQueuedThroughALink) {
    ScratchFolder scratch, outside;
    std::string product = scratch.Path("product");
    ASSERT_TRUE(PlatCreateFolder(product.c_str()));
    std::string kept = outside.Path("file.txt"), deeper = outside.Path("sub");
    ASSERT_TRUE(PlatCreateFolder(deeper.c_str()));
    std::string deepKept = outside.Path("sub\\deep.txt");
    ScratchFolder::Write(kept, "not the product's");
    ScratchFolder::Write(deepKept, "not the product's");
    // Scratch folders lie on "Z:", which is "/".
    auto host = [](std::string path) {
        for (char& c : path) c = c == '\\' ? '/' : c;
        return path.substr(2);
    };
    std::string link = host(product + "\\jct"), fileLink = host(product + "\\flink.txt");
    ASSERT_EQ(0, symlink(host(outside.Path("")).c_str(), link.c_str()));
    ASSERT_EQ(0, symlink(host(kept).c_str(), fileLink.c_str()));
    SetRunStyle(RUN_STYLE_SILENT);
    NoteUninstallOutcome(EXIT_REMOVED);
    LogCapture log;
    // The deeper one first: pruning after the other removes the link.
    const char* const listed[] = {"\\jct\\sub\\deep.txt", "\\jct\\file.txt", "\\jct\\"};
    for (const char* name : listed) {
        EXPECT_EQ(0, QueueDeleteOnRestart((product + name).c_str())) << name;
    }
    for (const char* name : {listed[0], listed[1]}) {
        std::string path = product + name;
        TestWalk walk;
        DeleteFileAndFolders(&walk, path.c_str());
        EXPECT_TRUE(log.Has("Refused path '" + path + "': through a link\n")) << path;
    }
    EXPECT_TRUE(ScratchFolder::Exists(kept));
    EXPECT_TRUE(ScratchFolder::Exists(deepKept));
    EXPECT_EQ(RunExitStatus(), EXIT_REMOVED);  // refused, neither queued nor left
    TestWalk walk;
    DeleteFileAndFolders(&walk, (product + "\\flink.txt").c_str());
    SetRunStyle(0);
    struct stat info;
    EXPECT_NE(0, lstat(link.c_str(), &info));
    EXPECT_NE(0, lstat(fileLink.c_str(), &info));
    EXPECT_TRUE(ScratchFolder::Exists(kept));
    EXPECT_FALSE(ScratchFolder::Exists(product));
    PlatDeleteFile(deepKept.c_str());
    PlatRemoveFolder(deeper.c_str());
}
#endif

TEST(RegisterComponent, CallsTheEntryPointsOfARealModule) {
    ScratchFolder scratch;
    std::string record = scratch.Path("calls.txt");
    // The component writes through the C runtime: give it the host's view.
#ifdef _WIN32
    std::string recordForComponent = record;
#else
    std::string recordForComponent = "/" + record.substr(3);
    for (char& c : recordForComponent) c = c == '\\' ? '/' : c;
#endif
    SetEnvironment("TESTCOMPONENT_LOG", recordForComponent.c_str());
    std::string module = BuildFolder() + "testcomponent" + kModuleSuffix;

    EXPECT_EQ(1, RegisterComponent(module.c_str(), 1));
    EXPECT_EQ(1, RegisterComponent(module.c_str(), 0));
    EXPECT_EQ("DllRegisterServer\nDllUnregisterServer\n", ScratchFolder::Read(record));

    SetEnvironment("TESTCOMPONENT_FAIL", "1");
    LogCapture log;
    EXPECT_EQ(0, RegisterComponent(module.c_str(), 1));
    EXPECT_TRUE(log.Has("Failed in executing entry point from '" + module + "'\n"));
    SetEnvironment("TESTCOMPONENT_FAIL", nullptr);
    SetEnvironment("TESTCOMPONENT_LOG", nullptr);
}

TEST(RegisterComponent, MissingEntryPointOrModuleFails) {
    LogCapture log;
    std::string registerOnly = BuildFolder() + "registeronly" + kModuleSuffix;
    EXPECT_EQ(1, RegisterComponent(registerOnly.c_str(), 1));
    EXPECT_EQ(0, RegisterComponent(registerOnly.c_str(), 0));
    EXPECT_TRUE(log.Has("Couldn't get entry point from '" + registerOnly + "'\n"));

    std::string missing = BuildFolder() + "nonexistent" + kModuleSuffix;
    EXPECT_EQ(0, RegisterComponent(missing.c_str(), 1));
    EXPECT_TRUE(log.Has("Error attempting to load '" + missing + "' (0x"));
}

TEST(RunProgram, WaitsForTheExitCode) {
    std::string program = BuildFolder() + "exitwith" + kProgramSuffix;
    uint32_t exitCode = 99;
    EXPECT_EQ(1, RunProgram(program.c_str(), "7", 1, &exitCode));
    EXPECT_EQ(7u, exitCode);

    exitCode = 99;
    EXPECT_EQ(1, RunProgram(program.c_str(), "3", 0, &exitCode));
    EXPECT_EQ(0u, exitCode);   // not waited for: never read
}

#ifdef _WIN32
// Closes the first top-level window titled `title` that shows up within a
// few seconds, from another thread, as a user would; tells whether one did.
class WindowCloser {
  public:
    explicit WindowCloser(const char* title)
        : title_(title), thread_([this] { Run(); }) {}
    ~WindowCloser() { Join(); }
    bool Join() {
        if (thread_.joinable()) thread_.join();
        return closed_;
    }

  private:
    struct Search {
        const char* title;
        HWND found;
    };
    static int Visit(HWND window, void* context) {
        auto* search = static_cast<Search*>(context);
        char text[64];
        if (PlatGetWindowTitle(window, text, sizeof text) > 0 && std::string(text) == search->title) {
            search->found = window;
            return 0;
        }
        return 1;
    }
    void Run() {
        for (int tries = 0; tries < 100 && !closed_; ++tries) {
            Search search = {title_, nullptr};
            PlatEnumTopWindows(Visit, &search);
            if (search.found != nullptr) closed_ = PlatCloseWindow(search.found, 5000) == 1;
            else PlatSleep(50);
        }
    }
    const char* title_;
    bool closed_ = false;
    std::thread thread_;
};
#endif

TEST(RunProgram, UnstartableFileIsLoggedAndReportsZero) {
#ifdef _WIN32
    // The shell tells the user itself (the request asks for its usual
    // interface): that box must be answered, or the call never returns.
    WindowCloser closer("Error");
#endif
    LogCapture log;
    uint32_t exitCode = 99;
    EXPECT_EQ(1, RunProgram("Z:\\no\\such\\program.exe", "-x", 1, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(log.Has("Unable to execute 'Z:\\no\\such\\program.exe' '-x' 0x"));
#ifdef _WIN32
    EXPECT_TRUE(closer.Join()) << "the shell showed no error box";
#endif
}

}  // namespace

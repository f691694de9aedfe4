// The files several processes share: the registry file and "wininit.ini".
// Writers run at once while some are killed at random moments; every
// change that reported success must be there afterwards, in a file that
// parses. Links planted beside them are never followed, a rewrite keeps
// the file's owner, group and mode, and a full disk leaves the old file.
#ifndef _WIN32

#include "platform/posix/lasterror.h"
#include "platform/posix/registry-store.h"
#include "registry-fixture.h"
#include "system/deferdel.h"

#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Names in `folder` that begin with `prefix`.
std::vector<std::string> NamesStartingWith(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> names;
    if (DIR* listing = opendir(folder.c_str())) {
        while (dirent* entry = readdir(listing))
            if (std::string(entry->d_name).rfind(prefix, 0) == 0)
                names.push_back(entry->d_name);
        closedir(listing);
    }
    return names;
}

struct KillRun {
    std::set<std::string> reported; // changes that reported success
    int killed = 0;
};

// Starts `writers` processes; each makes up to `changes` changes with
// `change(writer, i)` and reports each success on a pipe. Half of them are
// killed with SIGKILL at random moments within the first `window`.
KillRun RunWritersAndKill(int writers, int changes, std::chrono::milliseconds window,
                          const std::function<bool(int writer, int i)>& change) {
    std::fflush(nullptr);
    std::vector<pid_t> children;
    std::vector<int> pipes;
    for (int w = 0; w < writers; ++w) {
        int ends[2];
        if (pipe(ends) != 0)
            break;
        pid_t child = fork();
        if (child == 0) {
            close(ends[0]);
            for (int i = 0; i < changes; ++i) {
                if (!change(w, i))
                    continue;
                std::string line = std::to_string(w) + "-" + std::to_string(i) + "\n";
                if (write(ends[1], line.data(), line.size()) < 0)
                    _exit(2);
            }
            _exit(0);
        }
        close(ends[1]);
        children.push_back(child);
        pipes.push_back(ends[0]);
    }

    std::mt19937 random(std::random_device{}());
    std::vector<std::pair<long, int>> kills; // (microseconds, writer)
    for (int w = 0; w < (int)children.size(); w += 2)
        kills.emplace_back(std::uniform_int_distribution<long>(0, window.count() * 1000)(random), w);
    std::sort(kills.begin(), kills.end());
    auto start = std::chrono::steady_clock::now();
    KillRun run;
    for (auto [at, w] : kills) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(at));
        if (kill(children[w], SIGKILL) == 0)
            ++run.killed;
    }

    for (size_t w = 0; w < children.size(); ++w) {
        std::string text;
        char chunk[4096];
        ssize_t count;
        while ((count = read(pipes[w], chunk, sizeof chunk)) > 0)
            text.append(chunk, (size_t)count);
        close(pipes[w]);
        waitpid(children[w], nullptr, 0);
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            run.reported.insert(line);
    }
    return run;
}

} // namespace

class SharedFiles : public RegistryFixture {
  protected:
    std::string RegistryPath() const { return prefix_ + "/registry.reg"; }
    std::string WininitPath() const { return prefix_ + "/wininit.ini"; }
    // The same file as the program names it.
    std::string WininitWindowsPath() const { return "Z:" + Backslashed(WininitPath()); }

    static std::string Backslashed(std::string path) {
        for (char& c : path)
            if (c == '/')
                c = '\\';
        return path;
    }
};

TEST_F(SharedFiles, RegistryWritersKilledAtRandomLoseNoReportedChange) {
    Key("Kill");
    KillRun run = RunWritersAndKill(6, 40, std::chrono::milliseconds(400), [&](int w, int i) {
        HKEY key = nullptr;
        std::string path = base_ + "\\Kill";
        if (PlatRegCreateKey(HKEY_CURRENT_USER, path.c_str(), &key) != ERROR_SUCCESS)
            return false;
        uint32_t value = (uint32_t)(w * 1000 + i);
        std::string name = std::to_string(w) + "-" + std::to_string(i);
        bool set = PlatRegSetValue(key, name.c_str(), REG_DWORD, &value, 4) == ERROR_SUCCESS;
        PlatRegCloseKey(key);
        return set;
    });
    EXPECT_GT(run.killed, 0);
    EXPECT_GE(run.reported.size(), 3u * 40); // the writers left alone all finished

    RegStore store;
    RegParseError error;
    ASSERT_TRUE(RegParseText(ReadText(RegistryPath()), &store, &error)) << error.reason;
    RegKey* key = RegFindKey(store, "HKEY_CURRENT_USER\\" + base_ + "\\Kill");
    ASSERT_NE(key, nullptr);
    for (const std::string& name : run.reported) {
        RegValue* value = RegFindValue(*key, name);
        ASSERT_NE(value, nullptr) << name;
        uint32_t number;
        memcpy(&number, value->data.data(), 4);
        int w = std::stoi(name), i = std::stoi(name.substr(name.find('-') + 1));
        EXPECT_EQ(number, (uint32_t)(w * 1000 + i));
    }
    // At most one unreported change per killed writer: the one it died reporting.
    EXPECT_LE(key->values.size(), run.reported.size() + run.killed);

    // The next access clears what killed writers left half-written.
    HKEY probe = MakeKey("Probe");
    RegistryCloseKey(&probe);
    EXPECT_TRUE(NamesStartingWith(prefix_, "registry.reg.new").empty());
}

TEST_F(SharedFiles, WininitQueuersKilledAtRandomLoseNoReportedRequest) {
    std::string ini = WininitWindowsPath();
    KillRun run = RunWritersAndKill(6, 40, std::chrono::milliseconds(400), [&](int w, int i) {
        std::string file = "C:\\w\\" + std::to_string(w) + "-" + std::to_string(i);
        return WininitQueueDelete(ini.c_str(), file.c_str()) == 1;
    });
    EXPECT_GT(run.killed, 0);
    EXPECT_GE(run.reported.size(), 3u * 40);
    ASSERT_EQ(WininitQueueDelete(ini.c_str(), "C:\\w\\last"), 1);

    std::string text = ReadText(WininitPath());
    ASSERT_EQ(text.rfind(WININIT_HEADER "NUL=C:\\w\\last\r\n", 0), 0u) << text.substr(0, 80);
    std::set<std::string> queued;
    std::istringstream lines(text.substr(10));
    for (std::string line; std::getline(lines, line);) {
        ASSERT_EQ(line.rfind("NUL=C:\\w\\", 0), 0u) << line;
        ASSERT_EQ(line.back(), '\r') << line;
        queued.insert(line.substr(9, line.size() - 10));
    }
    for (const std::string& request : run.reported)
        EXPECT_TRUE(queued.count(request)) << request;
    EXPECT_LE(queued.size(), run.reported.size() + run.killed + 1);
    EXPECT_TRUE(NamesStartingWith(prefix_, "wininit.ini.new").empty());
}

// Links planted where the writers work: each is left pointing where it
// pointed, its target untouched, and the write is refused or made beside it.
TEST_F(SharedFiles, PlantedLinksAreNeverFollowed) {
    std::string target = prefix_ + "/target.txt";
    const std::string precious = "precious\n";
    struct Case {
        const char* link;     // planted beside the file, pointing at the target
        bool writeSucceeds;
    };
    const Case cases[] = {
        {"registry.reg", false},
        {"registry.reg.lock", false},
        {"wininit.ini", false},
        {"wininit.ini.lock", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        for (const std::string& file : {RegistryPath(), WininitPath()}) {
            unlink(file.c_str());
            unlink((file + ".lock").c_str());
        }
        WriteText(target, precious);
        chmod(target.c_str(), 0644);
        std::string link = prefix_ + "/" + c.link;
        ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);

        bool written;
        if (std::string(c.link).rfind("registry", 0) == 0) {
            HKEY key = nullptr;
            written = PlatRegCreateKey(HKEY_CURRENT_USER, "Software\\Planted", &key) == ERROR_SUCCESS;
            if (written)
                PlatRegCloseKey(key);
        } else {
            written = WininitQueueDelete(WininitWindowsPath().c_str(), "C:\\x") == 1;
        }
        EXPECT_EQ(written, c.writeSucceeds);
        EXPECT_EQ(ReadText(target), precious);
        struct stat info;
        ASSERT_EQ(lstat(link.c_str(), &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode));
        ASSERT_EQ(stat(target.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0644u);
        unlink(link.c_str());
    }
    // A dangling link as the lock file creates nothing where it points.
    std::string nowhere = prefix_ + "/nowhere";
    ASSERT_EQ(symlink(nowhere.c_str(), (WininitPath() + ".lock").c_str()), 0);
    EXPECT_EQ(WininitQueueDelete(WininitWindowsPath().c_str(), "C:\\x"), 0);
    EXPECT_NE(access(nowhere.c_str(), F_OK), 0);
    unlink((WininitPath() + ".lock").c_str());
    unlink(target.c_str());
}

// Another user's file, rewritten by root, stays theirs; a first file gets
// the umask. The registry file is private: its owner's bits alone.
TEST_F(SharedFiles, ARewriteKeepsOwnerGroupAndMode) {
    if (geteuid() != 0)
        GTEST_SKIP() << "giving files to another user needs root";
    const uid_t user = 65534;
    const gid_t group = 65533;
    mode_t saved = umask(027);
    ASSERT_EQ(WininitQueueDelete(WininitWindowsPath().c_str(), "C:\\first"), 1);
    HKEY key = MakeKey("Owner");
    RegistryCloseKey(&key);
    umask(saved);
    const struct {
        std::string file;
        mode_t first, kept;
    } cases[] = {{RegistryPath(), 0600, 0600}, {WininitPath(), 0640, 0664}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        struct stat info;
        ASSERT_EQ(stat(c.file.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, c.first);

        ASSERT_EQ(chown(c.file.c_str(), user, group), 0);
        ASSERT_EQ(chmod(c.file.c_str(), 0664), 0);
    }
    ASSERT_EQ(WininitQueueDelete(WininitWindowsPath().c_str(), "C:\\second"), 1);
    key = MakeKey("Owner\\Again");
    RegistryCloseKey(&key);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        struct stat info;
        ASSERT_EQ(stat(c.file.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, user);
        EXPECT_EQ(info.st_gid, group);
        EXPECT_EQ(info.st_mode & 07777, c.kept);
    }
    EXPECT_NE(ReadText(WininitPath()).find("NUL=C:\\second"), std::string::npos);
    EXPECT_NE(ReadText(RegistryPath()).find("Owner\\Again]"), std::string::npos);
}

// The registry file holds the user's name, address and e-mail: it and its
// lock are made 0600 whatever the umask, a rewrite keeps 0600, and a file
// an older program left readable by others is closed on its next rewrite.
TEST_F(SharedFiles, TheRegistryFileIsReadableByItsOwnerAlone) {
    const struct {
        mode_t umask, before; // `before`: the file's mode ahead of the change, 0 for none
    } cases[] = {{022, 0}, {0, 0}, {002, 0600}, {022, 0644}, {0, 0666}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "umask " << std::oct << c.umask << ", before "
                                        << c.before);
        unlink(RegistryPath().c_str());
        unlink((RegistryPath() + ".lock").c_str());
        if (c.before != 0) {
            HKEY key = MakeKey("First");
            RegistryCloseKey(&key);
            ASSERT_EQ(chmod(RegistryPath().c_str(), c.before), 0);
        }
        mode_t saved = umask(c.umask);
        HKEY key = MakeKey("Private");
        umask(saved);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(RegistrySetString(key, "Email", "someone@example.com"), 1);
        RegistryCloseKey(&key);
        for (const std::string& file : {RegistryPath(), RegistryPath() + ".lock"}) {
            struct stat info;
            ASSERT_EQ(stat(file.c_str(), &info), 0) << file;
            EXPECT_EQ(info.st_mode & 07777, 0600u) << file;
        }
    }
}

// On a full disk the new file cannot be written whole: the write fails and
// the previous file is there, complete.
TEST_F(SharedFiles, AFullDiskLeavesThePreviousFileComplete) {
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    std::string disk = prefix_ + "/disk";
    ASSERT_EQ(mkdir(disk.c_str(), 0700), 0);
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here: " << strerror(errno);
    struct Unmount {
        std::string folder, prefix;
        ~Unmount() {
            setenv("UNINSTALL_PREFIX", prefix.c_str(), 1);
            umount2(folder.c_str(), MNT_DETACH);
            rmdir(folder.c_str());
        }
    } unmount{disk, prefix_};

    std::string ini = disk + "/wininit.ini";
    std::string iniWindows = "Z:" + Backslashed(ini);
    ASSERT_EQ(WininitQueueDelete(iniWindows.c_str(), "C:\\kept"), 1);
    std::string before = ReadText(ini);
    // Fill the disk to the last byte with a file that is not ours.
    std::string filler = disk + "/filler";
    int descriptor = open(filler.c_str(), O_WRONLY | O_CREAT, 0600);
    std::string block(4096, 'f');
    while (write(descriptor, block.data(), block.size()) > 0) {
    }
    while (write(descriptor, block.data(), 1) > 0) {
    }
    close(descriptor);

    std::string longRequest = "C:\\" + std::string(200, 'n');
    EXPECT_EQ(WininitQueueDelete(iniWindows.c_str(), longRequest.c_str()), 0);
    EXPECT_EQ(ReadText(ini), before);
    EXPECT_TRUE(NamesStartingWith(disk, "wininit.ini.new").empty());

    // The registry, from a prefix on the full disk.
    std::string registry = disk + "/registry.reg";
    unlink(filler.c_str());
    setenv("UNINSTALL_PREFIX", disk.c_str(), 1);
    HKEY key = nullptr;
    ASSERT_EQ(PlatRegCreateKey(HKEY_CURRENT_USER, "Software\\Full", &key), ERROR_SUCCESS);
    std::string registryBefore = ReadText(registry);
    descriptor = open(filler.c_str(), O_WRONLY | O_CREAT, 0600);
    while (write(descriptor, block.data(), block.size()) > 0) {
    }
    while (write(descriptor, block.data(), 1) > 0) {
    }
    close(descriptor);
    std::string big(8192, 'b');
    EXPECT_EQ(PlatRegSetValue(key, "Big", REG_SZ, big.data(), (uint32_t)big.size()),
              ERROR_DISK_FULL);
    PlatRegCloseKey(key);
    EXPECT_EQ(ReadText(registry), registryBefore);
    EXPECT_TRUE(NamesStartingWith(disk, "registry.reg.new").empty());
}

#endif

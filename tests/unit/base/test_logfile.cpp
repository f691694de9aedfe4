// "-log PATH": where the log goes, and the tail a copy is started with so
// that it writes to the same file.
#include "base/core.h"
#include "base/logfile.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string InCurrentFolder(const std::string& name) {
    char folder[LOG_PATH_SIZE];
    EXPECT_TRUE(PlatGetCurrentFolder(folder, sizeof folder));
    std::string path = folder;
    if (path.back() != '\\') path += '\\';
    return path + name;
}

TEST(LogFile, TheLogSwitchNamesAFullPath) {
    const std::string longest(LOG_PATH_SIZE - 1 - 3, 'x');
    struct Case {
        std::string tail;
        int found;
        std::string path;   // "" for the current folder's own case below
    } cases[] = {
        {"-Silent", LOG_SWITCH_ABSENT, ""},
        {"-Silent -log C:\\logs\\u.log", LOG_SWITCH_FOUND, "C:\\logs\\u.log"},
        {"-LOG \"C:\\My Logs\\u.log\" -Silent", LOG_SWITCH_FOUND, "C:\\My Logs\\u.log"},
        {"-log \\\\server\\share\\u.log", LOG_SWITCH_FOUND, "\\\\server\\share\\u.log"},
        {"-log /tmp/u.log", LOG_SWITCH_FOUND, "/tmp/u.log"},
        {"-log \"my logs\\u.log\"", LOG_SWITCH_FOUND, InCurrentFolder("my logs\\u.log")},
        {"-logfile C:\\u.log", LOG_SWITCH_ABSENT, ""},      // a whole argument only
        {"-Silent -log", LOG_SWITCH_UNUSABLE, ""},
        {"-log \"\"", LOG_SWITCH_UNUSABLE, ""},
        {"-log C:\\" + longest, LOG_SWITCH_FOUND, "C:\\" + longest},
        {"-log C:\\" + longest + "x", LOG_SWITCH_UNUSABLE, ""},
    };
    for (const Case& c : cases) {
        char path[LOG_PATH_SIZE] = "left over";
        EXPECT_EQ(FindLogPath(c.tail.c_str(), path), c.found) << c.tail;
        EXPECT_EQ(std::string(path), c.path) << c.tail;
    }
}

TEST(LogFile, TheLogSwitchTurnsTheLogOn) {
    int32_t flags = DEBUG_CONSOLE;
    char name[LOG_PATH_SIZE];
    EXPECT_EQ(ChooseLogFile("-window -log C:\\u.log", &flags, name), LOG_SWITCH_FOUND);
    EXPECT_EQ(flags, DEBUG_CONSOLE | DEBUG_LOGFILE | DEBUG_VERBOSE);
    EXPECT_STREQ(name, "C:\\u.log");
    flags = 0;
    EXPECT_EQ(ChooseLogFile("-log", &flags, name), LOG_SWITCH_UNUSABLE);
    EXPECT_EQ(flags, DEBUG_LOGFILE | DEBUG_VERBOSE);
    EXPECT_STREQ(name, DEFAULT_LOG_NAME);
    flags = 0;
    EXPECT_EQ(ChooseLogFile("-Silent", &flags, name), LOG_SWITCH_ABSENT);
    EXPECT_EQ(flags, 0);
    EXPECT_STREQ(name, DEFAULT_LOG_NAME);
}

TEST(LogFile, ACopyWritesToTheSameLogAndAppends) {
    const char* full = "C:\\work dir\\u.log";
    struct Case {
        const char* tail;
        const char* copyTail;
    } cases[] = {
        {"-Silent", "-Silent"},
        {"-Silent -log u.log", "-Silent -log \"C:\\work dir\\u.log\" -append"},
        {"-log \"u.log\" -Append -Silent", "-log \"C:\\work dir\\u.log\" -Append -Silent"},
        {"-log", "-log"},
    };
    for (const Case& c : cases) {
        char out[512];
        EXPECT_EQ(TailForCopy(c.tail, full, out, sizeof out), 1) << c.tail;
        EXPECT_STREQ(out, c.copyTail) << c.tail;
    }
    char small[40];
    EXPECT_EQ(TailForCopy("-Silent -log u.log", full, small, sizeof small), 0);
    EXPECT_STREQ(small, "");
}

} // namespace

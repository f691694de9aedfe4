// A registry for one test: natively a fresh prefix (so a fresh registry
// file) per test; on Windows the real registry, below a key of the test's
// own that is removed afterwards. Log lines are formatted but not written
// anywhere, so a test can read the last one.
#pragma once

#include "base/core.h"
#include "platform/platform.h"
#include "system/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef _WIN32
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

// The registry file's bytes, as a test reads and plants them.
inline std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}
#endif

#define TEST_ROOT_KEY "Software\\UninstallTests"

class RegistryFixture : public testing::Test {
  protected:
    void SetUp() override {
#ifndef _WIN32
        const char* previous = std::getenv("UNINSTALL_PREFIX");
        hadPrefix_ = previous != nullptr;
        if (hadPrefix_)
            previousPrefix_ = previous;
        char folder[] = "/tmp/uninstall-registry-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        prefix_ = folder;
        setenv("UNINSTALL_PREFIX", folder, 1);
#endif
        savedFlags_ = DebugFlags;
        DebugFlags = DEBUG_APPEND;
        base_ = std::string(TEST_ROOT_KEY "\\") +
                testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    void TearDown() override {
        // Deepest first: a key with sub-keys cannot be deleted.
        std::vector<std::string> keys = made_;
        keys.push_back(base_);
        std::sort(keys.begin(), keys.end(),
                  [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
        for (const std::string& key : keys)
            PlatRegDeleteKey(HKEY_CURRENT_USER, key.c_str());
        PlatRegDeleteKey(HKEY_CURRENT_USER, TEST_ROOT_KEY);
        DebugFlags = savedFlags_;
#ifndef _WIN32
        std::error_code ignored;
        std::filesystem::remove_all(prefix_, ignored);
        if (hadPrefix_) {
            setenv("UNINSTALL_PREFIX", previousPrefix_.c_str(), 1);
        } else {
            unsetenv("UNINSTALL_PREFIX");
        }
#endif
    }

    // The sub-key path of `name` below the test's own key, remembered (with
    // its parents) for removal.
    std::string Key(const std::string& name) {
        std::string path = base_;
        size_t start = 0;
        while (start <= name.size()) {
            size_t end = name.find('\\', start);
            if (end == std::string::npos)
                end = name.size();
            path += "\\" + name.substr(start, end - start);
            made_.push_back(path);
            start = end + 1;
        }
        return path;
    }

    // An open key below the test's own key, made if need be.
    HKEY MakeKey(const std::string& name) {
        HKEY key = nullptr;
        EXPECT_EQ(RegistryCreateKey(&key, REGISTRY_CURRENT_USER, Key(name).c_str()), 1);
        return key;
    }

    // Marks the log, so that a step which logs nothing leaves the mark.
    static void MarkLog() {
        LogPrint("-- mark --\n");
    }
    static std::string LastLog() {
        return DebugLastText();
    }
    static bool LogUnchanged() {
        return LastLog() == "-- mark --\n";
    }

    std::string base_;
#ifndef _WIN32
    std::string prefix_;
#endif

  private:
    std::vector<std::string> made_;
    int32_t savedFlags_ = 0;
#ifndef _WIN32
    bool hadPrefix_ = false;
    std::string previousPrefix_;
#endif
};

// A private prefix for one test: $UNINSTALL_PREFIX points at a fresh host
// folder, which is removed with everything in it afterwards.
#pragma once
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <ftw.h>
#include <string>
#include <unistd.h>

class PosixPrefixTest : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/uninstall-prefix-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        prefix_ = pattern;
        const char* old = getenv("UNINSTALL_PREFIX");
        hadOld_ = old != nullptr;
        old_ = old ? old : "";
        setenv("UNINSTALL_PREFIX", prefix_.c_str(), 1);
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        cwd_ = cwd;
    }

    void TearDown() override {
        EXPECT_EQ(chdir(cwd_.c_str()), 0);
        if (hadOld_)
            setenv("UNINSTALL_PREFIX", old_.c_str(), 1);
        else
            unsetenv("UNINSTALL_PREFIX");
        nftw(prefix_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    }

    // The host path of `relative` inside the prefix.
    std::string Host(const std::string& relative) const { return prefix_ + "/" + relative; }

    std::string prefix_;

  private:
    static int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
        remove(path);
        return 0;
    }
    bool hadOld_ = false;
    std::string old_;
    std::string cwd_;
};

#endif

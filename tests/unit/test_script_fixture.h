// A script built in memory, written to a real file and loaded through the
// archive reader's on-disk path (no archive is loaded in the unit tests),
// with the full keyword table registered around each test.
#pragma once

#include "archive/ffs.h"
#include "base/core.h"
#include "base/identity.h"
#include "keywords/keywords.h"
#include "log-capture.h"
#include "scratch-folder.h"
#include "script/script.h"

#include <gtest/gtest.h>

#include <string>

// A command as the script writes it: marker, keyword, ':' and the argument
// text as given.
inline std::string Command(const std::string& keyword, const std::string& arguments) {
    return "\x16" + keyword + ":" + arguments;
}

class ScriptTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FfsClose();
        liveBlocks_ = MemGetStats().count;
        RegisterScriptKeywords();
    }
    void TearDown() override {
        ScriptFree(&script);
        KeywordTableFree();
        EXPECT_EQ(MemGetStats().count, liveBlocks_) << "tracked blocks left behind";
    }

    // Loads `text` as the script in `mode`; the test fails when it can't.
    void Load(const std::string& text, int32_t mode = MODE_UNINSTALL) {
        std::string path = folder_.Path("install.dat");
        ScratchFolder::Write(path, text);
        ASSERT_EQ(ScriptLoad(&script, path.c_str(), mode), 1);
    }
    // Loads and runs `text`; returns what ScriptRun returned.
    int Run(const std::string& text, int32_t mode = MODE_UNINSTALL) {
        Load(text, mode);
        return script != nullptr ? ScriptRun(script) : -1;
    }
    // Where the engine stands, as an offset into the script text.
    long Position() const { return static_cast<long>(script->position - script->text); }

    InstallScript* script = nullptr;
    ScratchFolder folder_;

  private:
    int32_t liveBlocks_ = 0;
};

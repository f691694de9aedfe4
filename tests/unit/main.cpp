// The unit-test program's entry: the library expects what the program's
// own entry sets up before anything else runs, a command line and a
// started memory manager.
#include "base/core.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include "platform/posix/cmdline.h"
#endif

int main(int argc, char** argv) {
#ifndef _WIN32
    RecordProgramArguments(argc, argv);
#endif
    MemInit(MEM_LIMIT_MAXIMUM, 0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// The seam's socket calls as the socket layer relies on them: Windows Sockets
// codes and select's sets read the same on both systems (run under Wine in
// the Windows build).
#include "platform/platform.h"

#include <gtest/gtest.h>

namespace {

const PlatAddress loopback4 = {PLAT_FAMILY_IPV4, {127, 0, 0, 1}};
const PlatAddress* const loopback = &loopback4;
const int closedPort = 1;    // nothing listens on port 1 of the loopback address

class SeamSockets : public ::testing::Test {
protected:
    void SetUp() override {
        uint16_t granted = 0;
        ASSERT_EQ(PlatSocketStartup(&granted), 1);
        EXPECT_EQ(granted, 0x0101);
        handle = PlatSocketOpen(PLAT_FAMILY_IPV4, PLAT_SOCKET_STREAM, 6);
        ASSERT_NE(handle, PLAT_SOCKET_NONE);
    }
    void TearDown() override {
        PlatSocketClose(handle);
        PlatSocketCleanup();
    }
    PlatSocket handle = PLAT_SOCKET_NONE;
};

TEST_F(SeamSockets, RefusedConnectLeavesItsWindowsSocketsCode) {
    PlatSocketSetLastError(0);
    EXPECT_EQ(PlatSocketConnect(handle, loopback, closedPort), 0);
    EXPECT_EQ(PlatSocketLastError(), 10061);    // "Connection refused"
    PlatSocketSetLastError(10093);
    EXPECT_EQ(PlatSocketLastError(), 10093);
}

// A connect under way is "would block"; once refused, it shows in the
// exception set and not in the write set.
TEST_F(SeamSockets, NonBlockingConnectReportsItsFailureAsAnException) {
    ASSERT_EQ(PlatSocketSetNonBlocking(handle, 1), 1);
    ASSERT_EQ(PlatSocketConnect(handle, loopback, closedPort), 0);
    int code = PlatSocketLastError();
    if (code == 10061) return;    // refused before the call returned
    ASSERT_EQ(code, 10035);
    PlatSocketSet writeSet = {1, {handle}};
    PlatSocketSet exceptSet = {1, {handle}};
    EXPECT_EQ(PlatSocketSelect(nullptr, &writeSet, &exceptSet, 5000000L), 1);
    EXPECT_EQ(writeSet.count, 0u);
    ASSERT_EQ(exceptSet.count, 1u);
    EXPECT_EQ(exceptSet.handles[0], handle);
}

}    // namespace

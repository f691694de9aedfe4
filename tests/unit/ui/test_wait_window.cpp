// The wait window: created hidden, advanced in percent, centred when shown.
#include "platform/platform.h"
#include "ui/dialog-ids.h"
#include "ui/ui.h"

#include <gtest/gtest.h>

class WaitWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        PlatInitCommonControls(0x1FFF);
        WaitWindowCreate(nullptr);
        ASSERT_NE(nullptr, WaitWindowHandle());
    }
    void TearDown() override { WaitWindowDestroy(); }
    static intptr_t Position() {
        return DlgItemSend(WaitWindowHandle(), IDC_WAIT_PROGRESS, PBM_GETPOS, 0, 0);
    }
};

TEST_F(WaitWindowTest, BarRunsFromZeroToTwoThousand) {
    EXPECT_EQ(0, Position());
    EXPECT_EQ(1, WaitProgress(50));
    EXPECT_EQ(1000, Position());
    WaitProgress(33.333);
    EXPECT_EQ(666, Position());
    WaitProgress(250);
    EXPECT_EQ(2000, Position());
    WaitProgress(-1);
    EXPECT_EQ(0, Position());
}

TEST_F(WaitWindowTest, ShownCentredOverTheDesktopAndHiddenAgain) {
    HWND wait = WaitWindowHandle();
    EXPECT_EQ(1, WaitWindowShow(1));
    PlatRect desktop, rect;
    PlatGetWindowRect(nullptr, &desktop);
    PlatGetWindowRect(wait, &rect);
    int x, y;
    CenteredCorner(&rect, &desktop, &x, &y);
    EXPECT_EQ(x, rect.left);
    EXPECT_EQ(y, rect.top);
    EXPECT_EQ(1, WaitWindowShow(0));
    EXPECT_EQ(1, WaitWindowShow(1));
}

TEST_F(WaitWindowTest, DestroyForgetsTheWindowAndLaterCallsAreHarmless) {
    WaitWindowDestroy();
    EXPECT_EQ(nullptr, WaitWindowHandle());
    EXPECT_EQ(1, WaitWindowShow(1));
    EXPECT_EQ(1, WaitProgress(40));
    EXPECT_EQ(1, WaitWindowDestroy());
}

TEST_F(WaitWindowTest, CloseRequestHidesItButKeepsItForLaterWork) {
    WaitWindowShow(1);
    DialogClose(WaitWindowHandle(), 0);
    ASSERT_NE(nullptr, WaitWindowHandle());
    WaitProgress(10);
    EXPECT_EQ(200, Position());
}

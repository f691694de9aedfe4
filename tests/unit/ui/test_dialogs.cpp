// Dialog helpers on real dialogs of the program: natively on the in-memory
// controls, under Wine on the dialogs the system makes of the templates.
#include "platform/platform.h"
#include "ui/dialog-ids.h"
#include "ui/dialog-templates.h"
#include "ui/ui.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#define AGE_BANDS                                                                           \
    "----", "12 or under", "13 to 17", "18 to 20", "21 to 24", "25 to 29", "30 to 34",       \
        "35 to 39", "40 to 49", "50 to 59", "60 or over"

// Runs dialog `id` modally; `body` gets the opened dialog, after which the
// dialog closes itself, so the test never waits for a user.
static intptr_t WithOpenedDialog(int id, const std::function<void(HWND)>& body) {
    struct Context {
        const std::function<void(HWND)>* body;
    } context = {&body};
    DialogProcedure procedure = [](HWND dialog, const DialogEvent* event, void* data) -> int {
        if (event->kind == DIALOG_OPENED) {
            (*static_cast<Context*>(data)->body)(dialog);
            DialogClose(dialog, 77);
            return 1;
        }
        if (event->kind == DIALOG_CLOSE) return DialogEnd(dialog, event->parameter);
        return 0;
    };
    return PlatDialogRun(FindDialogTemplate(id), nullptr, procedure, &context);
}

TEST(ProgressTest, PercentMapsToTwentiethsWithinTheRange) {
    EXPECT_EQ(0, ProgressPosition(-5));
    EXPECT_EQ(0, ProgressPosition(0));
    EXPECT_EQ(1, ProgressPosition(0.05));
    EXPECT_EQ(666, ProgressPosition(33.333));
    EXPECT_EQ(1999, ProgressPosition(99.99));
    EXPECT_EQ(2000, ProgressPosition(100));
    EXPECT_EQ(2000, ProgressPosition(150));
    // Values no integer can hold stay within the range instead of overflowing.
    EXPECT_EQ(2000, ProgressPosition(1e300));
    EXPECT_EQ(0, ProgressPosition(-1e300));
    EXPECT_EQ(0, ProgressPosition(std::nan("")));
}

TEST(CenterTest, CornerIsHalfTheDifferenceRoundedTowardZero) {
    PlatRect other = {50, 20, 351, 121};  // 301 x 101
    PlatRect small = {0, 0, 100, 40};
    int x, y;
    CenteredCorner(&small, &other, &x, &y);
    EXPECT_EQ(150, x);  // 100 right of the other's left edge
    EXPECT_EQ(50, y);   // (101 - 40) / 2 = 30 below its top

    PlatRect large = {0, 0, 301, 101};
    PlatRect narrow = {500, 300, 600, 340};  // 100 x 40
    CenteredCorner(&large, &narrow, &x, &y);
    EXPECT_EQ(400, x);  // 100 left of it: -201 / 2 is -100
    EXPECT_EQ(270, y);  // -61 / 2 is -30
}

TEST(ControlTest, TextsChecksAndEnabling) {
    intptr_t result = WithOpenedDialog(IDD_REGISTRATION, [](HWND dialog) {
        std::string eighty(80, 'a');
        EXPECT_EQ(1, DlgSetText(dialog, IDC_REG_CITY, eighty.c_str(), 80));
        char city[80];
        EXPECT_EQ(1, DlgGetText(dialog, IDC_REG_CITY, city, sizeof city));
        EXPECT_EQ(std::string(79, 'a'), city);

        char missing[8] = "junk";
        EXPECT_EQ(1, DlgGetText(dialog, 4711, missing, sizeof missing));
        EXPECT_STREQ("", missing);
        EXPECT_EQ(0, DlgSetText(dialog, 4711, "x", 10));

        int state = -1;
        DlgSetCheck(dialog, IDC_REG_ANSWER_YES, 1);
        DlgGetCheck(dialog, IDC_REG_ANSWER_YES, &state);
        EXPECT_EQ(1, state);
        DlgSetCheck(dialog, IDC_REG_ANSWER_YES, 7);
        DlgGetCheck(dialog, IDC_REG_ANSWER_YES, &state);
        EXPECT_EQ(0, state);

        EXPECT_EQ(1, DlgEnableItem(dialog, IDC_REG_ANSWER_ALREADY, 0));
        EXPECT_EQ(1, DlgEnableItem(dialog, IDC_REG_ANSWER_ALREADY, 1));
    });
    EXPECT_EQ(77, result);
}

TEST(ComboTest, FillSelectsTheFirstEntryAndSelectTextFindsExactEntries) {
    WithOpenedDialog(IDD_REGISTRATION, [](HWND dialog) {
        ASSERT_EQ(1, ComboFill(dialog, IDC_REG_AGE, AGE_BANDS, nullptr));
        int index = -1;
        EXPECT_EQ(1, ComboGetSelection(dialog, IDC_REG_AGE, &index));
        EXPECT_EQ(0, index);
        char age[20];
        EXPECT_EQ(1, ComboGetSelectedText(dialog, IDC_REG_AGE, age, sizeof age));
        EXPECT_STREQ("----", age);

        EXPECT_EQ(1, ComboSelectText(dialog, IDC_REG_AGE, "35 to 39"));
        ComboGetSelection(dialog, IDC_REG_AGE, &index);
        EXPECT_EQ(7, index);
        EXPECT_EQ(1, ComboSelectText(dialog, IDC_REG_AGE, "60 or over"));
        ComboGetSelection(dialog, IDC_REG_AGE, &index);
        EXPECT_EQ(10, index);

        // A text that begins entries but equals none selects one of them.
        EXPECT_EQ(0, ComboSelectText(dialog, IDC_REG_AGE, "2"));
        EXPECT_EQ(1, ComboGetSelectedText(dialog, IDC_REG_AGE, age, sizeof age));
        EXPECT_EQ('2', age[0]);
        // A text that begins none leaves the selection alone.
        ComboSetSelection(dialog, IDC_REG_AGE, 0);
        EXPECT_EQ(0, ComboSelectText(dialog, IDC_REG_AGE, "Forty"));
        ComboGetSelection(dialog, IDC_REG_AGE, &index);
        EXPECT_EQ(0, index);
        // Letter case counts for the answer, not for the search.
        EXPECT_EQ(0, ComboSelectText(dialog, IDC_REG_AGE, "12 OR UNDER"));
        ComboGetSelection(dialog, IDC_REG_AGE, &index);
        EXPECT_EQ(1, index);
    });
}

TEST(ComboTest, EntriesAreCopiedOnlyWhenTheyFit) {
    WithOpenedDialog(IDD_REGISTRATION, [](HWND dialog) {
        ComboFill(dialog, IDC_REG_AGE, "12 or under", nullptr);
        char exact[12];
        EXPECT_EQ(1, ComboGetItemText(dialog, IDC_REG_AGE, 0, exact, sizeof exact));
        EXPECT_STREQ("12 or under", exact);
        char small[11] = "untouched";
        EXPECT_EQ(0, ComboGetItemText(dialog, IDC_REG_AGE, 0, small, sizeof small));
        EXPECT_STREQ("", small);
        EXPECT_EQ(0, ComboGetItemText(dialog, IDC_REG_AGE, 1, exact, sizeof exact));
        EXPECT_EQ(0, ComboSelectText(dialog, IDC_REG_AGE, std::string(2000, '1').c_str()));
    });
}

TEST(ComboTest, EmptyFillLeavesNoSelection) {
    WithOpenedDialog(IDD_REGISTRATION, [](HWND dialog) {
        ComboFill(dialog, IDC_REG_AGE, AGE_BANDS, nullptr);
        EXPECT_EQ(0, ComboFill(dialog, IDC_REG_AGE, nullptr));
        int index = -1;
        EXPECT_EQ(0, ComboGetSelection(dialog, IDC_REG_AGE, &index));
        EXPECT_EQ(0, index);
        char age[20];
        EXPECT_EQ(0, ComboGetSelectedText(dialog, IDC_REG_AGE, age, sizeof age));
        EXPECT_EQ(0, DlgItemSend(dialog, IDC_REG_AGE, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(0, ComboSelectText(dialog, IDC_REG_AGE, "----"));
    });
}

#ifndef _WIN32
TEST(ComboDeathTest, FillingAMissingControlIsFatal) {
    EXPECT_EXIT(WithOpenedDialog(IDD_REGISTRATION,
                                 [](HWND dialog) { ComboFill(dialog, 4711, "a", nullptr); }),
                testing::ExitedWithCode(1), "ASSERT:TempHWND is NULL\n");
}
#endif

// Two hidden modeless dialogs to place against each other.
class PlacementTest : public testing::Test {
  protected:
    void SetUp() override {
        PlatInitCommonControls(0x1FFF);
        window_ = PlatDialogCreate(FindDialogTemplate(IDD_WAIT), nullptr, nullptr, nullptr);
        other_ = PlatDialogCreate(FindDialogTemplate(IDD_UPDATE), nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, window_);
        ASSERT_NE(nullptr, other_);
        PlatGetWindowRect(nullptr, &desktop_);
    }
    void TearDown() override {
        if (window_ != nullptr) PlatDestroyWindow(window_);
        if (other_ != nullptr) PlatDestroyWindow(other_);
    }
    static PlatRect RectOf(HWND window) {
        PlatRect rect = {0, 0, 0, 0};
        PlatGetWindowRect(window, &rect);
        return rect;
    }
    HWND window_ = nullptr, other_ = nullptr;
    PlatRect desktop_ = {0, 0, 0, 0};
};

TEST_F(PlacementTest, MovesAndSizesOnlyInsideTheDesktop) {
    MoveWindowInDesktop(window_, desktop_.left + 10, desktop_.top + 20, 100, 50);
    PlatRect rect = RectOf(window_);
    EXPECT_EQ(desktop_.left + 10, rect.left);
    EXPECT_EQ(desktop_.top + 20, rect.top);
    EXPECT_EQ(100, rect.right - rect.left);
    EXPECT_EQ(50, rect.bottom - rect.top);

    // Without a size the size stays; the desktop's far edges count as inside.
    MoveWindowInDesktop(window_, desktop_.right, desktop_.bottom, 0, 70);
    rect = RectOf(window_);
    EXPECT_EQ(desktop_.right, rect.left);
    EXPECT_EQ(100, rect.right - rect.left);
    EXPECT_EQ(50, rect.bottom - rect.top);

    MoveWindowInDesktop(window_, desktop_.left - 1, desktop_.top + 5, 0, 0);
    MoveWindowInDesktop(window_, desktop_.left + 5, desktop_.bottom + 1, 0, 0);
    EXPECT_EQ(desktop_.right, RectOf(window_).left);
}

TEST_F(PlacementTest, CentresOverAnotherWindowOrTheDesktop) {
    MoveWindowInDesktop(window_, desktop_.left, desktop_.top, 100, 40);
    MoveWindowInDesktop(other_, desktop_.left + 200, desktop_.top + 100, 301, 101);
    CenterWindow(window_, other_);
    EXPECT_EQ(desktop_.left + 300, RectOf(window_).left);
    EXPECT_EQ(desktop_.top + 130, RectOf(window_).top);

    CenterWindow(window_, nullptr);
    PlatRect rect = RectOf(window_);
    EXPECT_EQ(desktop_.left + (desktop_.right - desktop_.left - 100) / 2, rect.left);
    EXPECT_EQ(desktop_.top + (desktop_.bottom - desktop_.top - 40) / 2, rect.top);
}

TEST_F(PlacementTest, CornerOffTheDesktopLeavesTheWindowInPlace) {
    MoveWindowInDesktop(window_, desktop_.left + 30, desktop_.top + 30, 400, 40);
    // The other window hugs the left edge; centring the wider window over it
    // would put its corner left of the desktop.
    MoveWindowInDesktop(other_, desktop_.left, desktop_.top + 200, 301, 101);
    CenterWindow(window_, other_);
    EXPECT_EQ(desktop_.left + 30, RectOf(window_).left);
    EXPECT_EQ(desktop_.top + 30, RectOf(window_).top);
}

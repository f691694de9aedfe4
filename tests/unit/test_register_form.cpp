// The registration form and the e-mail check, driven through the dialog
// helpers: the opening state and the answer boxes on the real dialogs of
// both systems; natively also whole sessions typed on the terminal, with
// their message boxes.
#include "register/details.h"
#include "register/form.h"

#include "registry-fixture.h"
#include "test_dialogs_module.h"
#include "winmain/identity.h"
#include "zunkcore/dialog-ids.h"
#include "zunkcore/winhelpr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#ifndef _WIN32
#include "platform/posix/ui-window.h"
#include "terminal.h"
#endif

namespace {

#define TITLE "Acme Rocket Registration..."

std::string Caption(HWND dialog) {
#ifdef _WIN32
    char text[256] = "";
    GetWindowTextA(dialog, text, sizeof text);
    return text;
#else
    PosixWindow* window = FindPosixWindow(dialog);
    return window != nullptr ? window->caption : "";
#endif
}

bool Enabled(HWND dialog, int id) {
#ifdef _WIN32
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
#else
    PosixControl* control = FindPosixControl(FindPosixWindow(dialog), id);
    return control != nullptr && control->enabled;
#endif
}

std::string Text(HWND dialog, int id) {
    char text[400];
    DlgGetText(dialog, id, text, sizeof text);
    return text;
}

// The ticked answer boxes, as "yes", "no", "already" joined by blanks.
std::string Ticked(HWND dialog) {
    std::string ticked;
    for (auto box :
         {std::make_pair(IDC_REG_ANSWER_YES, "yes"), std::make_pair(IDC_REG_ANSWER_NO, "no"),
          std::make_pair(IDC_REG_ANSWER_ALREADY, "already")}) {
        int state = 0;
        DlgGetCheck(dialog, box.first, &state);
        if (state == 1)
            ticked += ticked.empty() ? box.second : std::string(" ") + box.second;
    }
    return ticked;
}

// The form opened modeless and hidden with its own procedure; the tests
// then play the user's clicks on it.
class FormOpeningTest : public testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_DIALOG_TEMPLATES();
        DetailsClear();
        std::strcpy(RegistrationTitle, TITLE);
    }
    void TearDown() override {
        if (dialog_ != nullptr)
            PlatDestroyWindow(dialog_);
        DetailsClear();
    }
    HWND Open() {
        dialog_ = PlatDialogCreate(DialogTemplateModule(), IDD_REGISTRATION, nullptr,
                                   RegistrationFormProcedure, nullptr);
        EXPECT_NE(dialog_, nullptr);
        return dialog_;
    }
    // An automatic check box turns over and tells its dialog.
    void Click(int id) {
        int state = 0;
        DlgGetCheck(dialog_, id, &state);
        DlgSetCheck(dialog_, id, state == 1 ? 0 : 1);
        DialogEvent event = {DIALOG_COMMAND, id, BN_CLICKED, 0};
        RegistrationFormProcedure(dialog_, &event, nullptr);
    }
    std::string Age() {
        char age[DETAILS_AGE_SIZE] = "";
        ComboGetSelectedText(dialog_, IDC_REG_AGE, age, sizeof age);
        return age;
    }

    HWND dialog_ = nullptr;
};

TEST_F(FormOpeningTest, AFirstUserSeesAnEmptyFormWithoutTheAlreadyBox) {
    HWND dialog = Open();
    EXPECT_EQ(Caption(dialog), TITLE);
    EXPECT_EQ(Ticked(dialog), "");
    EXPECT_FALSE(Enabled(dialog, IDC_REG_ANSWER_ALREADY));
    EXPECT_TRUE(Enabled(dialog, IDC_REG_ANSWER_YES));
    EXPECT_EQ(Age(), "----");
    EXPECT_EQ(DlgItemSend(dialog, IDC_REG_AGE, CB_GETCOUNT, 0, 0), 11);
    for (int id : {IDC_REG_FIRST_NAME, IDC_REG_ADDRESS, IDC_REG_EMAIL, IDC_REG_HOW_FOUND})
        EXPECT_EQ(Text(dialog, id), "") << id;
}

TEST_F(FormOpeningTest, StoredDetailsFillTheForm) {
    RegistrationDetails.updatesAnswer = ANSWER_ALREADY;
    std::strcpy(RegistrationDetails.firstName, "Ann");
    std::strcpy(RegistrationDetails.ageBand, "35 to 39");
    std::strcpy(RegistrationDetails.address, std::string(159, 'a').c_str());
    std::strcpy(RegistrationDetails.howFound, "A friend");
    HWND dialog = Open();
    EXPECT_EQ(Ticked(dialog), "already");
    EXPECT_TRUE(Enabled(dialog, IDC_REG_ANSWER_ALREADY));
    EXPECT_EQ(Age(), "35 to 39");
    EXPECT_EQ(Text(dialog, IDC_REG_FIRST_NAME), "Ann");
    EXPECT_EQ(Text(dialog, IDC_REG_ADDRESS), std::string(159, 'a'));
    EXPECT_EQ(Text(dialog, IDC_REG_HOW_FOUND), "A friend");
    PlatDestroyWindow(dialog);

    // Every other answer, and an age band the list does not have.
    std::strcpy(RegistrationDetails.ageBand, "45");
    const std::pair<int32_t, const char*> answers[] = {
        {ANSWER_YES, "yes"}, {ANSWER_NO, "no"}, {7, ""}, {-1, ""}};
    for (const auto& answer : answers) {
        RegistrationDetails.updatesAnswer = answer.first;
        dialog = Open();
        EXPECT_EQ(Ticked(dialog), answer.second) << answer.first;
        EXPECT_EQ(Enabled(dialog, IDC_REG_ANSWER_ALREADY), answer.first >= 1) << answer.first;
        EXPECT_EQ(Age(), "----");
        PlatDestroyWindow(dialog);
    }
    dialog_ = nullptr;
}

TEST_F(FormOpeningTest, AnswerBoxesBehaveAsOneGroup) {
    Open();
    Click(IDC_REG_ANSWER_YES);
    EXPECT_EQ(Ticked(dialog_), "yes");
    Click(IDC_REG_ANSWER_NO);
    EXPECT_EQ(Ticked(dialog_), "no");
    Click(IDC_REG_ANSWER_NO);
    EXPECT_EQ(Ticked(dialog_), "") << "clicking the ticked box clears it";
    Click(IDC_REG_ANSWER_YES);
    Click(IDC_REG_ANSWER_YES);
    EXPECT_EQ(Ticked(dialog_), "");
}

#ifndef _WIN32
// Whole sessions on the terminal, as a user or a script types them.
#define COMPLETE                                                                                   \
    "1014=Ann\n1016=Smith\n1029=30 to 34\n1017=1 Main Street\n1018=Springfield\n1019=IL\n"         \
    "1023=USA\n1020=62701\n1015=ann@example.com\n1022=555-1234\n1021=A friend\n"

class FormSessionTest : public RegistryFixture {
  protected:
    void SetUp() override {
        RegistryFixture::SetUp();
        DetailsClear();
        std::strcpy(RegistrationTitle, TITLE);
    }
    void TearDown() override {
        DetailsClear();
        RegistryFixture::TearDown();
    }
    intptr_t Form(const std::string& input) {
        Terminal terminal(input);
        intptr_t result = RegistrationForm(nullptr);
        output_ = terminal.Output();
        return result;
    }
    // How often the output holds `text`.
    int Count(const std::string& text) const {
        int count = 0;
        for (size_t at = output_.find(text); at != std::string::npos;
             at = output_.find(text, at + 1))
            count++;
        return count;
    }
    static std::string Stored(const char* name) {
        HKEY key = nullptr;
        char text[400] = "(none)";
        if (RegistryOpenKey(&key, 1, VENDOR_KEY)) {
            RegistryGetString(key, name, text, sizeof text);
            RegistryCloseKey(&key);
        }
        return text;
    }

    std::string output_;
};

// What the end-to-end scenarios do not type: a complete form without an
// answer, a field of blanks, and fields typed beyond their capacity.
TEST_F(FormSessionTest, FieldsTakeTheirCapacityKeepOneLessAndBlanksCount) {
    EXPECT_EQ(Form(COMPLETE "1\n1019=   \n1014=" + std::string(90, 'f') + "\n1017=" +
                   std::string(170, 'a') + "\n1021=" + std::string(330, 'h') + "\n1026\n1\n"),
              1);
    EXPECT_EQ(Count("=== " TITLE " ===\n"
                    "You must choose if you wish to receive updates or not.\n[OK]\n"),
              1);
    EXPECT_EQ(Count("\n[OK]\n"), 1) << "only the missing answer is named";
    EXPECT_EQ(std::string(RegistrationDetails.firstName), std::string(79, 'f'));
    EXPECT_EQ(std::string(RegistrationDetails.address), std::string(159, 'a'));
    EXPECT_EQ(std::string(RegistrationDetails.howFound), std::string(319, 'h'));
    EXPECT_EQ(Stored("First Name"), std::string(79, 'f'));
    EXPECT_EQ(Stored("State"), "   ");
    EXPECT_EQ(RegistrationDetails.updatesAnswer, ANSWER_NO);
}
#endif

} // namespace

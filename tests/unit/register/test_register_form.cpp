// The registration form and the e-mail check, driven through the dialog
// helpers: the opening state and the answer boxes on the real dialogs of
// both systems; natively also whole sessions typed on the terminal, with
// their message boxes.
#include "register/details.h"
#include "register/form.h"

#include "base/identity.h"
#include "base/identity.h"
#include "registry-fixture.h"
#include "ui/dialog-ids.h"
#include "ui/dialog-templates.h"
#include "ui/ui.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
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
        DetailsClear(&session_.details);
        std::strcpy(session_.title, TITLE);
    }
    void TearDown() override {
        if (dialog_ != nullptr)
            PlatDestroyWindow(dialog_);
    }
    HWND Open() {
        dialog_ = PlatDialogCreate(FindDialogTemplate(IDD_REGISTRATION), nullptr,
                                   RegistrationFormProcedure, &session_);
        EXPECT_NE(dialog_, nullptr);
        return dialog_;
    }
    // An automatic check box turns over and tells its dialog.
    void Click(int id) {
        int state = 0;
        DlgGetCheck(dialog_, id, &state);
        DlgSetCheck(dialog_, id, state == 1 ? 0 : 1);
        DialogEvent event = {DIALOG_COMMAND, id, BN_CLICKED, 0};
        RegistrationFormProcedure(dialog_, &event, &session_);
    }
    std::string Age() {
        char age[DETAILS_AGE_SIZE] = "";
        ComboGetSelectedText(dialog_, IDC_REG_AGE, age, sizeof age);
        return age;
    }

    RegistrationSession session_;
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
    session_.details.updatesAnswer = ANSWER_ALREADY;
    std::strcpy(session_.details.firstName, "Ann");
    std::strcpy(session_.details.ageBand, "35 to 39");
    std::strcpy(session_.details.address, std::string(159, 'a').c_str());
    std::strcpy(session_.details.howFound, "A friend");
    HWND dialog = Open();
    EXPECT_EQ(Ticked(dialog), "already");
    EXPECT_TRUE(Enabled(dialog, IDC_REG_ANSWER_ALREADY));
    EXPECT_EQ(Age(), "35 to 39");
    EXPECT_EQ(Text(dialog, IDC_REG_FIRST_NAME), "Ann");
    EXPECT_EQ(Text(dialog, IDC_REG_ADDRESS), std::string(159, 'a'));
    EXPECT_EQ(Text(dialog, IDC_REG_HOW_FOUND), "A friend");
}

TEST_F(FormOpeningTest, EachStoredAnswerTicksItsBoxAndUnknownOnesNone) {
    const std::pair<int32_t, const char*> answers[] = {
        {ANSWER_YES, "yes"}, {ANSWER_NO, "no"}, {7, ""}, {-1, ""}};
    for (const auto& answer : answers) {
        session_.details.updatesAnswer = answer.first;
        HWND dialog = Open();
        EXPECT_EQ(Ticked(dialog), answer.second) << answer.first;
        EXPECT_EQ(Enabled(dialog, IDC_REG_ANSWER_ALREADY), answer.first >= 1) << answer.first;
        PlatDestroyWindow(dialog);
        dialog_ = nullptr;
    }
}

TEST_F(FormOpeningTest, AStoredAgeBandNotInTheListLeavesNoChoice) {
    std::strcpy(session_.details.ageBand, "45");
    Open();
    EXPECT_EQ(Age(), "----");
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
#define BOX(text) "=== " TITLE " ===\n" text "\n[OK]\n"

class FormSessionTest : public RegistryFixture {
  protected:
    void SetUp() override {
        RegistryFixture::SetUp();
        DetailsClear(&session_.details);
        std::strcpy(session_.title, TITLE);
    }
    intptr_t Form(const std::string& input) {
        Terminal terminal(input);
        intptr_t result = RegistrationForm(nullptr, &session_);
        output_ = terminal.Output();
        return result;
    }
    intptr_t Verification(const std::string& input) {
        Terminal terminal(input);
        intptr_t result = EmailVerification(nullptr, &session_);
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
        if (RegistryOpenKey(&key, REGISTRY_CURRENT_USER, VENDOR_KEY)) {
            RegistryGetString(key, name, text, sizeof text);
            RegistryCloseKey(&key);
        }
        return text;
    }

    RegistrationSession session_;
    std::string output_;
};

TEST_F(FormSessionTest, InputIsCheckedInOrderAndSavedOnceComplete) {
    EXPECT_EQ(Form("1\n"               // nothing at all: the updates come first
                   COMPLETE "1\n"      // everything but an answer
                   "1027\n1029#0\n1\n" // no age band
                   "1029=30 to 34\n1015=ann@example\n1\n"
                   "1019=   \n1015=ann@example.com\n1\n"),
              1);
    EXPECT_EQ(Count(BOX("You must choose if you wish to receive updates or not.")), 2);
    EXPECT_EQ(Count(BOX("All fields must be filled in correctly.")), 1);
    EXPECT_EQ(Count(BOX("The email address does not appear to be valid.")), 1);
    EXPECT_EQ(Count("\n[OK]\n"), 4) << output_;
    EXPECT_EQ(Stored("State"), "   ") << "blanks count as filled in";
    EXPECT_EQ(Stored("Email"), "ann@example.com");
    EXPECT_EQ(Stored("Age"), "30 to 34");
    EXPECT_EQ(session_.details.updatesAnswer, ANSWER_YES);
}

TEST_F(FormSessionTest, FieldsTakeTheirCapacityAndKeepOneLess) {
    EXPECT_EQ(Form(COMPLETE "1014=" + std::string(90, 'f') + "\n1017=" + std::string(170, 'a') +
                   "\n1021=" + std::string(330, 'h') + "\n1026\n1\n"),
              1);
    EXPECT_EQ(std::string(session_.details.firstName), std::string(79, 'f'));
    EXPECT_EQ(std::string(session_.details.address), std::string(159, 'a'));
    EXPECT_EQ(std::string(session_.details.howFound), std::string(319, 'h'));
    EXPECT_EQ(Stored("First Name"), std::string(79, 'f'));
    EXPECT_EQ(session_.details.updatesAnswer, ANSWER_NO);
}

TEST_F(FormSessionTest, DeclineIsConfirmedAndACloseRequestIsNot) {
    EXPECT_EQ(Form("1014=Ann\n2\nno\nesc\ny\n"), 0);
    EXPECT_EQ(Count("=== " TITLE " ===\nAre you sure you don't want to register?\n[Yes/No] "), 2);
    EXPECT_NE(output_.find("[Yes/No] no\n"), std::string::npos);
    EXPECT_FALSE(RegistryKeyExists(REGISTRY_CURRENT_USER, VENDOR_KEY)) << "nothing is saved";

    EXPECT_EQ(Form(COMPLETE "1027\n"), 0);
    EXPECT_EQ(Count("Are you sure"), 0) << "end of input closes without asking";
    EXPECT_EQ(Form("close\n"), 0);
    EXPECT_EQ(Count("Are you sure"), 0);
}

TEST_F(FormSessionTest, VerificationIgnoresLetterCaseOnly) {
    std::strcpy(session_.details.email, "Ann@Example.com");
    EXPECT_EQ(Verification("1025=ann@example.org\n1\n1025=ANN@EXAMPLE.COM\n\n"), 1);
    EXPECT_EQ(Count(BOX("The email address you entered does not match, please check your email "
                        "address again")),
              1);
    EXPECT_EQ(output_.find("=== " TITLE " ===\n  -- Email Verification --\n"), 0u);
    EXPECT_EQ(Verification("1025=Ann@Example.com\n2\n"), 0) << "Cancel is no confirmation";
    EXPECT_EQ(Verification(""), 0);
}
#endif

} // namespace

// The terminal protocol of message boxes and dialogs: standard input is fed
// through a pipe and standard output captured, in this process.
#ifndef _WIN32
#include "platform/platform.h"
#include "platform/posix/ui-window.h"
#include "terminal.h"
#include "ui/dialog-ids.h"
#include "ui/dialog-templates.h"
#include "ui/ui.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(TerminalMessageBoxTest, QuestionReadsOneLineAndOnlyYesConsents) {
    Terminal terminal("y\nYES\r\nyess\n\nno\n");
    EXPECT_EQ(1, AskYesNo("Remove it?", nullptr));
    EXPECT_EQ(1, AskYesNo("Remove it?", "Widget Registration..."));
    EXPECT_EQ(0, AskYesNo("Again?", nullptr));
    EXPECT_EQ(0, AskYesNo("Again?", nullptr));
    // Exactly one line per question: the rest is still there for others.
    EXPECT_EQ("no\n", terminal.Unread());
    EXPECT_EQ(0, AskYesNo("Nothing left?", nullptr));
    std::string output = terminal.Output();
    EXPECT_EQ(0u, output.find("=== Uninstall... ===\nRemove it?\n[Yes/No] y\n"
                              "=== Widget Registration... ===\nRemove it?\n[Yes/No] YES\n"));
    EXPECT_NE(std::string::npos, output.find("Nothing left?\n[Yes/No] (end of input)\n"));
}

TEST(TerminalMessageBoxTest, NoticePrintsAndReadsNothing) {
    Terminal terminal("y\n");
    EXPECT_EQ(1, ShowMessage("Installation script corrupted!", nullptr));
    EXPECT_EQ(1, ShowMessage("Done.", "Electronic Update..."));
    EXPECT_EQ("y\n", terminal.Unread());
    EXPECT_EQ("=== Uninstall problem... ===\nInstallation script corrupted!\n[OK]\n"
              "=== Electronic Update... ===\nDone.\n[OK]\n",
              terminal.Output());
}

// A dialog procedure that records every command and ends on OK (when the
// e-mail field is filled), on Cancel and on a close request.
struct Recorder {
    std::vector<std::string> events;
    std::string email;
};

static int RecordingProcedure(HWND dialog, const DialogEvent* event, void* context) {
    Recorder* recorder = static_cast<Recorder*>(context);
    switch (event->kind) {
    case DIALOG_OPENED:
        DialogSetCaption(dialog, "Check...");
        DlgEnableItem(dialog, IDCANCEL, event->parameter == 0 ? 1 : 0);
        return 1;
    case DIALOG_COMMAND: {
        recorder->events.push_back(std::to_string(event->control) + "/" + std::to_string(event->code));
        char email[120];
        DlgGetText(dialog, IDC_VERIFY_EMAIL, email, sizeof email);
        recorder->email = email;
        if (event->control == IDOK && email[0] != '\0') DialogClose(dialog, 1);
        if (event->control == IDCANCEL) DialogClose(dialog, 0);
        return 1;
    }
    case DIALOG_CLOSE:
        recorder->events.push_back("close/" + std::to_string(event->parameter));
        DialogEnd(dialog, event->parameter);
        return 1;
    }
    return 0;
}

static intptr_t RunVerification(const std::string& input, Recorder* recorder, std::string* output) {
    Terminal terminal(input);
    intptr_t result = DialogRun(IDD_EMAIL_VERIFICATION, nullptr, RecordingProcedure, recorder);
    *output = terminal.Output();
    return result;
}

TEST(TerminalDialogTest, TypedTextAndTheDefaultButtonReachTheProcedure) {
    Recorder recorder;
    std::string output;
    EXPECT_EQ(1, RunVerification("\n1025=Me@Example.com\n\n", &recorder, &output));
    EXPECT_EQ((std::vector<std::string>{"1/0", "1025/768", "1/0", "close/1"}), recorder.events);
    EXPECT_EQ("Me@Example.com", recorder.email);
    EXPECT_EQ(0u, output.find("=== Check... ===\n  -- Email Verification --\n"));
    EXPECT_NE(std::string::npos, output.find("  [1025] edit: \"\"\n"));
    EXPECT_NE(std::string::npos, output.find("  [1] <<OK>>\n"));
    EXPECT_NE(std::string::npos, output.find("Check...> 1025=Me@Example.com\n"));
}

TEST(TerminalDialogTest, EscapeAndButtonIdsSendCommands) {
    Recorder recorder;
    std::string output;
    EXPECT_EQ(0, RunVerification("esc\n", &recorder, &output));
    EXPECT_EQ((std::vector<std::string>{"2/0", "close/0"}), recorder.events);
    recorder = Recorder();
    EXPECT_EQ(0, RunVerification("2\n", &recorder, &output));
    EXPECT_EQ((std::vector<std::string>{"2/0", "close/0"}), recorder.events);
}

TEST(TerminalDialogTest, EndOfInputIsACloseRequest) {
    Recorder recorder;
    std::string output;
    EXPECT_EQ(0, RunVerification("1025=half typed", &recorder, &output));
    EXPECT_EQ((std::vector<std::string>{"1025/768", "close/0"}), recorder.events);
    EXPECT_NE(std::string::npos, output.find("(end of input)\n"));
}

TEST(TerminalDialogTest, MistakesAreReportedAndChangeNothing) {
    Recorder recorder;
    std::string output;
    RunVerification("4711\n4711=x\nhello\n1025#3\n-1\n1025\nclose\n", &recorder, &output);
    EXPECT_EQ((std::vector<std::string>{"close/0"}), recorder.events);
    EXPECT_NE(std::string::npos, output.find("? there is no control 4711\n"));
    EXPECT_NE(std::string::npos, output.find("? unknown command\n"));
    EXPECT_NE(std::string::npos, output.find("? control 1025 is not a list\n"));
    EXPECT_NE(std::string::npos, output.find("? control 1025 cannot be pressed\n"));
}

// The registration form's controls: lists, check boxes, limits, disabling.
static int FormProcedure(HWND dialog, const DialogEvent* event, void* context) {
    Recorder* recorder = static_cast<Recorder*>(context);
    switch (event->kind) {
    case DIALOG_OPENED:
        ComboFill(dialog, IDC_REG_AGE, "----", "12 or under", "13 to 17", nullptr);
        DlgSetText(dialog, IDC_REG_STATE, "", 5);
        DlgEnableItem(dialog, IDC_REG_ANSWER_ALREADY, 0);
        return 1;
    case DIALOG_COMMAND: {
        char text[80];
        int check;
        if (event->control == IDC_REG_AGE) {
            ComboGetSelectedText(dialog, IDC_REG_AGE, text, sizeof text);
            recorder->events.push_back(std::string("age ") + text);
        } else if (event->control == IDC_REG_ANSWER_YES) {
            DlgGetCheck(dialog, IDC_REG_ANSWER_YES, &check);
            recorder->events.push_back("yes " + std::to_string(check));
        } else if (event->control == IDC_REG_STATE) {
            DlgGetText(dialog, IDC_REG_STATE, text, sizeof text);
            recorder->events.push_back(std::string("state ") + text);
        } else {
            recorder->events.push_back(std::to_string(event->control));
        }
        return 1;
    }
    case DIALOG_CLOSE:
        DialogEnd(dialog, event->parameter);
        return 1;
    }
    return 0;
}

TEST(TerminalDialogTest, ListsCheckBoxesLimitsAndDisabledControls) {
    Recorder recorder;
    Terminal terminal("1029=13 TO 17\n1029#1\n1029=40 to 49\n1029#9\n1027\n1027\n"
                      "1019=Massachusetts\n1028\n");
    EXPECT_EQ(0, DialogRun(IDD_REGISTRATION, nullptr, FormProcedure, &recorder));
    std::string output = terminal.Output();
    EXPECT_EQ((std::vector<std::string>{"age 13 to 17", "age 12 or under", "yes 1", "yes 0",
                                        "state Massa"}),
              recorder.events);
    EXPECT_NE(std::string::npos, output.find("  [1029] list: \"----\"\n        entries: 0 \"----\", "
                                             "1 \"12 or under\", 2 \"13 to 17\"\n"));
    EXPECT_NE(std::string::npos, output.find("  [1028] [ ] Hey!  I'm already subscribed, but "
                                             "thanks for asking. (disabled)\n"));
    EXPECT_NE(std::string::npos, output.find("? list 1029 has no such entry\n"));
    EXPECT_NE(std::string::npos, output.find("? control 1028 is disabled\n"));
}

TEST(TerminalDialogTest, UnknownTemplateCannotBeShown) {
    EXPECT_EQ(-1, DialogRun(4711, nullptr, FormProcedure, nullptr));
    EXPECT_EQ(nullptr, PlatDialogCreate(FindDialogTemplate(4711), nullptr, nullptr, nullptr));
    EXPECT_EQ(-1, PlatDialogRun(nullptr, nullptr, FormProcedure, nullptr));
}

TEST(TerminalDialogTest, ForeignHandlesAreRefused) {
    int notAWindow = 0;
    HWND bogus = reinterpret_cast<HWND>(&notAWindow);
    EXPECT_EQ(0, PlatDlgItemSend(bogus, 1, WM_SETTEXT, 0, reinterpret_cast<intptr_t>("x")));
    EXPECT_EQ(0, PlatDlgItemExists(bogus, 1));
    PlatRect rect;
    EXPECT_EQ(0, PlatGetWindowRect(bogus, &rect));
    EXPECT_EQ(0, PlatDestroyWindow(bogus));
    EXPECT_EQ(0, PlatSendCloseRequest(bogus, 0));
}

TEST(ProgressLineTest, BarAndPercentFollowThePosition) {
    char line[128];
    FormatProgressLine("Please wait...", 1000, 0, 2000, line, sizeof line);
    EXPECT_STREQ("Please wait... [###############...............]  50%", line);
    FormatProgressLine("Please wait...", 2000, 0, 2000, line, sizeof line);
    EXPECT_STREQ("Please wait... [##############################] 100%", line);
    FormatProgressLine("Please wait...", 5, 0, 0, line, sizeof line);
    EXPECT_STREQ("Please wait... [..............................]   0%", line);
    char tiny[8];
    FormatProgressLine("Please wait...", 1000, 0, 2000, tiny, sizeof tiny);
    EXPECT_STREQ("Please ", tiny);
}
#endif

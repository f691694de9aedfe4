// POSIX backend: message boxes on the terminal.
//
//   === <caption> ===
//   <text>
//   [Yes/No]          a question: one line is read, "y" or "yes" means Yes
//   [OK]              a notice: nothing is read
//
// When standard input is not a terminal the answer read is echoed after the
// prompt, so that a transcript shows what was answered.
#include "platform/platform.h"
#include "platform/posix/ui-input.h"

#include <cstdio>
#include <strings.h>

static const int AnswerCapacity = 80;

static int IsYes(const char* answer) {
    return strcasecmp(answer, "y") == 0 || strcasecmp(answer, "yes") == 0;
}

static int AskOnTerminal() {
    std::fputs("[Yes/No] ", stdout);
    std::fflush(stdout);
    char answer[AnswerCapacity];
    int length = ReadInputLine(answer, sizeof answer);
    if (!InputIsTerminal()) {
        std::fputs(length < 0 ? "(end of input)\n" : answer, stdout);
        if (length >= 0) std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    return length >= 0 && IsYes(answer) ? IDYES : IDNO;
}

int PlatMessageBox(const char* text, const char* caption, uint32_t style) {
    std::printf("=== %s ===\n%s\n", caption != nullptr ? caption : "", text != nullptr ? text : "");
    if ((style & 0x0F) == MB_YESNO) return AskOnTerminal();
    std::fputs("[OK]\n", stdout);
    std::fflush(stdout);
    return IDOK;
}

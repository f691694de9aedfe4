// The program's two message boxes: a yes/no question and a plain notice.
// Neither has an owner window. A run that nobody attends shows neither: it
// answers Yes and writes the text to the log.
#include "base/core.h"
#include "base/runstyle.h"
#include "platform/platform.h"
#include "ui/ui.h"

int AskYesNo(const char* text, const char* title) {
    if (title == nullptr) title = DEFAULT_QUESTION_CAPTION;
    if (RunsUnattended()) {
        LogPrint("Question [%s] answered Yes: %s\n", title, text);
        return 1;
    }
    int answer = PlatMessageBox(text, title, MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL);
    // Only an explicit Yes counts as consent: a box that could not be shown
    // (result 0) must not let destructive work go ahead unasked.
    return answer == IDYES ? 1 : 0;
}

int ShowMessage(const char* text, const char* title) {
    if (title == nullptr) title = DEFAULT_MESSAGE_CAPTION;
    if (RunsUnattended()) {
        LogPrint("Message [%s]: %s\n", title, text);
        return 1;
    }
    PlatMessageBox(text, title, MB_OK | MB_TASKMODAL);
    return 1;
}

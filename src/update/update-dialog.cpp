// Dialog 101, the offer of a newer release: open the product's web page
// (the dialog stays open) or download and install the new version.
#include "update/update.h"

#include "base/core.h"
#include "base/runstyle.h"
#include "base/strings.h"
#include "system/elevation.h"
#include "system/fileops.h"
#include "ui/dialog-ids.h"
#include "ui/ui.h"

#include <cstdio>

#define UPDATE_DIALOG_DOWNLOAD 1

namespace {

struct UpdateDialogTexts {
    const InstallScript* settings;
    const char* newVersionText;
    const char* webPage;
};

// Sets one line of the dialog from two texts, cut at 79 characters.
void SetDialogLine(HWND dialog, int id, const char* format, const char* first, const char* second) {
    char full[2 * UPDATE_TEXT_SIZE + 64];
    std::snprintf(full, sizeof full, format, first, second);
    char line[UPDATE_DIALOG_TEXT_SIZE];
    StrCopyN(line, full, sizeof line);
    DlgSetText(dialog, id, line, UPDATE_DIALOG_TEXT_SIZE - 1);
}

void FillUpdateDialog(HWND dialog, const UpdateDialogTexts* texts) {
    DialogSetCaption(dialog, UPDATE_CAPTION);
    CenterWindow(dialog, nullptr);
    const InstallScript* settings = texts->settings;
    SetDialogLine(dialog, IDC_UPDATE_HEADLINE, "A new version of %s %s is available!",
                  settings->companyName, settings->productName);
    SetDialogLine(dialog, IDC_UPDATE_VERSIONS, "Current version %s - New version %s",
                  settings->productVersion, texts->newVersionText);
    DialogToForeground(dialog);
}

bool IsWebAddress(const char* text) {
    return StrStartsWithNoCase(text, "http://") || StrStartsWithNoCase(text, "https://");
}

int UpdateDialogProcedure(HWND dialog, const DialogEvent* event, void* context) {
    const UpdateDialogTexts* texts = static_cast<const UpdateDialogTexts*>(context);
    switch (event->kind) {
    case DIALOG_OPENED:
        FillUpdateDialog(dialog, texts);
        return 1;
    case DIALOG_COMMAND:
        if (event->code != BN_CLICKED)
            return 0;
        if (event->control == IDC_UPDATE_WEBPAGE) {
            // The shell's "open" would start a program just as well: only
            // a web address goes to it. A failure is logged and the dialog
            // stays.
            if (IsWebAddress(texts->webPage)) {
                uint32_t exitCode = 0;
                RunProgram(texts->webPage, "", 0, &exitCode);
            } else {
                LogPrint("Refusing to open '%s': not a web page\n", texts->webPage);
            }
        } else if (event->control == IDC_UPDATE_DOWNLOAD) {
            DialogEnd(dialog, UPDATE_DIALOG_DOWNLOAD);
        } else if (event->control == IDOK || event->control == IDCANCEL) {
            DialogEnd(dialog, 0);
        } else {
            return 0;
        }
        return 1;
    case DIALOG_CLOSE:
        DialogEnd(dialog, 0);
        return 1;
    default:
        return 0;
    }
}

} // namespace

int ShowUpdateDialog(const InstallScript* settings, UpdateSession* session) {
    CHECK_POINTER(settings);
    CHECK_POINTER(session);
    UpdateDialogTexts texts = {settings, session->offer.newVersionText, session->offer.webPage};
    session->savePath[0] = '\0';
    session->choice = 0;
    // Started for the download, or unattended: nobody is there to choose.
    if (RunningElevatedCopy() || RunsUnattended() ||
        DialogRun(IDD_UPDATE, nullptr, UpdateDialogProcedure, &texts) == UPDATE_DIALOG_DOWNLOAD)
        session->choice = 1;
    return 1;
}

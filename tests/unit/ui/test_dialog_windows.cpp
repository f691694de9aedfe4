// The dialogs the system makes of the portable templates carry what the
// templates say: the controls in their order, with their ids, kinds, texts
// and places, in a frame of the template's size, caption, style and font.
#ifdef _WIN32
#include <windows.h>

#include "platform/platform.h"
#include "ui/dialog-templates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<HWND> ChildrenInOrder(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// Whether the window is of the control kind: its class and its style.
bool IsOfKind(HWND window, DialogControlKind kind) {
    const std::string name = ClassOf(window);
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    const LONG staticType = style & SS_TYPEMASK;
    const LONG buttonType = style & BS_TYPEMASK;
    switch (kind) {
    case CONTROL_LABEL:
        return name == "Static" && staticType == SS_LEFT;
    case CONTROL_CENTERED_LABEL:
        return name == "Static" && staticType == SS_CENTER;
    case CONTROL_FRAME:
        return name == "Static" && staticType == SS_ETCHEDFRAME;
    case CONTROL_GROUP:
        return name == "Button" && buttonType == BS_GROUPBOX;
    case CONTROL_EDIT:
        return name == "Edit";
    case CONTROL_DROPDOWN_LIST:
        return name == "ComboBox" && (style & 3) == CBS_DROPDOWNLIST;
    case CONTROL_CHECK_BOX:
        return name == "Button" && buttonType == BS_AUTOCHECKBOX;
    case CONTROL_BUTTON:
        return name == "Button" && buttonType == BS_PUSHBUTTON;
    case CONTROL_DEFAULT_BUTTON:
        return name == "Button" && buttonType == BS_DEFPUSHBUTTON;
    case CONTROL_PROGRESS:
        return name == "msctls_progress32";
    }
    return false;
}

// The system converts a control's place and its size each on its own.
RECT InPixels(HWND dialog, int x, int y, int width, int height) {
    RECT place = {x, y, width, height};
    MapDialogRect(dialog, &place);
    return RECT{place.left, place.top, place.left + place.right, place.top + place.bottom};
}

RECT ClientRectOf(HWND dialog, HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void ExpectSameRect(const RECT& expected, const RECT& actual, bool compareHeight,
                    const std::string& what) {
    EXPECT_EQ(expected.left, actual.left) << what;
    EXPECT_EQ(expected.top, actual.top) << what;
    EXPECT_EQ(expected.right, actual.right) << what;
    // A drop-down list's template height is that of its open list.
    if (compareHeight) {
        EXPECT_EQ(expected.bottom, actual.bottom) << what;
    }
}

void ExpectWhatTheTemplateSays(const DialogTemplate& dialogTemplate) {
    const std::string name = "dialog " + std::to_string(dialogTemplate.id);
    // No procedure: nothing moves the focus or changes a button's style.
    HWND dialog = PlatDialogCreate(&dialogTemplate, nullptr, nullptr, nullptr);
    ASSERT_NE(dialog, nullptr) << name;

    char caption[256] = "";
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, dialogTemplate.caption) << name;

    RECT client;
    GetClientRect(dialog, &client);
    RECT frame = InPixels(dialog, 0, 0, dialogTemplate.width, dialogTemplate.height);
    EXPECT_EQ(client.right, frame.right) << name;
    EXPECT_EQ(client.bottom, frame.bottom) << name;
    const LONG style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_EQ((style & WS_SYSMENU) != 0, (dialogTemplate.flags & DIALOG_CLOSE_BOX) != 0) << name;
    EXPECT_EQ((style & DS_MODALFRAME) != 0, (dialogTemplate.flags & DIALOG_MODAL_FRAME) != 0)
        << name;
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION), WS_POPUP | WS_CAPTION) << name;

    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, dialogTemplate.font) << name;

    std::vector<HWND> children = ChildrenInOrder(dialog);
    ASSERT_EQ(children.size(), static_cast<size_t>(dialogTemplate.controlCount)) << name;
    for (int i = 0; i < dialogTemplate.controlCount; ++i) {
        const DialogControl& control = dialogTemplate.controls[i];
        HWND child = children[i];
        const std::string what =
            name + ", control " + std::to_string(i) + " (" + std::to_string(control.id) + ")";
        EXPECT_EQ(static_cast<short>(GetDlgCtrlID(child)), control.id) << what;
        EXPECT_TRUE(IsOfKind(child, control.kind)) << what << ": " << ClassOf(child);
        if (control.kind != CONTROL_DROPDOWN_LIST && control.kind != CONTROL_PROGRESS) {
            char text[256] = "";
            GetWindowTextA(child, text, sizeof text);
            EXPECT_STREQ(text, control.text) << what;
        }
        ExpectSameRect(InPixels(dialog, control.x, control.y, control.width, control.height),
                       ClientRectOf(dialog, child), control.kind != CONTROL_DROPDOWN_LIST, what);
    }
    PlatDestroyWindow(dialog);
}

TEST(DialogWindows, CarryWhatTheirTemplatesSay) {
    PlatInitCommonControls(0x1FFF);
    for (int i = 0; i < DialogTemplateCount(); ++i)
        ExpectWhatTheTemplateSays(*DialogTemplateAt(i));
}

} // namespace
#endif

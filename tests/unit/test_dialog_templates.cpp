// The portable dialog templates and the Windows resources describe the same
// dialogs: under Wine every resource dialog is created and compared with its
// template, control by control (id, kind, text, place in dialog units).
#ifdef _WIN32
#include "platform/platform.h"
#include "test_dialogs_module.h"
#include "zunkcore/dialog-templates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The kind a template gives for what the resource made.
DialogControlKind KindOf(HWND control) {
    std::string name = ClassOf(control);
    LONG style = GetWindowLongA(control, GWL_STYLE);
    if (lstrcmpiA(name.c_str(), "Edit") == 0)
        return CONTROL_EDIT;
    if (lstrcmpiA(name.c_str(), "ComboBox") == 0)
        return CONTROL_DROPDOWN_LIST;
    if (lstrcmpiA(name.c_str(), "msctls_progress32") == 0)
        return CONTROL_PROGRESS;
    if (lstrcmpiA(name.c_str(), "Button") == 0) {
        switch (style & BS_TYPEMASK) {
        case BS_GROUPBOX:
            return CONTROL_GROUP;
        case BS_AUTOCHECKBOX:
            return CONTROL_CHECK_BOX;
        case BS_DEFPUSHBUTTON:
            return CONTROL_DEFAULT_BUTTON;
        default:
            return CONTROL_BUTTON;
        }
    }
    if ((style & SS_TYPEMASK) == SS_ETCHEDFRAME)
        return CONTROL_FRAME;
    if ((style & SS_TYPEMASK) == SS_CENTER)
        return CONTROL_CENTERED_LABEL;
    return CONTROL_LABEL;
}

std::vector<HWND> ChildrenOf(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// Windows converts a control's corner and its size each on their own, so
// the result holds x, y, width and height in pixels, not two corners.
RECT UnitsToPixels(HWND dialog, int x, int y, int width, int height) {
    RECT rect = {x, y, width, height};
    MapDialogRect(dialog, &rect);
    return rect;
}

RECT ClientRectOf(HWND dialog, HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void CompareWithResource(const DialogTemplate& expected) {
    SCOPED_TRACE("dialog " + std::to_string(expected.id));
    HWND dialog = CreateDialogParamA(
        DialogTemplateModule(), MAKEINTRESOURCEA(expected.id), nullptr,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(TextOf(dialog), expected.caption);
    LONG style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_EQ((style & WS_SYSMENU) != 0, (expected.flags & DIALOG_CLOSE_BOX) != 0);
    RECT client;
    GetClientRect(dialog, &client);
    RECT size = UnitsToPixels(dialog, 0, 0, expected.width, expected.height);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);

    std::vector<HWND> children = ChildrenOf(dialog);
    ASSERT_EQ(static_cast<int>(children.size()), expected.controlCount);
    for (int i = 0; i < expected.controlCount; i++) {
        const DialogControl& control = expected.controls[i];
        HWND child = children[i];
        SCOPED_TRACE("control " + std::to_string(i) + " '" + control.text + "'");
        EXPECT_EQ(static_cast<int16_t>(GetDlgCtrlID(child)), control.id);
        EXPECT_EQ(KindOf(child), control.kind);
        if (control.kind != CONTROL_DROPDOWN_LIST) {
            EXPECT_EQ(TextOf(child), control.text);
        }
        RECT place = ClientRectOf(dialog, child);
        RECT wanted = UnitsToPixels(dialog, control.x, control.y, control.width, control.height);
        EXPECT_EQ(place.left, wanted.left);
        EXPECT_EQ(place.top, wanted.top);
        EXPECT_EQ(place.right - place.left, wanted.right);
        // A drop-down list's height in the template is that of its open list.
        if (control.kind != CONTROL_DROPDOWN_LIST) {
            EXPECT_EQ(place.bottom - place.top, wanted.bottom);
        }
        if (control.kind == CONTROL_EDIT) {
            LONG editStyle = GetWindowLongA(child, GWL_STYLE);
            EXPECT_TRUE(editStyle & ES_AUTOHSCROLL) << "edit fields scroll";
            // The dialog manager draws a bordered edit field sunken: its
            // WS_BORDER may become WS_EX_CLIENTEDGE.
            LONG extended = GetWindowLongA(child, GWL_EXSTYLE);
            EXPECT_TRUE((editStyle & WS_BORDER) || (extended & WS_EX_CLIENTEDGE))
                << "edit fields have a border";
        }
    }
    DestroyWindow(dialog);
}

TEST(DialogTemplateTest, EveryResourceDialogMatchesItsTemplate) {
    REQUIRE_DIALOG_TEMPLATES();
    PlatInitCommonControls(0x1FFF);
    ASSERT_EQ(DialogTemplateCount(), 4);
    for (int i = 0; i < DialogTemplateCount(); i++)
        CompareWithResource(*DialogTemplateAt(i));
}

} // namespace
#endif

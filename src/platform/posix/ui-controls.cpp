// POSIX backend: the Windows control messages the core sends, answered by
// the in-memory controls as Windows' own controls answer them.
#include "platform/posix/ui-window.h"

#include <cstring>
#include <strings.h>

// Windows refuses new combo entries beyond this many.
static const size_t ComboCapacity = 32767;

static const char* TextArgument(intptr_t lParam) {
    const char* text = reinterpret_cast<const char*>(lParam);
    return text != nullptr ? text : "";
}

// Copies `text` into a caller's buffer of `capacity` bytes, cut to fit.
static intptr_t CopyOut(const std::string& text, uintptr_t capacity, intptr_t lParam) {
    char* buffer = reinterpret_cast<char*>(lParam);
    if (buffer == nullptr || capacity == 0) return 0;
    size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<intptr_t>(length);
}

static bool IsCombo(const PosixControl* control) { return control->kind == CONTROL_DROPDOWN_LIST; }

static bool HasItem(const PosixControl* control, uintptr_t index) {
    return index < control->items.size();
}

// CB_SELECTSTRING: the first entry after `start` (-1: from the top) that
// begins with the text, letter case ignored, wrapping round to the top.
static intptr_t SelectByPrefix(PosixControl* control, uintptr_t start, const char* prefix) {
    size_t count = control->items.size();
    if (count == 0) return CB_ERR;
    size_t prefixLength = std::strlen(prefix);
    size_t first = static_cast<intptr_t>(start) < 0 ? 0 : (start + 1) % count;
    for (size_t k = 0; k < count; k++) {
        size_t index = (first + k) % count;
        const std::string& item = control->items[index];
        if (item.size() >= prefixLength && strncasecmp(item.c_str(), prefix, prefixLength) == 0) {
            control->selection = static_cast<int>(index);
            return static_cast<intptr_t>(index);
        }
    }
    return CB_ERR;
}

static intptr_t ComboMessage(PosixControl* control, uint32_t message, uintptr_t wParam,
                             intptr_t lParam) {
    switch (message) {
    case CB_RESETCONTENT:
        control->items.clear();
        control->selection = -1;
        return CB_OKAY;
    case CB_ADDSTRING:
        if (control->items.size() >= ComboCapacity) return CB_ERRSPACE;
        control->items.push_back(TextArgument(lParam));
        return static_cast<intptr_t>(control->items.size() - 1);
    case CB_GETCOUNT:
        return static_cast<intptr_t>(control->items.size());
    case CB_GETCURSEL:
        return control->selection;
    case CB_SETCURSEL:
        // Like Windows: an index outside the list removes the selection.
        if (!HasItem(control, wParam)) {
            control->selection = -1;
            return CB_ERR;
        }
        control->selection = static_cast<int>(wParam);
        return control->selection;
    case CB_GETLBTEXTLEN:
        return HasItem(control, wParam) ? static_cast<intptr_t>(control->items[wParam].size()) : CB_ERR;
    case CB_GETLBTEXT: {
        if (!HasItem(control, wParam) || lParam == 0) return CB_ERR;
        // The caller's buffer must hold the whole entry, as on Windows.
        const std::string& item = control->items[wParam];
        std::memcpy(reinterpret_cast<char*>(lParam), item.c_str(), item.size() + 1);
        return static_cast<intptr_t>(item.size());
    }
    case CB_SELECTSTRING:
        return SelectByPrefix(control, wParam, TextArgument(lParam));
    default:
        return 0;
    }
}

static intptr_t ProgressMessage(PosixWindow* window, PosixControl* control, uint32_t message,
                                uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case PBM_SETRANGE: {
        intptr_t previous = (control->rangeHigh << 16) | (control->rangeLow & 0xFFFF);
        control->rangeLow = static_cast<int>(lParam & 0xFFFF);
        control->rangeHigh = static_cast<int>((lParam >> 16) & 0xFFFF);
        if (control->position < control->rangeLow) control->position = control->rangeLow;
        if (control->position > control->rangeHigh) control->position = control->rangeHigh;
        DrawProgressLine(window, false);
        return previous;
    }
    case PBM_SETPOS: {
        intptr_t previous = control->position;
        int position = static_cast<int>(static_cast<intptr_t>(wParam));
        if (position < control->rangeLow) position = control->rangeLow;
        if (position > control->rangeHigh) position = control->rangeHigh;
        control->position = position;
        DrawProgressLine(window, false);
        return previous;
    }
    case PBM_GETPOS:
        return control->position;
    case PBM_GETRANGE:
        return wParam != 0 ? control->rangeLow : control->rangeHigh;
    default:
        return 0;
    }
}

static intptr_t TextMessage(PosixControl* control, uint32_t message, uintptr_t wParam,
                            intptr_t lParam) {
    // A drop-down list's own text is its selected entry.
    const std::string& text = IsCombo(control) && control->selection >= 0
                                  ? control->items[control->selection]
                                  : control->text;
    switch (message) {
    case WM_SETTEXT:
        if (IsCombo(control)) return CB_ERR;
        control->text = TextArgument(lParam);
        return 1;
    case WM_GETTEXT:
        return CopyOut(IsCombo(control) && control->selection < 0 ? std::string() : text, wParam,
                       lParam);
    case WM_GETTEXTLENGTH:
        return IsCombo(control) && control->selection < 0 ? 0 : static_cast<intptr_t>(text.size());
    default:
        return 0;
    }
}

intptr_t PlatDlgItemSend(HWND dialog, int id, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    PosixWindow* window = FindPosixWindow(dialog);
    PosixControl* control = FindPosixControl(window, id);
    if (control == nullptr) return 0;
    switch (message) {
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
        return TextMessage(control, message, wParam, lParam);
    case EM_LIMITTEXT:
        if (control->kind != CONTROL_EDIT) return 0;
        control->textLimit = wParam == 0 ? 0x7FFFFFFE : static_cast<int>(wParam);
        return 0;
    case EM_SETSEL:
        return 0;
    case BM_SETCHECK:
        if (control->kind == CONTROL_CHECK_BOX) control->check = static_cast<int>(wParam);
        return 0;
    case BM_GETCHECK:
        return control->kind == CONTROL_CHECK_BOX ? control->check : 0;
    default:
        break;
    }
    if (IsCombo(control)) return ComboMessage(control, message, wParam, lParam);
    if (control->kind == CONTROL_PROGRESS) return ProgressMessage(window, control, message, wParam, lParam);
    return 0;
}

int PlatDlgItemExists(HWND dialog, int id) {
    return FindPosixControl(FindPosixWindow(dialog), id) != nullptr ? 1 : 0;
}

int PlatDlgItemEnable(HWND dialog, int id, int enable) {
    PosixControl* control = FindPosixControl(FindPosixWindow(dialog), id);
    if (control == nullptr) return 0;
    control->enabled = enable != 0;
    return 1;
}

// Combo-box helpers: filling a list, selecting and reading entries.
#include "base/core.h"
#include "base/strings.h"
#include "platform/platform.h"
#include "ui/ui.h"

#include <cstdarg>

// Entries compared by ComboSelectText are read into a buffer of this size;
// only entries as long as the text asked for are read at all.
static const int CompareCapacity = 1024;

int ComboReset(HWND dialog, int id) {
    return DlgItemSend(dialog, id, CB_RESETCONTENT, 0, 0) < 0 ? 0 : 1;
}

int ComboFill(HWND dialog, int id, ...) {
    CORE_ASSERT(PlatDlgItemExists(dialog, id), "TempHWND is NULL\n");
    if (!ComboReset(dialog, id)) return 0;
    va_list texts;
    va_start(texts, id);
    for (const char* text = va_arg(texts, const char*); text != nullptr;
         text = va_arg(texts, const char*)) {
        if (DlgItemSend(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<intptr_t>(text)) < 0) break;
    }
    va_end(texts);
    return ComboSetSelection(dialog, id, 0);
}

int ComboGetItemText(HWND dialog, int id, int index, char* buffer, int capacity) {
    CHECK_POINTER(buffer);
    if (capacity <= 0) return 0;
    buffer[0] = '\0';
    // The list copies whole entries: make sure this one fits first.
    intptr_t length = DlgItemSend(dialog, id, CB_GETLBTEXTLEN, static_cast<uintptr_t>(index), 0);
    if (length < 0 || length >= capacity) return 0;
    intptr_t copied =
        DlgItemSend(dialog, id, CB_GETLBTEXT, static_cast<uintptr_t>(index), reinterpret_cast<intptr_t>(buffer));
    if (copied < 0 || copied >= capacity) {
        buffer[0] = '\0';
        return 0;
    }
    buffer[copied] = '\0';
    return 1;
}

int ComboSetSelection(HWND dialog, int id, int index) {
    intptr_t result = DlgItemSend(dialog, id, CB_SETCURSEL, static_cast<uintptr_t>(index), 0);
    return result == CB_ERR ? 0 : 1;
}

int ComboGetSelection(HWND dialog, int id, int* index) {
    CHECK_POINTER(index);
    intptr_t selection = DlgItemSend(dialog, id, CB_GETCURSEL, 0, 0);
    if (selection < 0) {
        *index = 0;
        return 0;
    }
    *index = static_cast<int>(selection);
    return 1;
}

int ComboSelectText(HWND dialog, int id, const char* text) {
    CHECK_POINTER(text);
    char entry[CompareCapacity];
    for (int i = 0;; i++) {
        if (DlgItemSend(dialog, id, CB_SELECTSTRING, static_cast<uintptr_t>(i),
                        reinterpret_cast<intptr_t>(text)) == CB_ERR)
            return 0;
        intptr_t length = DlgItemSend(dialog, id, CB_GETLBTEXTLEN, static_cast<uintptr_t>(i), 0);
        if (length < 0) return 0;  // no entry i
        if (length == StrLength(text) && ComboGetItemText(dialog, id, i, entry, sizeof entry) &&
            StrEqual(text, entry))
            return 1;
    }
}

int ComboGetSelectedText(HWND dialog, int id, char* buffer, int capacity) {
    CHECK_POINTER(buffer);
    int index;
    if (!ComboGetSelection(dialog, id, &index)) return 0;
    return ComboGetItemText(dialog, id, index, buffer, capacity);
}

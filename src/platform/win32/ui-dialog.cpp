// Win32 backend: dialogs made from the portable templates, whose messages
// are forwarded to the portable dialog procedures of the core.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/ui-template.h"

#include <vector>

namespace {

// What a dialog window carries in DWLP_USER from WM_INITDIALOG on.
struct DialogBinding {
    DialogProcedure procedure;
    void* context;
    bool modal;
    bool* attached;  // set once the window took the binding; NULL afterwards
};

DialogBinding* BindingOf(HWND dialog) {
    return reinterpret_cast<DialogBinding*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

INT_PTR CALLBACK ForwardDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogBinding* binding;
    DialogEvent event = {0, 0, 0, 0};
    switch (message) {
    case WM_INITDIALOG:
        binding = reinterpret_cast<DialogBinding*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        if (binding->attached != nullptr) *binding->attached = true;
        event.kind = DIALOG_OPENED;
        break;
    case WM_COMMAND:
        binding = BindingOf(dialog);
        event.kind = DIALOG_COMMAND;
        event.control = LOWORD(wParam);
        event.code = HIWORD(wParam);
        break;
    case WM_CLOSE:
        binding = BindingOf(dialog);
        event.kind = DIALOG_CLOSE;
        event.parameter = lParam;
        break;
    case WM_NCDESTROY:
        // Modeless bindings belong to their window; modal ones to the caller.
        binding = BindingOf(dialog);
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        if (binding != nullptr && !binding->modal) delete binding;
        return FALSE;
    default:
        return FALSE;
    }
    if (binding == nullptr || binding->procedure == nullptr) return FALSE;
    return binding->procedure(dialog, &event, binding->context) ? TRUE : FALSE;
}

LPCDLGTEMPLATEW InMemory(const std::vector<WORD>& words) {
    return reinterpret_cast<LPCDLGTEMPLATEW>(words.data());
}

}  // namespace

intptr_t PlatDialogRun(const DialogTemplate* dialogTemplate, HWND owner,
                       DialogProcedure procedure, void* context) {
    if (dialogTemplate == nullptr) return -1;
    const std::vector<WORD> words = BuildDialogTemplate(*dialogTemplate);
    DialogBinding binding = {procedure, context, true, nullptr};
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), InMemory(words), owner,
                                   ForwardDialogMessage, reinterpret_cast<LPARAM>(&binding));
}

HWND PlatDialogCreate(const DialogTemplate* dialogTemplate, HWND owner,
                      DialogProcedure procedure, void* context) {
    if (dialogTemplate == nullptr) return nullptr;
    // The system reads the template while it makes the dialog, not later.
    const std::vector<WORD> words = BuildDialogTemplate(*dialogTemplate);
    bool attached = false;
    DialogBinding* binding = new DialogBinding{procedure, context, false, &attached};
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), InMemory(words), owner,
                                             ForwardDialogMessage,
                                             reinterpret_cast<LPARAM>(binding));
    if (dialog != nullptr) {
        binding->attached = nullptr;
    } else if (!attached) {
        // The window never took it (a window that did was destroyed and
        // freed it on its way out).
        delete binding;
    }
    return dialog;
}

int PlatDialogEnd(HWND dialog, intptr_t result) {
    DialogBinding* binding = BindingOf(dialog);
    if (binding != nullptr && !binding->modal) return ShowWindow(dialog, SW_HIDE), 1;
    return EndDialog(dialog, result) ? 1 : 0;
}

int PlatSendCloseRequest(HWND window, intptr_t parameter) {
    if (!IsWindow(window)) return 0;
    SendMessageW(window, WM_CLOSE, 0, parameter);
    return 1;
}

// Win32 backend: the portable description of a dialog written out as the
// DLGTEMPLATE the system's dialog functions read, so that each dialog is
// described once and Windows still makes real dialogs of it.
#include "platform/win32/ui-template.h"

namespace {

// The system's own classes, by the atoms a template may name them with.
const WORD ButtonClass = 0x0080;
const WORD EditClass = 0x0081;
const WORD StaticClass = 0x0082;
const WORD ComboBoxClass = 0x0085;

struct ControlClass {
    WORD atom;         // one of the atoms above, or 0 for a class by name
    const char* name;  // the class by name
    DWORD style;       // besides WS_CHILD | WS_VISIBLE
};

// The class and styles of each kind of control: those the resource
// compiler gives its LTEXT, CTEXT, GROUPBOX, EDITTEXT, COMBOBOX,
// AUTOCHECKBOX, PUSHBUTTON and DEFPUSHBUTTON statements.
ControlClass ClassOf(DialogControlKind kind) {
    switch (kind) {
    case CONTROL_LABEL:
        return {StaticClass, nullptr, SS_LEFT | WS_GROUP};
    case CONTROL_CENTERED_LABEL:
        return {StaticClass, nullptr, SS_CENTER | WS_GROUP};
    case CONTROL_FRAME:
        return {StaticClass, nullptr, SS_ETCHEDFRAME};
    case CONTROL_GROUP:
        return {ButtonClass, nullptr, BS_GROUPBOX};
    case CONTROL_EDIT:
        return {EditClass, nullptr, ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP};
    case CONTROL_DROPDOWN_LIST:
        return {ComboBoxClass, nullptr, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP};
    case CONTROL_CHECK_BOX:
        return {ButtonClass, nullptr, BS_AUTOCHECKBOX | WS_TABSTOP};
    case CONTROL_BUTTON:
        return {ButtonClass, nullptr, BS_PUSHBUTTON | WS_TABSTOP};
    case CONTROL_DEFAULT_BUTTON:
        return {ButtonClass, nullptr, BS_DEFPUSHBUTTON | WS_TABSTOP};
    case CONTROL_PROGRESS:
        return {0, "msctls_progress32", WS_BORDER};
    }
    return {StaticClass, nullptr, SS_LEFT};
}

class TemplateWriter {
  public:
    explicit TemplateWriter(std::vector<WORD>* words) : words_(words) {}

    void Word(WORD word) { words_->push_back(word); }
    void Short(int16_t value) { Word(static_cast<WORD>(value)); }
    void Dword(DWORD value) {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    // A text in UTF-16 with its terminating zero, from the program's UTF-8.
    void Text(const char* text) {
        if (text != nullptr && *text != '\0') {
            int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
            if (length > 0) {
                size_t at = words_->size();
                words_->resize(at + static_cast<size_t>(length));
                MultiByteToWideChar(CP_UTF8, 0, text, -1,
                                    reinterpret_cast<wchar_t*>(words_->data() + at), length);
                return;
            }
        }
        Word(0);
    }
    // Every item starts on a DWORD boundary.
    void AlignToDword() {
        if (words_->size() % 2 != 0) Word(0);
    }

  private:
    std::vector<WORD>* words_;
};

void WriteControl(TemplateWriter* out, const DialogControl& control) {
    const ControlClass controlClass = ClassOf(control.kind);
    out->AlignToDword();
    out->Dword(WS_CHILD | WS_VISIBLE | controlClass.style);
    out->Dword(0);  // no extended style
    out->Short(control.x);
    out->Short(control.y);
    out->Short(control.width);
    out->Short(control.height);
    // IDC_STATIC (-1) becomes 0xFFFF, as in a resource.
    out->Word(static_cast<WORD>(control.id));
    if (controlClass.atom != 0) {
        out->Word(0xFFFF);
        out->Word(controlClass.atom);
    } else {
        out->Text(controlClass.name);
    }
    out->Text(control.text);
    out->Word(0);  // no creation data
}

}  // namespace

std::vector<WORD> BuildDialogTemplate(const DialogTemplate& dialog) {
    std::vector<WORD> words;
    TemplateWriter out(&words);
    DWORD style = WS_POPUP | WS_CAPTION;
    if (dialog.flags & DIALOG_MODAL_FRAME) style |= DS_MODALFRAME;
    if (dialog.flags & DIALOG_CLOSE_BOX) style |= WS_SYSMENU;
    if (dialog.font != nullptr) style |= DS_SETFONT;
    out.Dword(style);
    out.Dword(0);  // no extended style
    out.Word(static_cast<WORD>(dialog.controlCount));
    out.Short(0);
    out.Short(0);
    out.Short(dialog.width);
    out.Short(dialog.height);
    out.Word(0);  // no menu
    out.Word(0);  // the system's dialog class
    out.Text(dialog.caption);
    if (dialog.font != nullptr) {
        out.Word(static_cast<WORD>(dialog.fontSize));
        out.Text(dialog.font);
    }
    for (int i = 0; i < dialog.controlCount; i++)
        WriteControl(&out, dialog.controls[i]);
    return words;
}

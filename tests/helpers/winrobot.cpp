// winrobot: answers the program's message boxes and fills its dialogs for the
// end-to-end tests under Wine. A bare X server has no window manager and
// gives no window focus, so everything goes by window messages, never by
// keystrokes.
//
//   winrobot wait-box CAPTION [--timeout MS]        print the box's text
//   winrobot wait-gone CAPTION [--timeout MS]       wait until it is closed
//   winrobot press CAPTION BUTTON [--timeout MS]    print its text, press BUTTON
//   winrobot answer --caption CAPTION --button BUTTON [--print-text] [--timeout MS]
//   winrobot list CAPTION                           one line per control:
//                                                   id, class, checked, text
//   winrobot gettext CAPTION ID
//   winrobot settext CAPTION ID TEXT
//   winrobot check CAPTION ID [0|1]                 click until in that state
//   winrobot select CAPTION ID INDEX                pick a combo-box entry
//   winrobot show-box CAPTION TEXT [ok|yesno]       a box to try the robot on;
//                                                   prints the button pressed
//
// BUTTON is Yes, No, OK, Cancel (any case) or a control id. The window is
// the visible top-level window whose title is exactly CAPTION; every command
// waits for it (default 10000 ms). Exit status: 0 done, 1 wrong usage,
// 2 no such window in time, 3 no such control. Texts, in the arguments and
// printed, are UTF-8; the windows are read and written in UTF-16.
#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int EXIT_USAGE = 1;
const int EXIT_NO_WINDOW = 2;
const int EXIT_NO_CONTROL = 3;
const UINT REPLY_TIMEOUT_MS = 5000;

struct Options {
    std::string command;
    std::string caption;
    std::string button;
    std::vector<std::string> operands;
    DWORD timeout = 10000;
    bool printText = false;
};

std::string Utf8(const wchar_t* text, int length = -1) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return "";
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr, nullptr);
    if (length < 0) utf8.resize(static_cast<size_t>(size - 1));
    return utf8;
}

std::wstring Utf16(const std::string& text) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (size <= 0) return L"";
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), size);
    wide.resize(static_cast<size_t>(size - 1));
    return wide;
}

// Text of another process's window: WM_GETTEXT is marshalled between
// processes, and edit controls keep their text only behind that message.
std::string WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, REPLY_TIMEOUT_MS,
                             &length)) {
        return "";
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, REPLY_TIMEOUT_MS, &copied);
    return Utf8(text.data(), static_cast<int>(copied));
}

std::string ClassName(HWND window) {
    wchar_t name[257] = L"";
    GetClassNameW(window, name, 257);
    return Utf8(name);
}

struct CaptionSearch {
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<CaptionSearch*>(context);
    if (!IsWindowVisible(window)) return TRUE;
    wchar_t title[512] = L"";
    GetWindowTextW(window, title, 512);
    if (*search->caption != Utf8(title)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindVisibleWindow(const std::string& caption) {
    CaptionSearch search = {&caption, nullptr};
    EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(const Options& options) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindVisibleWindow(options.caption);
        if (window != nullptr) return window;
        if (GetTickCount() - start >= options.timeout) break;
        Sleep(50);
    }
    fprintf(stderr, "winrobot: no window '%s' within %lu ms\n", options.caption.c_str(),
            static_cast<unsigned long>(options.timeout));
    return nullptr;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM context) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(context)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

// The text a user reads in a box: its static controls, line by line (the
// icon is a static without text).
std::string StaticText(HWND box) {
    std::string text;
    for (HWND child : Children(box)) {
        if (_stricmp(ClassName(child).c_str(), "Static") != 0) continue;
        std::string part = WindowText(child);
        if (part.empty()) continue;
        if (!text.empty()) text += "\n";
        text += part;
    }
    return text;
}

void PrintLine(const std::string& text) {
    fputs(text.c_str(), stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

int ButtonId(const std::string& name) {
    static const struct {
        const char* name;
        int id;
    } known[] = {{"ok", IDOK}, {"cancel", IDCANCEL}, {"yes", IDYES}, {"no", IDNO}};
    for (const auto& each : known) {
        if (_stricmp(name.c_str(), each.name) == 0) return each.id;
    }
    char* end = nullptr;
    long id = strtol(name.c_str(), &end, 10);
    return (end != name.c_str() && *end == '\0') ? static_cast<int>(id) : -1;
}

HWND Control(HWND window, const std::string& idText) {
    const int id = ButtonId(idText);
    HWND control = id >= 0 ? GetDlgItem(window, id) : nullptr;
    if (control == nullptr) fprintf(stderr, "winrobot: no control '%s'\n", idText.c_str());
    return control;
}

// A click as the dialog procedure sees it: the notification from the
// control, posted so that a box that closes on it never blocks us.
int Press(HWND window, const std::string& button) {
    HWND control = Control(window, button);
    if (control == nullptr) return EXIT_NO_CONTROL;
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
    return 0;
}

int RunWaitBox(const Options& options) {
    HWND box = WaitForWindow(options);
    if (box == nullptr) return EXIT_NO_WINDOW;
    PrintLine(StaticText(box));
    return 0;
}

int RunWaitGone(const Options& options) {
    const DWORD start = GetTickCount();
    while (FindVisibleWindow(options.caption) != nullptr) {
        if (GetTickCount() - start >= options.timeout) {
            fprintf(stderr, "winrobot: window '%s' still open after %lu ms\n",
                    options.caption.c_str(), static_cast<unsigned long>(options.timeout));
            return EXIT_NO_WINDOW;
        }
        Sleep(50);
    }
    return 0;
}

int RunAnswer(const Options& options) {
    HWND box = WaitForWindow(options);
    if (box == nullptr) return EXIT_NO_WINDOW;
    if (options.printText) PrintLine(StaticText(box));
    return Press(box, options.button);
}

int RunList(const Options& options) {
    HWND window = WaitForWindow(options);
    if (window == nullptr) return EXIT_NO_WINDOW;
    for (HWND child : Children(window)) {
        DWORD_PTR checked = 0;
        SendMessageTimeoutW(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, REPLY_TIMEOUT_MS,
                            &checked);
        printf("%d\t%s\t%d\t%s\n", GetDlgCtrlID(child), ClassName(child).c_str(),
               static_cast<int>(checked), WindowText(child).c_str());
    }
    fflush(stdout);
    return 0;
}

int RunGetText(const Options& options) {
    HWND window = WaitForWindow(options);
    if (window == nullptr) return EXIT_NO_WINDOW;
    HWND control = Control(window, options.operands[0]);
    if (control == nullptr) return EXIT_NO_CONTROL;
    PrintLine(WindowText(control));
    return 0;
}

int RunSetText(const Options& options) {
    HWND window = WaitForWindow(options);
    if (window == nullptr) return EXIT_NO_WINDOW;
    HWND control = Control(window, options.operands[0]);
    if (control == nullptr) return EXIT_NO_CONTROL;
    DWORD_PTR ignored = 0;
    const std::wstring text = Utf16(options.operands[1]);
    SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, REPLY_TIMEOUT_MS, &ignored);
    return 0;
}

// BM_CLICK lets the button change its own state and tell its dialog, as a
// mouse click would; a plain check box left to the dialog procedure may
// need no second click, so the state is read back after each one.
int RunCheck(const Options& options) {
    HWND window = WaitForWindow(options);
    if (window == nullptr) return EXIT_NO_WINDOW;
    HWND control = Control(window, options.operands[0]);
    if (control == nullptr) return EXIT_NO_CONTROL;
    const LRESULT wanted = options.operands.size() > 1 ? atoi(options.operands[1].c_str()) : 1;
    DWORD_PTR state = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, REPLY_TIMEOUT_MS,
                            &state);
        if (static_cast<LRESULT>(state) == wanted) return 0;
        SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, REPLY_TIMEOUT_MS,
                            &state);
    }
    SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, REPLY_TIMEOUT_MS, &state);
    if (static_cast<LRESULT>(state) == wanted) return 0;
    fprintf(stderr, "winrobot: control %s stays in state %d\n", options.operands[0].c_str(),
            static_cast<int>(state));
    return EXIT_NO_CONTROL;
}

// CB_SETCURSEL does not notify the dialog; a user's choice does, so the
// notification is sent after it.
int RunSelect(const Options& options) {
    HWND window = WaitForWindow(options);
    if (window == nullptr) return EXIT_NO_WINDOW;
    HWND control = Control(window, options.operands[0]);
    if (control == nullptr) return EXIT_NO_CONTROL;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(control, CB_SETCURSEL, atoi(options.operands[1].c_str()), 0,
                        SMTO_ABORTIFHUNG, REPLY_TIMEOUT_MS, &result);
    if (static_cast<LRESULT>(result) == CB_ERR) {
        fprintf(stderr, "winrobot: control %s has no entry %s\n", options.operands[0].c_str(),
                options.operands[1].c_str());
        return EXIT_NO_CONTROL;
    }
    SendMessageTimeoutW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), CBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(control), SMTO_ABORTIFHUNG, REPLY_TIMEOUT_MS,
                        &result);
    return 0;
}

// A box of our own, so that the robot can be tried without the program:
// prints the button that closed it.
int RunShowBox(const Options& options) {
    const bool question = options.operands.size() > 1 && options.operands[1] == "yesno";
    const UINT style = question ? MB_YESNO | MB_ICONQUESTION : MB_OK;
    const int answer = MessageBoxW(nullptr, Utf16(options.operands[0]).c_str(),
                                   Utf16(options.caption).c_str(), style);
    PrintLine(answer == IDYES ? "Yes" : answer == IDNO ? "No" : answer == IDOK ? "OK" : "?");
    return 0;
}

int Usage() {
    fputs("usage: winrobot wait-box|wait-gone|list CAPTION [--timeout MS]\n"
          "       winrobot press CAPTION BUTTON [--timeout MS]\n"
          "       winrobot answer --caption CAPTION --button BUTTON [--print-text]"
          " [--timeout MS]\n"
          "       winrobot gettext CAPTION ID | settext CAPTION ID TEXT\n"
          "       winrobot check CAPTION ID [0|1] | select CAPTION ID INDEX\n"
          "       winrobot show-box CAPTION TEXT [ok|yesno]\n",
          stderr);
    return EXIT_USAGE;
}

// Options may stand anywhere; what remains are the caption and operands.
bool ParseArguments(const std::vector<std::string>& argv, Options* options) {
    const int argc = static_cast<int>(argv.size());
    if (argc < 2) return false;
    options->command = argv[1];
    std::vector<std::string> positional;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--timeout" && hasValue) {
            options->timeout = strtoul(argv[++i].c_str(), nullptr, 10);
        } else if (argument == "--caption" && hasValue) {
            options->caption = argv[++i];
        } else if (argument == "--button" && hasValue) {
            options->button = argv[++i];
        } else if (argument == "--print-text") {
            options->printText = true;
        } else {
            positional.push_back(argument);
        }
    }
    if (options->caption.empty() && !positional.empty()) {
        options->caption = positional.front();
        positional.erase(positional.begin());
    }
    if (options->command == "press" && !positional.empty()) {
        options->button = positional.front();
        positional.erase(positional.begin());
        options->printText = true;
    }
    options->operands = positional;
    return !options->caption.empty();
}

// The arguments in UTF-8: main's own are in the ANSI code page.
std::vector<std::string> Arguments() {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(Utf8(wide[i]));
    LocalFree(wide);
    return arguments;
}

}  // namespace

int main() {
    // Tests compare what we print byte for byte: no "\r" before each "\n".
    _setmode(_fileno(stdout), _O_BINARY);
    Options options;
    if (!ParseArguments(Arguments(), &options)) return Usage();
    const std::string& command = options.command;
    const size_t operands = options.operands.size();
    if (command == "wait-box" && operands == 0) return RunWaitBox(options);
    if (command == "wait-gone" && operands == 0) return RunWaitGone(options);
    if ((command == "press" || command == "answer") && !options.button.empty() && operands == 0) {
        return RunAnswer(options);
    }
    if (command == "list" && operands == 0) return RunList(options);
    if (command == "gettext" && operands == 1) return RunGetText(options);
    if (command == "settext" && operands == 2) return RunSetText(options);
    if (command == "check" && (operands == 1 || operands == 2)) return RunCheck(options);
    if (command == "select" && operands == 2) return RunSelect(options);
    if (command == "show-box" && (operands == 1 || operands == 2)) return RunShowBox(options);
    return Usage();
}

#else
#include <cstdio>

// The robot drives Win32 windows; the native build answers on standard input.
int main() {
    fputs("winrobot: only the Windows build drives windows\n", stderr);
    return 1;
}
#endif

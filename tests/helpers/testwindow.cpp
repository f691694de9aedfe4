// testwindow: a running "product" for the window tests. It shows one
// top-level window (Win32 window, or X11 window on $DISPLAY) and answers a
// close request as told:
//
//   testwindow [--class NAME] [--title TEXT] [--on-close close|refuse|ask|hang]
//
//   close   the window closes and the program ends (the default)
//   refuse  the request is ignored
//   ask     the program asks its user first: Win32 a Yes/No box "Closing
//           TITLE", blocking the request until answered; X11 notes "asked"
//           and waits for a file "answer-yes" or "answer-no" in the folder
//           below
//   hang    Win32: at the first request the program stops answering
//           messages for 15 s, then closes on the next one; X11 as refuse
//           (an X client never has to answer)
//
// Without arguments it is class "TestProduct", title "Test Product", close:
// the product as "DONE" starts it again. The folder $TESTWINDOW_DIR (when
// set) receives a line per event in "log" ("ready <title>", "closed
// <title>", "refused <title>", "ended <title>" as the program ends) and
// ends every test window when a file "stop" appears there. Each window ends by itself after 60 s.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

namespace {

const int LifetimeMs = 60000;
const int PollMs = 50;

struct Options {
    std::string className = "TestProduct";
    std::string title = "Test Product";
    std::string onClose = "close";
};

std::string Folder() {
    const char* folder = std::getenv("TESTWINDOW_DIR");
    return folder != nullptr ? folder : "";
}

bool FileExists(const char* name) {
    std::string folder = Folder();
    if (folder.empty()) return false;
    FILE* file = std::fopen((folder + "/" + name).c_str(), "rb");
    if (file != nullptr) std::fclose(file);
    return file != nullptr;
}

void Record(const char* event, const Options& options) {
    std::string folder = Folder();
    if (folder.empty()) return;
    if (FILE* file = std::fopen((folder + "/log").c_str(), "ab")) {
        std::fprintf(file, "%s %s\n", event, options.title.c_str());
        std::fclose(file);
    }
}

bool Parse(int argc, char** argv, Options* options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i];
        if (name == "--class") options->className = argv[i + 1];
        else if (name == "--title") options->title = argv[i + 1];
        else if (name == "--on-close") options->onClose = argv[i + 1];
        else return false;
    }
    return argc % 2 == 1;
}

#ifdef _WIN32

Options* current = nullptr;
bool hung = false;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        if (current->onClose == "refuse") {
            Record("refused", *current);
            return 0;
        }
        if (current->onClose == "hang" && !hung) {
            hung = true;
            Record("hanging", *current);
            Sleep(15000);
            return 0;
        }
        if (current->onClose == "ask" &&
            MessageBoxA(window, ("Close " + current->title + "?").c_str(),
                        ("Closing " + current->title).c_str(), MB_YESNO) != IDYES) {
            Record("refused", *current);
            return 0;
        }
        Record("closed", *current);
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int Run(Options* options) {
    current = options;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = options->className.c_str();
    if (!RegisterClassA(&windowClass)) return 3;
    HWND window = CreateWindowA(options->className.c_str(), options->title.c_str(),
                                WS_OVERLAPPEDWINDOW, 10, 10, 240, 120, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
    if (window == nullptr) return 3;
    ShowWindow(window, SW_SHOWNORMAL);
    Record("ready", *options);

    DWORD start = GetTickCount();
    SetTimer(window, 1, PollMs, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER &&
            (FileExists("stop") || GetTickCount() - start > static_cast<DWORD>(LifetimeMs))) {
            DestroyWindow(window);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    Record("ended", *options);
    return 0;
}

#else

int Run(Options* options) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "testwindow: no display\n");
        return 3;
    }
    // A program started by the tested one must not hold the test's pipes.
    std::freopen("/dev/null", "r", stdin);
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, 240, 120, 1,
                                        BlackPixel(display, 0), WhitePixel(display, 0));
    std::string instance = options->className;
    XClassHint hint = {instance.data(), options->className.data()};
    XSetClassHint(display, window, &hint);
    XStoreName(display, window, options->title.c_str());
    Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, netName, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(options->title.c_str()),
                    static_cast<int>(options->title.size()));
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XMapWindow(display, window);
    XSync(display, False);
    Record("ready", *options);

    bool asked = false;
    auto start = std::chrono::steady_clock::now();
    bool close = false;  // by request
    for (;;) {
        if (FileExists("stop")) break;
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != ClientMessage ||
                static_cast<Atom>(event.xclient.data.l[0]) != deleteWindow)
                continue;
            if (options->onClose == "ask") {
                asked = true;
                Record("asked", *options);
            }
            else if (options->onClose == "close") close = true;
            else Record("refused", *options);
        }
        if (asked && (FileExists("answer-yes") || FileExists("answer-no"))) {
            asked = false;
            if (FileExists("answer-yes")) close = true;
            else Record("refused", *options);
        }
        auto elapsed = std::chrono::steady_clock::now() - start;
        if (std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() > LifetimeMs)
            break;
        if (close) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(PollMs));
    }
    if (close) Record("closed", *options);
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    Record("ended", *options);
    return 0;
}

#endif

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!Parse(argc, argv, &options)) {
        std::fprintf(stderr,
                     "usage: testwindow [--class NAME] [--title TEXT] "
                     "[--on-close close|refuse|ask|hang]\n");
        return 1;
    }
    return Run(&options);
}

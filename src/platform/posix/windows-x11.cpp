// Section 6 of the seam: other programs' windows are the X11 top-level
// windows of $DISPLAY. An HWND carries the X window id. Without a display
// there are no windows, and every call answers as for a window that is gone.
#include "platform/platform.h"

#include "platform/posix/lasterror.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

Display* connection = nullptr;
bool connectionTried = false;
bool requestFailed = false;

// Another program's window may go at any moment; the default handler would
// end this process on the BadWindow that follows.
int NoteError(Display*, XErrorEvent*) {
    requestFailed = true;
    return 0;
}

Display* Connection() {
    if (!connectionTried) {
        connectionTried = true;
        const char* name = getenv("DISPLAY");
        if (name != nullptr && name[0] != '\0') connection = XOpenDisplay(nullptr);
        if (connection != nullptr) XSetErrorHandler(NoteError);
    }
    return connection;
}

Window ToWindow(HWND window) { return static_cast<Window>(reinterpret_cast<uintptr_t>(window)); }
HWND ToHandle(Window window) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(window)); }

int CopyCut(const char* text, char* buffer, int size) {
    int length = static_cast<int>(strnlen(text, static_cast<size_t>(size - 1)));
    memcpy(buffer, text, static_cast<size_t>(length));
    buffer[length] = '\0';
    return length;
}

// The window a property of type XA_WINDOW names, or None.
Window WindowProperty(Display* display, Window window, const char* name) {
    Atom property = XInternAtom(display, name, True);
    if (property == None) return None;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    requestFailed = false;
    int status = XGetWindowProperty(display, window, property, 0, 1, False, XA_WINDOW, &type,
                                    &format, &count, &after, &data);
    Window named = None;
    if (status == Success && !requestFailed && type == XA_WINDOW && format == 32 && count == 1)
        named = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
    if (data != nullptr) XFree(data);
    return named;
}

// A running EWMH window manager names a check window on the root that names
// itself. One that has exited leaves the root's property naming a window
// that is gone, and its _NET_CLIENT_LIST must not be believed.
bool LiveManagerAnnounced(Display* display, Window root) {
    Window check = WindowProperty(display, root, "_NET_SUPPORTING_WM_CHECK");
    return check != None && WindowProperty(display, check, "_NET_SUPPORTING_WM_CHECK") == check;
}

// A window manager lists the clients' windows in _NET_CLIENT_LIST; the
// children of the root would be its frames.
bool ClientList(Display* display, Window root, std::vector<Window>* windows) {
    if (!LiveManagerAnnounced(display, root)) return false;
    Atom clientList = XInternAtom(display, "_NET_CLIENT_LIST", True);
    if (clientList == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    int status = XGetWindowProperty(display, root, clientList, 0, 1 << 16, False, XA_WINDOW,
                                    &type, &format, &count, &after, &data);
    bool listed = status == Success && type == XA_WINDOW && format == 32;
    if (listed) {
        auto* ids = reinterpret_cast<unsigned long*>(data);
        windows->assign(ids, ids + count);
    }
    if (data != nullptr) XFree(data);
    return listed;
}

bool HasWmState(Display* display, Window window, Atom wmState) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    requestFailed = false;
    int status = XGetWindowProperty(display, window, wmState, 0, 0, False, AnyPropertyType,
                                    &type, &format, &count, &after, &data);
    if (data != nullptr) XFree(data);
    return status == Success && !requestFailed && type != None;
}

// The first window below `window`, breadth first, that a window manager has
// marked as a client with WM_STATE, or None.
Window ClientBelow(Display* display, Window window, Atom wmState) {
    std::vector<Window> level{window};
    // Frames nest a few levels deep; a bound keeps a hostile tree cheap.
    for (int depth = 0; depth < 8 && !level.empty(); ++depth) {
        std::vector<Window> next;
        for (Window candidate : level) {
            Window rootReturn = None, parent = None;
            Window* children = nullptr;
            unsigned int count = 0;
            requestFailed = false;
            if (!XQueryTree(display, candidate, &rootReturn, &parent, &children, &count) ||
                requestFailed) {
                continue;
            }
            for (unsigned int i = 0; i < count; ++i) next.push_back(children[i]);
            if (children != nullptr) XFree(children);
        }
        for (Window candidate : next) {
            if (HasWmState(display, candidate, wmState)) return candidate;
        }
        level.swap(next);
    }
    return None;
}

// Without a live manager's client list the clients are found as desktop
// tools find them: each child of the root that carries WM_STATE, or else the
// window below it that does (a reparenting manager's frame holds its client).
// A child with neither is a program's own window on a bare server.
void ClientsByWmState(Display* display, std::vector<Window>* windows) {
    Atom wmState = XInternAtom(display, "WM_STATE", True);
    if (wmState == None) return;
    for (Window& window : *windows) {
        if (HasWmState(display, window, wmState)) continue;
        Window client = ClientBelow(display, window, wmState);
        if (client != None) window = client;
    }
}

bool RootChildren(Display* display, Window root, std::vector<Window>* windows) {
    Window rootReturn = None, parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, root, &rootReturn, &parent, &children, &count)) return false;
    // Topmost first, as Windows lists them.
    for (unsigned int i = count; i > 0; --i) windows->push_back(children[i - 1]);
    if (children != nullptr) XFree(children);
    return true;
}

bool TextProperty(Display* display, Window window, const char* name, const char* typeName,
                  char* buffer, int size, int* length) {
    Atom property = XInternAtom(display, name, True);
    Atom wanted = XInternAtom(display, typeName, True);
    if (property == None || wanted == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    int status = XGetWindowProperty(display, window, property, 0, size, False, wanted, &type,
                                    &format, &count, &after, &data);
    bool found = status == Success && type == wanted && format == 8 && data != nullptr;
    if (found) *length = CopyCut(reinterpret_cast<const char*>(data), buffer, size);
    if (data != nullptr) XFree(data);
    return found;
}

bool SupportsDeleteRequest(Display* display, Window window, Atom deleteWindow) {
    Atom* protocols = nullptr;
    int count = 0;
    if (!XGetWMProtocols(display, window, &protocols, &count)) return false;
    bool supported = false;
    for (int i = 0; i < count; ++i) supported = supported || protocols[i] == deleteWindow;
    if (protocols != nullptr) XFree(protocols);
    return supported;
}

}  // namespace

int PlatEnumTopWindows(PlatWindowVisitor visit, void* context) {
    Display* display = Connection();
    if (display == nullptr) return 1;
    Window root = DefaultRootWindow(display);
    std::vector<Window> windows;
    if (!ClientList(display, root, &windows)) {
        if (!RootChildren(display, root, &windows)) {
            SetPlatLastError(ERROR_GEN_FAILURE);
            return 0;
        }
        ClientsByWmState(display, &windows);
    }
    for (Window window : windows) {
        if (!visit(ToHandle(window), context)) break;
    }
    return 1;
}

int PlatIsWindow(HWND window) {
    Display* display = Connection();
    if (display == nullptr || window == nullptr) return 0;
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, ToWindow(window), &attributes) != 0 ? 1 : 0;
}

int PlatGetClassName(HWND window, char* buffer, int size) {
    if (size <= 0) return 0;
    buffer[0] = '\0';
    Display* display = Connection();
    if (display == nullptr) return 0;
    XClassHint hint = {nullptr, nullptr};
    if (!XGetClassHint(display, ToWindow(window), &hint)) return 0;
    // WM_CLASS holds an instance name and a class name; the class is what
    // the program's windows share, like a Windows class.
    int length = hint.res_class != nullptr ? CopyCut(hint.res_class, buffer, size) : 0;
    if (hint.res_name != nullptr) XFree(hint.res_name);
    if (hint.res_class != nullptr) XFree(hint.res_class);
    return length;
}

int PlatGetWindowTitle(HWND window, char* buffer, int size) {
    if (size <= 0) return 0;
    buffer[0] = '\0';
    Display* display = Connection();
    if (display == nullptr) return 0;
    int length = 0;
    if (TextProperty(display, ToWindow(window), "_NET_WM_NAME", "UTF8_STRING", buffer, size,
                     &length)) {
        return length;
    }
    char* name = nullptr;
    if (!XFetchName(display, ToWindow(window), &name)) return 0;
    length = name != nullptr ? CopyCut(name, buffer, size) : 0;
    if (name != nullptr) XFree(name);
    return length;
}

int PlatCloseWindow(HWND window, uint32_t) {
    Display* display = Connection();
    if (display == nullptr) {
        SetPlatLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    requestFailed = false;
    Window target = ToWindow(window);
    Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    if (SupportsDeleteRequest(display, target, deleteWindow)) {
        XEvent event;
        memset(&event, 0, sizeof event);
        event.xclient.type = ClientMessage;
        event.xclient.window = target;
        event.xclient.message_type = protocols;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(deleteWindow);
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, target, False, NoEventMask, &event);
    } else {
        // A window that takes no close request is destroyed for its program,
        // as the system's default handling of WM_CLOSE destroys the window.
        XDestroyWindow(display, target);
    }
    XSync(display, False);
    if (requestFailed) {
        SetPlatLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return 1;
}

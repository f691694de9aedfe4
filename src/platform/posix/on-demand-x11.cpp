// The X11 client library, loaded when the run first looks at a display:
// other programs' windows, or the screen's size for a registration.
#include "platform/posix/on-demand.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

void* X11() {
    static void* const library = OnDemandOpen("libX11.so.6");
    return library;
}

}  // namespace

#define X11_FUNCTION(result, name, parameters, arguments) \
    ON_DEMAND(X11(), result, name, parameters, arguments)

X11_FUNCTION(Display*, XOpenDisplay, (const char* name), (name))
X11_FUNCTION(int, XCloseDisplay, (Display* d), (d))
X11_FUNCTION(XErrorHandler, XSetErrorHandler, (XErrorHandler handler), (handler))
X11_FUNCTION(Atom, XInternAtom, (Display* d, const char* name, Bool onlyIfExists),
             (d, name, onlyIfExists))
X11_FUNCTION(int, XGetWindowProperty,
             (Display* d, Window w, Atom property, long offset, long length, Bool remove,
              Atom wanted, Atom* type, int* format, unsigned long* count, unsigned long* after,
              unsigned char** data),
             (d, w, property, offset, length, remove, wanted, type, format, count, after, data))
X11_FUNCTION(int, XFree, (void* data), (data))
X11_FUNCTION(Status, XQueryTree,
             (Display* d, Window w, Window* root, Window* parent, Window** children,
              unsigned int* count),
             (d, w, root, parent, children, count))
X11_FUNCTION(Status, XGetWMProtocols, (Display* d, Window w, Atom** protocols, int* count),
             (d, w, protocols, count))
X11_FUNCTION(Status, XGetWindowAttributes, (Display* d, Window w, XWindowAttributes* attributes),
             (d, w, attributes))
X11_FUNCTION(int, XGetClassHint, (Display* d, Window w, XClassHint* hint), (d, w, hint))
X11_FUNCTION(Status, XFetchName, (Display* d, Window w, char** name), (d, w, name))
X11_FUNCTION(Status, XSendEvent, (Display* d, Window w, Bool propagate, long mask, XEvent* event),
             (d, w, propagate, mask, event))
X11_FUNCTION(int, XDestroyWindow, (Display* d, Window w), (d, w))
X11_FUNCTION(int, XSync, (Display* d, Bool discard), (d, discard))
X11_FUNCTION(XPixmapFormatValues*, XListPixmapFormats, (Display* d, int* count), (d, count))

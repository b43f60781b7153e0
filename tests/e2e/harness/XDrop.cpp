#include "tests/e2e/harness/XDrop.h"

#include <array>
#include <chrono>

#include "tests/e2e/harness/Harness.h"

// Last: Xlib's macros (None, Status, Bool) would break the headers above.
#include <X11/Xlib.h>

namespace e2e {

namespace {

::Display* X(void* d) { return static_cast<::Display*>(d); }

Atom Intern(::Display* d, const char* name) { return XInternAtom(d, name, False); }

void Send(::Display* d, Window to, const char* type, std::array<long, 5> l) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.display = d;
    e.xclient.window = to;
    e.xclient.message_type = Intern(d, type);
    e.xclient.format = 32;
    for (int i = 0; i < 5; ++i) e.xclient.data.l[i] = l[i];
    XSendEvent(d, to, False, NoEventMask, &e);
    XFlush(d);
}

// Hands the uri list to the target that asked for it.
void Answer(::Display* d, const XSelectionRequestEvent& r, Atom uriList, const std::string& body) {
    XEvent n{};
    n.xselection.type = SelectionNotify;
    n.xselection.display = d;
    n.xselection.requestor = r.requestor;
    n.xselection.selection = r.selection;
    n.xselection.target = r.target;
    n.xselection.time = r.time;
    n.xselection.property = None;
    if (r.target == uriList) {
        XChangeProperty(d, r.requestor, r.property, uriList, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(body.data()), static_cast<int>(body.size()));
        n.xselection.property = r.property;
    }
    XSendEvent(d, r.requestor, False, NoEventMask, &n);
    XFlush(d);
}

// The deepest window under (x, y) that declares XdndAware.
Window AwareWindowAt(::Display* d, int x, int y) {
    const Window root = DefaultRootWindow(d);
    Window w = root, found = None, child = None;
    int wx, wy;
    while (XTranslateCoordinates(d, root, w, x, y, &wx, &wy, &child)) {
        Atom type;
        int format;
        unsigned long n, after;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(d, w, Intern(d, "XdndAware"), 0, 1, False, AnyPropertyType, &type, &format, &n,
                               &after, &data) == Success &&
            data) {
            found = w;
            XFree(data);
        }
        if (child == None) break;
        w = child;
    }
    return found;
}

}  // namespace

XDropSource::XDropSource(const std::string& display) : d_(XOpenDisplay(display.c_str())) {}

XDropSource::~XDropSource() {
    if (d_) XCloseDisplay(X(d_));
}

bool XDropSource::Drop(int x, int y, const std::string& uri) {
    ::Display* d = X(d_);
    const Window root = DefaultRootWindow(d);
    const Atom selection = Intern(d, "XdndSelection"), uriList = Intern(d, "text/uri-list");
    const Window src = XCreateSimpleWindow(d, root, -10, -10, 1, 1, 0, 0, 0);
    XSetSelectionOwner(d, selection, src, CurrentTime);
    const Window target = AwareWindowAt(d, x, y);
    bool finished = false;
    if (target) {
        Send(d, target, "XdndEnter", {static_cast<long>(src), 5L << 24, static_cast<long>(uriList), 0, 0});
        Send(d, target, "XdndPosition",
             {static_cast<long>(src), 0, (x << 16) | y, CurrentTime, static_cast<long>(Intern(d, "XdndActionCopy"))});
        bool dropped = false;
        e2e::WaitUntil(
            [&] {
                while (XPending(d)) {
                    XEvent e;
                    XNextEvent(d, &e);
                    if (e.type == SelectionRequest) Answer(d, e.xselectionrequest, uriList, uri + "\r\n");
                    if (e.type != ClientMessage) continue;
                    if (e.xclient.message_type == Intern(d, "XdndStatus") && !dropped) {
                        Send(d, target, "XdndDrop", {static_cast<long>(src), 0, CurrentTime, 0, 0});
                        dropped = true;
                    }
                    if (e.xclient.message_type == Intern(d, "XdndFinished")) finished = true;
                }
                return finished;
            },
            std::chrono::seconds(5), std::chrono::milliseconds(2));
    }
    XDestroyWindow(d, src);
    XSync(d, False);
    return finished;
}

}  // namespace e2e

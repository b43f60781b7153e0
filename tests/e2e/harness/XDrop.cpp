#include "tests/e2e/harness/XDrop.h"

#include <array>
#include <chrono>
#include <cstdio>

#include "tests/e2e/harness/Harness.h"

// Last: Xlib's macros (None, Status, Bool) would break the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

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

// Whether (x, y), in w's own coordinates, lies inside w's shape: a shaped
// window (the Floater host is one, a window region under Wine) shows, and
// takes the pointer, only inside its rectangles.
bool InsideShape(::Display* d, Window w, int x, int y) {
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(d, w, ShapeBounding, &count, &ordering);
    if (!rects) return false;  // an empty shape shows nothing (an unshaped window answers its own rectangle)
    bool inside = false;
    for (int i = 0; i < count && !inside; ++i)
        inside = x >= rects[i].x && y >= rects[i].y && x < rects[i].x + rects[i].width &&
                 y < rects[i].y + rects[i].height;
    XFree(rects);
    return inside;
}

// The topmost child of `parent` that shows at (x, y): mapped, shown there by
// its shape, and not InputOnly. A window that shows nothing is looked
// through, as the user does: Wine lays an InputOnly window over the whole
// screen to hold the pointer inside a full-screen foreground window (the
// Floater host is one), and the icon the user drops on lies below it.
Window ShownChildAt(::Display* d, Window parent, int x, int y) {
    Window rootOut = None, parentOut = None, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(d, parent, &rootOut, &parentOut, &children, &n)) return None;
    Window hit = None;
    for (unsigned i = n; i-- > 0 && hit == None;) {  // stacking order: the last is on top
        XWindowAttributes a{};
        if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable || a.c_class == InputOnly)
            continue;
        int wx = 0, wy = 0;
        Window ignored = None;
        if (!XTranslateCoordinates(d, DefaultRootWindow(d), children[i], x, y, &wx, &wy, &ignored)) continue;
        if (wx < 0 || wy < 0 || wx >= a.width || wy >= a.height) continue;
        if (InsideShape(d, children[i], wx, wy)) hit = children[i];
    }
    if (children) XFree(children);
    return hit;
}

// The deepest window under (x, y) that declares XdndAware.
Window AwareWindowAt(::Display* d, int x, int y) {
    Window found = None;
    for (Window w = ShownChildAt(d, DefaultRootWindow(d), x, y); w != None; w = ShownChildAt(d, w, x, y)) {
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
    bool finished = false, statusSeen = false;
    Window target = None;
    // A dragging pointer tells the target its place on every move; a target
    // that was being remapped when the first position came (Wine gives a
    // window a new X window when its layered style changes) is asked again,
    // found afresh, as a real drag's next move would.
    for (int attempt = 0; attempt < 3 && !finished; ++attempt) {
        target = AwareWindowAt(d, x, y);
        if (!target) {
            e2e::WaitUntil([&] { return (target = AwareWindowAt(d, x, y)) != None; }, std::chrono::seconds(1),
                           std::chrono::milliseconds(50));
            if (!target) continue;
        }
        Send(d, target, "XdndEnter", {static_cast<long>(src), 5L << 24, static_cast<long>(uriList), 0, 0});
        Send(d, target, "XdndPosition",
             {static_cast<long>(src), 0, (x << 16) | y, CurrentTime, static_cast<long>(Intern(d, "XdndActionCopy"))});
        bool dropped = false;
        const auto pump = [&] {
            while (XPending(d)) {
                XEvent e;
                XNextEvent(d, &e);
                if (e.type == SelectionRequest) Answer(d, e.xselectionrequest, uriList, uri + "\r\n");
                if (e.type != ClientMessage) continue;
                if (e.xclient.message_type == Intern(d, "XdndStatus") && !dropped) {
                    statusSeen = true;
                    Send(d, target, "XdndDrop", {static_cast<long>(src), 0, CurrentTime, 0, 0});
                    dropped = true;
                }
                if (e.xclient.message_type == Intern(d, "XdndFinished")) finished = true;
            }
        };
        e2e::WaitUntil([&] { return pump(), dropped; }, std::chrono::seconds(3), std::chrono::milliseconds(2));
        // Once dropped, the target is not asked again: a second drop would be
        // a second file for the program.
        if (dropped) {
            e2e::WaitUntil([&] { return pump(), finished; }, std::chrono::seconds(5), std::chrono::milliseconds(2));
            break;
        }
        Send(d, target, "XdndLeave", {static_cast<long>(src), 0, 0, 0, 0});
    }
    if (!finished) {
        // The windows under the point, top-level first, for the log.
        Window w = root, child = None;
        int wx, wy;
        while (XTranslateCoordinates(d, root, w, x, y, &wx, &wy, &child) && child != None) {
            XWindowAttributes a{};
            XGetWindowAttributes(d, child, &a);
            char* name = nullptr;
            XFetchName(d, child, &name);
            std::fprintf(stderr, "  under (%d,%d): 0x%lx %dx%d+%d+%d map=%d%s \"%s\"\n", x, y,
                         static_cast<unsigned long>(child), a.width, a.height, a.x, a.y, a.map_state,
                         a.c_class == InputOnly ? " input-only" : "", name ? name : "");
            if (name) XFree(name);
            w = child;
        }
        std::fprintf(stderr, "XDrop at (%d,%d): target 0x%lx, %s\n", x, y, static_cast<unsigned long>(target),
                     !target ? "no window under the point takes drops"
                     : statusSeen ? "dropped, never finished"
                                  : "never answered the position");
    }
    XDestroyWindow(d, src);
    XSync(d, False);
    return finished;
}

}  // namespace e2e

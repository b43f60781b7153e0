// The overlay's pointer: presses, moves and releases go to the selection and
// the chosen tool, the wheel sets the width, and the magnifier reads out
// what lies under the pointer. Also the timers that follow the pointer
// (window detection) and the held Ctrl+Shift+C chord.
#include <windowsx.h>

#include "gfx/Dpi_win.h"
#include "gfx/Monitors_win.h"
#include "overlay/CaptureOverlay_win.h"
#include "overlay/Readout.h"

namespace vellumo::win {

namespace {
// Ctrl+Shift+C has been seen held; outlives each overlay so a held chord
// restarts the capture only once.
bool g_chordLatch = false;
}  // namespace

void CaptureOverlay::OnMouseDown(MouseButton button, Point p) {
    // Like a form, the overlay keeps the pointer while a button is down, so a
    // drag passing over the toolbar or a handle still reaches it.
    if (button == MouseButton::Left) dragCapture_.Take(hwnd());
    // A click on the overlay takes the keyboard back from the toolbar's boxes
    // (which then show the slider's value), so Esc and R work again.
    if (::GetFocus() != hwnd() && !annotator_.IsTextBox(::GetFocus())) ::SetFocus(hwnd());
    const Changes c = sel_.MouseDown(button, p);
    if (c.annotate) {
        Canvas canvas = ToolCanvas();
        annotator_.MouseDown(canvas, CurrentTool(), p, {toolbar_.StrokeWidth(), toolbar_.StrokeAlpha()});
    }
    Apply(c);
}

void CaptureOverlay::OnMouseMove(WPARAM keys, Point p) {
    constexpr WPARAM kButtons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2;
    const bool onlyLeft = (keys & kButtons) == MK_LBUTTON;
    const Changes c = sel_.MouseMove(onlyLeft, p);
    if (c.annotate || annotator_.FollowsPointer(CurrentTool())) {
        Canvas canvas = ToolCanvas();
        annotator_.MouseMove(canvas, CurrentTool(), p, c.annotate);
    }
    Apply(c);
    Readout(p);
}

void CaptureOverlay::OnMouseUp(MouseButton button, Point p) {
    if (button == MouseButton::Left) dragCapture_.Release();
    const Changes c = sel_.MouseUp(button, p);
    if (c.annotate && button == MouseButton::Left) {
        Canvas canvas = ToolCanvas();
        annotator_.MouseUp(canvas, CurrentTool());
    }
    Apply(c);
}

void CaptureOverlay::OnWheel(WPARAM wp, LPARAM lp) {
    // With a tool chosen, the wheel over the selection sets the width.
    if (!sel_.Selected() || !sel_.toolChosen()) return;
    POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};  // screen coordinates
    ::ScreenToClient(hwnd(), &at);
    const Rect f = sel_.frame();
    if (!Rect::fromEdges(f.left, f.top, f.right() + 1, f.bottom() + 1).contains({at.x, at.y})) return;
    wheelRest_ += GET_WHEEL_DELTA_WPARAM(wp);
    const int notches = wheelRest_ / WHEEL_DELTA;
    wheelRest_ -= notches * WHEEL_DELTA;
    if (notches) toolbar_.WheelWidth(notches, (GET_KEYSTATE_WPARAM(wp) & MK_SHIFT) != 0);
}

bool CaptureOverlay::OnSetCursor(HWND over, UINT hitTest) {
    Point pt;
    if (over != hwnd() || hitTest != HTCLIENT || !sel_.Selected() || !PointerOnOverlay(pt)) return false;
    const std::optional<ToolCursor> cursor = CursorFor(CurrentTool(), pt, sel_.frame());
    if (!cursor) return false;
    ::SetCursor(SystemCursorFor(*cursor));
    return true;
}

void CaptureOverlay::Readout(Point p) {
    const Colour c = Colour::fromPixel(surface_.surface().Pixel(p.x, p.y));
    const bool noted = colourNote_.VisibleAt(::GetTickCount64());
    POINT onScreen{p.x, p.y};
    ::ClientToScreen(hwnd(), &onScreen);
    magnifier_.SetDpi(DpiAt({onScreen.x, onScreen.y}));
    magnifier_.Show(p, c, FormatSize(sel_.frame().width, sel_.frame().height), noted ? colourNote_.text() : FormatRgb(c),
                    sel_.monitors());
}

void CaptureOverlay::OnDetectionTick() {
    if (sel_.Selected() || !sel_.detectionEnabled()) return;
    POINT pt;
    if (!::GetCursorPos(&pt)) return;
    const auto window = picks_.DetectAt(monitors_, {pt.x, pt.y});
    if (!window) return;
    Apply(sel_.WindowDetected(*window));
}

bool CaptureOverlay::PointerOnOverlay(Point& at) const {
    POINT pt;
    if (!::GetCursorPos(&pt) || !::ScreenToClient(hwnd(), &pt)) return false;
    at = {pt.x, pt.y};
    return true;
}

void CaptureOverlay::OnRestartChordTick() {
    // All three keys down (the high bit); the low "pressed since" bits are ignored
    // so that three earlier taps do not count as the chord.
    const SHORT held = ::GetAsyncKeyState('C') & ::GetAsyncKeyState(VK_CONTROL) & ::GetAsyncKeyState(VK_SHIFT);
    if (!(held & 0x8000)) {
        g_chordLatch = false;
        return;
    }
    if (g_chordLatch) return;
    g_chordLatch = true;
    events_.OnRestartCaptureHeld();
}

void CaptureOverlay::OnDpiChanged() {
    FollowFrameDpi();
    POINT pt;
    if (::GetCursorPos(&pt)) {
        ::ScreenToClient(hwnd(), &pt);
        Readout({pt.x, pt.y});
    }
}

}  // namespace vellumo::win

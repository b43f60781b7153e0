#include "overlay/ScrShot_win.h"

#include <windowsx.h>

#include "gfx/GdiPlus_win.h"
#include "overlay/Readout.h"
#include "overlay/WindowList_win.h"
#include "settings/Sett_win.h"

namespace vellumo::win {

namespace {
constexpr wchar_t kClassName[] = L"VellumoScrShot";
constexpr UINT_PTR kPosTimer = 1;       // window detection
constexpr UINT_PTR kHotKeyTimer = 2;    // Ctrl+Shift+C poll
// The parts a first frame does not show (handles, toolbar, GDI+) are made
// right after it is up.
constexpr UINT_PTR kDeferredTimer = 3;
constexpr UINT kPosInterval = 50;
constexpr UINT kHotKeyInterval = 100;
// After the overlay closes for a restart, other programs repaint what it
// covered; the fresh freeze waits this long for them.
constexpr DWORD kRepaintSettleMs = 150;

std::unique_ptr<ScrShot> g_current;
// Ctrl+Shift+C has been seen held; outlives each overlay so a held chord
// restarts the capture only once.
bool g_chordLatch = false;

RECT ToRECT(const Rect& r) { return {r.left, r.top, r.right(), r.bottom()}; }

void InvalidateRects(HWND w, const std::array<Rect, 4>& rects) {
    for (const Rect& r : rects) {
        if (r.empty()) continue;
        const RECT rc = ToRECT(r);
        ::InvalidateRect(w, &rc, FALSE);
    }
}
}  // namespace

ScrShot* ScrShot::Current() { return g_current && g_current->hwnd() ? g_current.get() : nullptr; }

bool ScrShot::ShowCapture() {
    KeepAlive hold;
    UnloadCapture();
    std::unique_ptr<ScrShot> overlay(new ScrShot());
    if (!overlay->Form_Load()) return false;
    g_current = std::move(overlay);
    const HWND w = g_current->hwnd();
    ::ShowWindow(w, SW_SHOW);
    ::SetForegroundWindow(w);
    ::SetFocus(w);
    ::UpdateWindow(w);
    return true;
}

void ScrShot::UnloadCapture() {
    if (ScrShot* s = Current()) ::DestroyWindow(s->hwnd());
    if (g_current) DisposeLater(std::move(g_current));
}

bool ScrShot::Form_Load() {
    ScreenW = ::GetSystemMetrics(SM_CXSCREEN);
    ScreenH = ::GetSystemMetrics(SM_CYSCREEN);
    sel_ = Selection({ScreenW, ScreenH});
    // The freeze comes first: the capture is of the moment it was asked for,
    // and the overlay, not yet created, can be neither grabbed nor listed.
    if (!Init()) {
        // No memory for the frozen screen: nothing to show, and nothing lost.
        Tell(NoMemoryToFreezeMessage({ScreenW, ScreenH}));
        return false;
    }
    if (!RegisterClassOnce(kClassName, ::LoadCursorW(nullptr, IDC_CROSS), nullptr)) return false;
    if (!CreateWin(WS_EX_TOPMOST, kClassName, L"ScrShot", WS_POPUP | WS_CLIPCHILDREN, 0, 0, ScreenW, ScreenH))
        return false;
    TopLevelOpened();
    Va.Create(hwnd(), surface_.PicB());
    sel_.ToolMode = -1;
    ::SetTimer(hwnd(), kPosTimer, kPosInterval, nullptr);
    ::SetTimer(hwnd(), kHotKeyTimer, kHotKeyInterval, nullptr);
    ::SetTimer(hwnd(), kDeferredTimer, USER_TIMER_MINIMUM, nullptr);
    // The first frame already shows the window under the pointer.
    Pos_Timer();
    surface_.EnsureDrawn();
    return true;
}

bool ScrShot::Init() {
    if (!surface_.Freeze(ScreenW, ScreenH)) return false;
    Win32WindowLister lister;
    picks_.Build(lister);
    return true;
}

void ScrShot::EnsureChildren() {
    if (Tools.hwnd()) return;
    ToolsPanel::Events events;
    events.action = [this](ToolButtonId id) {
        switch (id) {
            case ToolButtonId::Image1: Image1_Click(); break;
            case ToolButtonId::pinimg: pinimg_Click(); break;
            case ToolButtonId::SavePic: savepic_Click(); break;
            case ToolButtonId::Exi: Exi_Click(); break;
            case ToolButtonId::Draw: break;
        }
    };
    events.Draw_Click = [this](int index) { Draw_Click(index); };
    events.colourChosen = [this](OleColor c) { Cols_Click(c); };
    events.MoreC_Click = [this] { MoreC_Click(); };
    events.Sets_Click = [this] { Sets_Click(); };
    Tools.Create(hwnd(), std::move(events));
    for (int i = 0; i < kHandleCount; ++i) Si[i].Create(*this, hwnd(), i);
    MS();
    ::SetWindowPos(Va.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void ScrShot::LoadDeferred() {
    ::KillTimer(hwnd(), kDeferredTimer);
    EnsureChildren();
    surface_.PrepareRedraws();
    StartGdiPlusSession();
}

void ScrShot::StartGdiPlusSession() {
    // The overlay's session stays open for the life of the process; the
    // annotation tools and the save actions rely on it.
    gdiPlusToken_ = StartGdiPlus();
    if (!GdiPlusReady() || surface_.surface().empty()) return;
    const GdiPlusApi& gp = GdiPlus();
    gp::GpGraphics* g = nullptr;
    if (gp.GdipCreateFromHDC(surface_.surface().dc(), &g) == gp::Ok) OverlayGraphics.reset(g);
    gp::GpPath* path = nullptr;
    if (gp.GdipCreatePath(gp::FillModeWinding, &path) == gp::Ok) ClipPath.reset(path);
}

void ScrShot::DrawAlphaClip() {
    const OverlaySurface::Redraw r = surface_.DrawAlphaClip(sel_.frame());
    if (!r.changed()) return;
    // Repaint exactly the pixels whose look changed: the clear areas' difference
    // and whatever had been drawn over.
    unique_hrgn changed(::CreateRectRgn(r.before.left, r.before.top, r.before.right(), r.before.bottom()));
    unique_hrgn after(::CreateRectRgn(r.after.left, r.after.top, r.after.right(), r.after.bottom()));
    if (changed && after) {
        ::CombineRgn(changed.get(), changed.get(), after.get(), RGN_XOR);
        ::InvalidateRgn(hwnd(), changed.get(), FALSE);
    } else {
        InvalidateRects(hwnd(), {r.areas[0], r.areas[1], r.areas[2], Rect{}});
    }
    if (!r.drawn.empty()) {
        const RECT rc = ToRECT(r.drawn);
        ::InvalidateRect(hwnd(), &rc, FALSE);
    }
}

void ScrShot::RefreshFrame() {
    InvalidateRects(hwnd(), FrameRing(paintedFrame_, paintedBorder_));
    InvalidateRects(hwnd(), FrameRing(sel_.frame(), sel_.borderWidth()));
}

void ScrShot::MS() {
    const auto& rects = sel_.handles();
    for (int i = 0; i < kHandleCount; ++i) Si[i].MoveTo(rects[i]);
}

void ScrShot::Apply(const Changes& c) {
    if (c.reset || c.completed || c.handlesMoved) EnsureChildren();
    if (c.reset) {
        ::ShowWindow(Tools.hwnd(), SW_HIDE);
        tools_.Discard(hwnd());
        surface_.ForgetMarks();
        if (OverlayGraphics) GdiPlus().GdipResetClip(OverlayGraphics.get());
        if (ClipPath) GdiPlus().GdipResetPath(ClipPath.get());
    }
    if (c.completed) {
        const Point at = sel_.toolsPosition();
        ::SetWindowPos(Tools.hwnd(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (c.handlesMoved || c.reset) MS();
    if (c.frameChanged) DrawAlphaClip();
    if (c.frameChanged || c.reset || c.completed) RefreshFrame();
    if (c.completed) {
        ::ShowWindow(Tools.hwnd(), SW_SHOWNOACTIVATE);
        Tools.EnsureTooltips();
    }
}

void ScrShot::ReLoad() { Apply(sel_.ReLoad()); }

void ScrShot::Exi_Click() {
    if (hwnd()) ::DestroyWindow(hwnd());
}

void ScrShot::SetRect() {
    // The selection as it shows on the surface (darkening and drawings, not the
    // frame or handles). Only what lies on the surface is taken: a frame
    // reaching off the screen gives the image of its on-screen part.
    const Rect f = sel_.frame();
    const Rect part = Intersect(f, Rect{0, 0, ScreenW, ScreenH});
    rectPicture_.Clear();
    if (part.empty() || surface_.surface().empty()) return;
    if (!rectPicture_.Create(part.width, part.height)) return;
    ::BitBlt(rectPicture_.dc(), 0, 0, part.width, part.height, surface_.surface().dc(), part.left, part.top,
             SRCCOPY);
    ::GdiFlush();
}

Canvas ScrShot::ToolCanvas() { return Canvas{hwnd(), OverlayGraphics.get(), surface_, sel_.frame()}; }

void ScrShot::CommitText() {
    // Copy, pin, save and a tool change call this first, so typed text always
    // becomes part of the image.
    Canvas c = ToolCanvas();
    tools_.CommitText(c);
}

void ScrShot::Draw_Click(int index) {
    if (index < 0 || index >= kToolCount) return;
    ClipToSelection(OverlayGraphics.get(), ClipPath.get(), sel_.frame());
    Tools.ShowChosenTool(index);
    sel_.ToolMode = index;
    CommitText();
    // The eraser's circle shows at once; other tools drop it.
    Canvas c = ToolCanvas();
    tools_.Discard(hwnd());
    POINT pt;
    if (CurrentTool() == Tool::Eraser && ::GetCursorPos(&pt)) {
        ::ScreenToClient(hwnd(), &pt);
        tools_.ShowEraserCircle(c, {pt.x, pt.y}, Tools.StrokeWidth());
    }
}

void ScrShot::Cols_Click(OleColor colour) { tools_.SetColour(colour); }

void ScrShot::MoreC_Click() {
    if (tools_.AskColour(hwnd())) Tools.SetCurrentColor(tools_.colour());
}

void ScrShot::Sets_Click() { tools_.AskFont(hwnd()); }

void ScrShot::Form_Unload() {
    ReLoad();
    ClipPath.reset();
    OverlayGraphics.reset();
    ::KillTimer(hwnd(), kPosTimer);
    ::KillTimer(hwnd(), kHotKeyTimer);
    ::KillTimer(hwnd(), kDeferredTimer);
    ::KillTimer(hwnd(), kColourNoteTimer);
    formCapture_.Release();
}

void ScrShot::OnDestroyed() {
    surface_.Release();
    rectPicture_.Clear();
    if (g_current.get() == this) DisposeLater(std::move(g_current));
    TopLevelClosed();
}

void ScrShot::Form_MouseDown(MouseButton button, Point p) {
    // Like a form, the overlay keeps the pointer while a button is down, so a
    // drag passing over the toolbar or a handle still reaches it.
    if (button == MouseButton::Left) formCapture_.Take(hwnd());
    // A click on the overlay takes the keyboard back from the toolbar's boxes
    // (which then show the slider's value), so Esc and R work again.
    if (::GetFocus() != hwnd() && !tools_.IsTextBox(::GetFocus())) ::SetFocus(hwnd());
    const Changes c = sel_.MouseDown(button, p);
    if (c.annotate) {
        Canvas canvas = ToolCanvas();
        tools_.MouseDown(canvas, CurrentTool(), p, {Tools.StrokeWidth(), Tools.StrokeAlpha()});
    }
    Apply(c);
}

void ScrShot::Form_MouseMove(WPARAM keys, Point p) {
    constexpr WPARAM kButtons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2;
    const bool onlyLeft = (keys & kButtons) == MK_LBUTTON;
    const Changes c = sel_.MouseMove(onlyLeft, p);
    if (c.annotate || CurrentTool() == Tool::Eraser) {
        Canvas canvas = ToolCanvas();
        tools_.MouseMove(canvas, CurrentTool(), p, c.annotate);
    }
    Apply(c);
    Readout(p);
}

void ScrShot::Form_MouseUp(MouseButton button, Point p) {
    if (button == MouseButton::Left) formCapture_.Release();
    const Changes c = sel_.MouseUp(button, p);
    if (c.annotate && button == MouseButton::Left) {
        Canvas canvas = ToolCanvas();
        tools_.MouseUp(canvas, CurrentTool());
    }
    Apply(c);
}

void ScrShot::Readout(Point p) {
    const Colour c = Colour::fromPixel(surface_.surface().Pixel(p.x, p.y));
    const bool noted = colourNote_.VisibleAt(::GetTickCount64());
    Va.Show(p, c, FormatSize(sel_.frame().width, sel_.frame().height), noted ? colourNote_.text() : FormatRgb(c),
            {ScreenW, ScreenH});
}

void ScrShot::Si_MouseDown(int index, MouseButton button, Point local) {
    Apply(sel_.HandleDown(index, button, local));
}

void ScrShot::Si_MouseMove(int index, bool leftHeld, Point local) {
    Apply(sel_.HandleMove(index, leftHeld, local));
}

void ScrShot::Pos_Timer() {
    if (sel_.Selected() || !sel_.detectionEnabled()) return;
    POINT pt;
    if (!::GetCursorPos(&pt)) return;
    const auto k = picks_.Find({pt.x, pt.y});
    if (!k) return;
    Apply(sel_.WindowDetected(picks_.WindowRectOf(*k)));
}

void ScrShot::HotKey_Timer() {
    // All three keys down (the high bit); the low "pressed since" bits are ignored
    // so that three earlier taps do not count as the chord.
    const SHORT held = ::GetAsyncKeyState('C') & ::GetAsyncKeyState(VK_CONTROL) & ::GetAsyncKeyState(VK_SHIFT);
    if (!(held & 0x8000)) {
        g_chordLatch = false;
        return;
    }
    if (g_chordLatch) return;
    g_chordLatch = true;
    KeepAlive hold;
    // This object lives on (in the dispose list) until the handler returns.
    UnloadCapture();
    PumpMessagesFor(kRepaintSettleMs);
    ShowCapture();
}

void ScrShot::OnPaint() {
    PaintDc dc(hwnd());
    const RECT& rc = dc.area();
    if (!surface_.surface().empty()) {
        ::BitBlt(dc.get(), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, surface_.surface().dc(),
                 rc.left, rc.top, SRCCOPY);
    }
    const HBRUSH frameBrush = ::GetSysColorBrush(COLOR_HIGHLIGHT);
    for (const Rect& strip : FrameRing(sel_.frame(), sel_.borderWidth())) {
        if (strip.empty()) continue;
        const RECT s = ToRECT(strip);
        ::FillRect(dc.get(), &s, frameBrush);
    }
    tools_.PaintPreviews(dc.get());
    paintedFrame_ = sel_.frame();
    paintedBorder_ = sel_.borderWidth();
}

LRESULT ScrShot::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    const Point p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    // A second start hands its capture to this copy.
    if (IsStartCaptureMessage(msg)) return AcceptStartCapture();
    switch (msg) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_TIMER:
            if (wp == kPosTimer) Pos_Timer();
            else if (wp == kHotKeyTimer) HotKey_Timer();
            else if (wp == kDeferredTimer) LoadDeferred();
            else if (wp == kColourNoteTimer) HideColourNote();
            return 0;
        case WM_KEYDOWN: Form_KeyDown(wp); return 0;
        case WM_LBUTTONDOWN: Form_MouseDown(MouseButton::Left, p); return 0;
        case WM_RBUTTONDOWN: Form_MouseDown(MouseButton::Right, p); return 0;
        case WM_MBUTTONDOWN: Form_MouseDown(MouseButton::Middle, p); return 0;
        case WM_MOUSEMOVE: Form_MouseMove(wp, p); return 0;
        case WM_LBUTTONUP: Form_MouseUp(MouseButton::Left, p); return 0;
        case WM_RBUTTONUP: Form_MouseUp(MouseButton::Right, p); return 0;
        case WM_MBUTTONUP: Form_MouseUp(MouseButton::Middle, p); return 0;
        case WM_COMMITTEXT: CommitText(); return 0;
        case WM_CTLCOLOREDIT:
            if (HBRUSH b = tools_.ColourEdit(reinterpret_cast<HWND>(lp), reinterpret_cast<HDC>(wp))) {
                return reinterpret_cast<LRESULT>(b);
            }
            return Default(msg, wp, lp);
        case WM_DESTROY: Form_Unload(); return 0;
        default: return Default(msg, wp, lp);
    }
}

}  // namespace vellumo::win

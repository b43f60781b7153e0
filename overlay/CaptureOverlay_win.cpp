#include "overlay/CaptureOverlay_win.h"

#include <windowsx.h>

#include <algorithm>

#include "gfx/Convert_win.h"
#include "gfx/Dpi.h"
#include "gfx/Dpi_win.h"
#include "gfx/GdiPlus_win.h"
#include "gfx/Monitors_win.h"
#include "overlay/CaptureSettings.h"
#include "overlay/Readout.h"
#include "overlay/WindowList_win.h"
#include "store/Ini_win.h"

namespace vellumo::win {

namespace {
// Window class names and titles are observable (other programs, automation
// and the end-to-end tests find the windows by them): they keep the names
// the program has always had, whatever the C++ names.
constexpr wchar_t kClassName[] = L"VellumoScrShot";
constexpr UINT_PTR kDetectionTimer = 1;       // window detection
constexpr UINT_PTR kRestartChordTimer = 2;    // Ctrl+Shift+C poll
constexpr UINT kDetectionIntervalMs = 50;
constexpr UINT kRestartChordIntervalMs = 100;
// Enter in the text box: the text is printed once the box has finished with
// its key.
constexpr UINT kPrintTextLater = WM_APP + 20;

void InvalidateRects(HWND w, const std::array<Rect, 4>& rects) {
    for (const Rect& r : rects) {
        if (r.empty()) continue;
        const RECT rc = ToRECT(r);
        ::InvalidateRect(w, &rc, FALSE);
    }
}
}  // namespace

bool CaptureOverlay::Load() {
    if (!CreateWindows()) return false;
    ::ShowWindow(hwnd(), SW_SHOW);
    ::SetForegroundWindow(hwnd());
    ::SetFocus(hwnd());
    ::UpdateWindow(hwnd());
    return true;
}

bool CaptureOverlay::CreateWindows() {
    monitors_ = DesktopMonitors();
    const Rect& all = monitors_.virtualBounds();
    screenWidth_ = all.width;
    screenHeight_ = all.height;
    sel_ = Selection(monitors_.OnBitmap());
    // A press is a click until the pointer leaves the system's drag rectangle.
    sel_.SetDragThreshold({::GetSystemMetrics(SM_CXDRAG), ::GetSystemMetrics(SM_CYDRAG)});
    // The freeze comes first: the capture is of the moment it was asked for,
    // and the overlay, not yet created, can be neither grabbed nor listed.
    if (!Init()) {
        // No memory for the frozen screen: nothing to show, and nothing lost.
        Tell(NoMemoryToFreezeMessage({screenWidth_, screenHeight_}));
        return false;
    }
    if (!RegisterClassOnce(kClassName, ::LoadCursorW(nullptr, IDC_CROSS), nullptr)) return false;
    if (!CreateWin(WS_EX_TOPMOST, kClassName, L"ScrShot", WS_POPUP | WS_CLIPCHILDREN, all.left, all.top, screenWidth_,
                   screenHeight_))
        return false;
    TopLevelOpened();
    POINT pointer{};
    ::GetCursorPos(&pointer);
    magnifier_.Create(hwnd(), surface_.frozenScreen(), DpiAt({pointer.x, pointer.y}));
    sel_.ChooseTool(Tool::None);
    ::SetTimer(hwnd(), kDetectionTimer, kDetectionIntervalMs, nullptr);
    ::SetTimer(hwnd(), kRestartChordTimer, kRestartChordIntervalMs, nullptr);
    // The parts a first frame does not show (handles, toolbar, the dimmed
    // copy, GDI+) are made once it is on the screen.
    WhenIdle(WhileAlive([](CaptureOverlay& overlay) { overlay.LoadDeferred(); }));
    // The first frame already shows the window under the pointer.
    OnDetectionTick();
    surface_.EnsureDrawn();
    return true;
}

void CaptureOverlay::DrawOn(HBITMAP picture, Point at, KeepDrawing keep) {
    drawnPicture_ = picture;
    drawnPictureAt_ = at;
    keepDrawing_ = std::move(keep);
    drawingOnPicture_ = true;
}

void CaptureOverlay::Preselect(const Rect& frame) {
    const Rect& all = monitors_.virtualBounds();
    Apply(sel_.SelectFrame({frame.left - all.left, frame.top - all.top, frame.width, frame.height}));
}

CaptureOverlay::CaptureOverlay(CaptureEvents& events)
    : events_(events), annotator_({.textEntered = [this] { ::PostMessageW(hwnd(), kPrintTextLater, 0, 0); }}) {}

bool CaptureOverlay::Init() {
    // [Capture] Cursor=1: the pointer is part of the picture.
    const IniFile ini = IniFile::BesideExe(L"set.ini");
    const std::wstring cursor = ini.Read(std::wstring(kCaptureCursor.section), kCaptureCursor.Key(L""),
                                         std::wstring(kCaptureCursor.defaultValue));
    if (!surface_.Freeze(monitors_, settings::ReadNumber(kCaptureCursor, cursor) != 0)) return false;
    // The picture to draw on lies on the frozen screen as it would on the
    // real one at 100%: the eraser paints it back, and the dimming is of it.
    if (drawnPicture_) {
        surface_.PlaceOnFrozen(drawnPicture_, monitors_.ToBitmap(drawnPictureAt_));
        drawnPicture_ = nullptr;
    }
    Win32WindowLister lister;
    picks_.Build(lister);
    return true;
}

void CaptureOverlay::EnsureChildren() {
    if (toolbar_.hwnd()) return;
    Toolbar::Events events;
    events.action = [this](ToolButtonId id) {
        switch (id) {
            case ToolButtonId::Copy: CopySelection(); break;
            case ToolButtonId::Pin:
                if (keepDrawing_) KeepDrawnPicture();
                else PinSelection();
                break;
            case ToolButtonId::Save: SaveSelection(); break;
            case ToolButtonId::Quit: EndCapture(); break;
            case ToolButtonId::Tool: break;
        }
    };
    events.ChooseTool = [this](int index) { ChooseTool(index); };
    events.colourChosen = [this](OleColor c) { ChooseColour(c); };
    events.PickMoreColours = [this] { PickMoreColours(); };
    events.PickFont = [this] { PickFont(); };
    toolbar_.Create(hwnd(), std::move(events), sel_.uiDpi());
    for (int i = 0; i < kHandleCount; ++i) {
        SizerHandle::Events handleEvents;
        handleEvents.mouseDown = [this, i](MouseButton button, Point local) { Apply(sel_.HandleDown(i, button, local)); };
        handleEvents.mouseMove = [this, i](bool leftHeld, Point local) { Apply(sel_.HandleMove(i, leftHeld, local)); };
        sizeHandles_[i].Create(hwnd(), i, std::move(handleEvents));
    }
    PlaceSizeHandles();
    ::SetWindowPos(magnifier_.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CaptureOverlay::LoadDeferred() {
    EnsureChildren();
    surface_.PrepareRedraws();
    CreateDrawingObjects();
}

void CaptureOverlay::CreateDrawingObjects() {
    // The process's GDI+ session, started here by the first capture, also
    // serves the save actions and the Floaters' pictures.
    if (!EnsureGdiPlus() || surface_.surface().empty()) return;
    const GdiPlusApi& gp = GdiPlus();
    gp::GpGraphics* g = nullptr;
    if (gp.GdipCreateFromHDC(surface_.surface().dc(), &g) == gp::Ok) surfaceGraphics_.reset(g);
    gp::GpPath* path = nullptr;
    if (gp.GdipCreatePath(gp::FillModeWinding, &path) == gp::Ok) clipPath_.reset(path);
}

void CaptureOverlay::RedrawDimming() {
    const OverlaySurface::Redraw r = surface_.RedrawDimming(sel_.frame());
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

void CaptureOverlay::RefreshFrame() {
    InvalidateRects(hwnd(), FrameRing(paintedFrame_, paintedBorder_));
    InvalidateRects(hwnd(), FrameRing(sel_.frame(), sel_.borderWidth()));
}

void CaptureOverlay::PlaceSizeHandles() {
    const auto& rects = sel_.handles();
    for (int i = 0; i < kHandleCount; ++i) sizeHandles_[i].MoveTo(rects[i]);
}

void CaptureOverlay::Apply(const Changes& c) {
    if (c.reset || c.completed || c.handlesMoved) EnsureChildren();
    if (c.reset) {
        ::ShowWindow(toolbar_.hwnd(), SW_HIDE);
        annotator_.Discard(hwnd());
        surface_.ForgetMarks();
        if (surfaceGraphics_) GdiPlus().GdipResetClip(surfaceGraphics_.get());
        if (clipPath_) GdiPlus().GdipResetPath(clipPath_.get());
    }
    if (c.completed) {
        toolbar_.SetDpi(sel_.uiDpi());
        const Point at = sel_.toolsPosition();
        ::SetWindowPos(toolbar_.hwnd(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (c.handlesMoved || c.reset) PlaceSizeHandles();
    if (c.frameChanged) RedrawDimming();
    if (c.frameChanged || c.reset || c.completed) RefreshFrame();
    if (c.completed) {
        ::ShowWindow(toolbar_.hwnd(), SW_SHOWNOACTIVATE);
        toolbar_.EnsureTooltips();
    }
    // The handles, borders and toolbar are sized for the monitor holding the
    // frame; asked each time the frame moves, so that a monitor at another
    // DPI is followed where Windows sends no WM_DPICHANGED (Wine, or a frame
    // crossing monitors of a window that does not move).
    if (c.frameChanged || c.reset) FollowFrameDpi();
}

void CaptureOverlay::FollowFrameDpi() {
    POINT origin{0, 0};
    ::ClientToScreen(hwnd(), &origin);
    const Rect f = sel_.frame();
    const int dpi = DpiOf({f.left + origin.x, f.top + origin.y, std::max(f.width, 1), std::max(f.height, 1)});
    if (UiDpi(dpi) != sel_.uiDpi()) Apply(sel_.SetUiDpi(dpi));
}

void CaptureOverlay::BackToDetection() { Apply(sel_.BackToDetection()); }

void CaptureOverlay::EndCapture() {
    if (hwnd()) ::DestroyWindow(hwnd());
}

void CaptureOverlay::EndCaptureAtIdle() {
    if (!hwnd()) return;
    // An empty window region takes it off the screen as hiding would, but
    // at once: under Wine, hiding a window the window manager handles waits
    // for the manager's answer (3 to 9 ms), and so does the destruction left
    // for idle, once what replaces the overlay has painted. The toolbar,
    // handles, magnifier and GDI+ objects go with it.
    unique_hrgn none(::CreateRectRgn(0, 0, 0, 0));
    if (none && ::SetWindowRgn(hwnd(), none.get(), FALSE)) none.release();
    else ::ShowWindow(hwnd(), SW_HIDE);
    WhenIdle(WhileAlive([](CaptureOverlay& overlay) { overlay.EndCapture(); }));
}

void CaptureOverlay::CopySelectionPicture(bool inBackground) {
    // The selection as it shows on the surface (darkening and drawings, not the
    // frame or handles). Only what lies on the surface is taken: a frame
    // reaching off the screen gives the image of its on-screen part.
    const Rect f = sel_.frame();
    const Rect part = Intersect(f, Rect{0, 0, screenWidth_, screenHeight_});
    selectionCopy_.Join();
    selectionPicture_.Clear();
    if (part.empty() || surface_.surface().empty()) return;
    if (!selectionPicture_.Create(part.width, part.height)) return;
    // GDI (text, GDI+ marks) may still be writing into the surface.
    ::GdiFlush();
    const PixelPlane to = selectionPicture_.plane(), from = surface_.surface().plane();
    if (inBackground) selectionCopy_.Start([to, from, part] { CopyArea(to, from, part); });
    else CopyArea(to, from, part);
}

Canvas CaptureOverlay::ToolCanvas() { return Canvas{hwnd(), surfaceGraphics_.get(), surface_, sel_.frame()}; }

void CaptureOverlay::CommitText() {
    // Copy, pin, save and a tool change call this first, so typed text always
    // becomes part of the image.
    Canvas c = ToolCanvas();
    annotator_.CommitText(c);
}

void CaptureOverlay::ChooseTool(int index) {
    if (index < 0 || index >= ToolCount()) return;
    ClipToSelection(surfaceGraphics_.get(), clipPath_.get(), sel_.frame());
    toolbar_.ShowChosenTool(index);
    sel_.ChooseTool(static_cast<Tool>(index));
    CommitText();
    // What a tool shows before a press (the eraser's circle) shows at once;
    // the last tool's previews go.
    Canvas c = ToolCanvas();
    annotator_.Discard(hwnd());
    Point pt;
    if (PointerOnOverlay(pt)) annotator_.ToolChosen(c, CurrentTool(), pt, toolbar_.StrokeWidth());
}

void CaptureOverlay::ChooseColour(OleColor colour) { annotator_.SetColour(colour); }

void CaptureOverlay::PickMoreColours() {
    if (annotator_.AskColour(hwnd())) toolbar_.SetCurrentColor(annotator_.colour());
}

void CaptureOverlay::PickFont() { annotator_.AskFont(hwnd()); }

void CaptureOverlay::OnClosing() {
    // A drawing on a Floater selected the Floater, not a region of the screen.
    if (!drawingOnPicture_ && sel_.Selected() && !SelectionOnScreen().empty())
        events_.OnSelectionKept(monitors_.ToScreen(SelectionOnScreen()));
    BackToDetection();
    clipPath_.reset();
    surfaceGraphics_.reset();
    ::KillTimer(hwnd(), kDetectionTimer);
    ::KillTimer(hwnd(), kRestartChordTimer);
    ::KillTimer(hwnd(), kColourNoteTimer);
    dragCapture_.Release();
}

void CaptureOverlay::OnDestroyed() {
    // The frozen screen's pictures, several as large as the screen, are freed
    // once the screen shows what follows the capture.
    WhenIdle([frozen = std::make_shared<OverlaySurface>(std::move(surface_))] { frozen->Release(); });
    selectionPicture_.Clear();
    events_.OnCaptureClosed(*this);
    TopLevelClosed();
}

void CaptureOverlay::OnPaint() {
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
    annotator_.PaintPreviews(dc.get());
    paintedFrame_ = sel_.frame();
    paintedBorder_ = sel_.borderWidth();
}

LRESULT CaptureOverlay::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    const Point p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    // A second start hands its capture to this copy.
    if (IsStartCaptureMessage(msg)) return events_.OnStartCaptureAsked();
    switch (msg) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_TIMER:
            if (wp == kDetectionTimer) OnDetectionTick();
            else if (wp == kRestartChordTimer) OnRestartChordTick();
            else if (wp == kColourNoteTimer) HideColourNote();
            return 0;
        case WM_KEYDOWN: OnKeyDown(wp, lp); return 0;
        // Keys with Alt held (Alt+R, Alt+Esc) come as system keys; what the
        // overlay does not use (Alt+F4, Alt+Space, F10) is the system's.
        case WM_SYSKEYDOWN: return OnKeyDown(wp, lp) ? 0 : Default(msg, wp, lp);
        // The overlay has no menu. Alt let go after a key the overlay took
        // (Alt+R) looks to the system like Alt pressed alone, which enters
        // menu mode and swallows the keys that follow.
        case WM_SYSCOMMAND:
            if ((wp & 0xFFF0) == SC_KEYMENU) return 0;
            return Default(msg, wp, lp);
        case WM_LBUTTONDOWN: OnMouseDown(MouseButton::Left, p); return 0;
        case WM_RBUTTONDOWN: OnMouseDown(MouseButton::Right, p); return 0;
        case WM_MBUTTONDOWN: OnMouseDown(MouseButton::Middle, p); return 0;
        // The side buttons count as any other non-left button; TRUE says handled.
        case WM_XBUTTONDOWN: OnMouseDown(MouseButton::Middle, p); return TRUE;
        case WM_MOUSEMOVE: OnMouseMove(wp, p); return 0;
        case WM_LBUTTONUP: OnMouseUp(MouseButton::Left, p); return 0;
        case WM_RBUTTONUP: OnMouseUp(MouseButton::Right, p); return 0;
        case WM_MBUTTONUP: OnMouseUp(MouseButton::Middle, p); return 0;
        case WM_XBUTTONUP: OnMouseUp(MouseButton::Middle, p); return TRUE;
        case kPrintTextLater: CommitText(); return 0;
        case WM_MOUSEWHEEL: OnWheel(wp, lp); return 0;
        case WM_SETCURSOR:
            return OnSetCursor(reinterpret_cast<HWND>(wp), LOWORD(lp)) ? TRUE : Default(msg, wp, lp);
        case WM_CTLCOLOREDIT:
            if (HBRUSH b = annotator_.ColourEdit(reinterpret_cast<HWND>(lp), reinterpret_cast<HDC>(wp))) {
                return reinterpret_cast<LRESULT>(b);
            }
            return Default(msg, wp, lp);
        // The overlay keeps covering the screen at its true pixels: Windows'
        // suggested rectangle is not taken, only the new DPI of the parts.
        case WM_DPICHANGED:
            OnDpiChanged();
            return 0;
        case WM_DESTROY: OnClosing(); return 0;
        default: return Default(msg, wp, lp);
    }
}

}  // namespace vellumo::win

#include "floaters/FloaterHost_win.h"

#include "gfx/Convert_win.h"
#include "gfx/Dpi.h"
#include "gfx/Dpi_win.h"
#include "gfx/Monitors_win.h"
#include "gfx/PictureFit.h"
#include "gfx/Picture_win.h"
#include "gfx/Region_win.h"
#include "output/SaveRules.h"

namespace vellumo::win {

namespace {
// Window class names and titles are observable (other programs, automation
// and the end-to-end tests find the windows by them): they keep the names
// the program has always had, whatever the C++ names.
constexpr wchar_t kClassName[] = L"VellumoHoverdeck";
constexpr wchar_t kMessageTitle[] = L"Vellumo";
constexpr UINT_PTR kFlashTimer = 1;
constexpr UINT_PTR kKeeperTimer = 2;

void InvalidateRectOf(HWND w, const Rect& r) {
    if (r.empty()) return;
    const RECT rc = ToRECT(r);
    ::InvalidateRect(w, &rc, TRUE);
}

int CALLBACK NoteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// The label font: "微软雅黑" 9 pt bold at `dpi`, GB2312. Where that face is
// missing the GB2312 request maps to a font without Latin digits, so the
// label would show empty boxes: the default character set then picks a
// stand-in.
HFONT CreateLabelFont(int dpi) {
    constexpr wchar_t kFace[] = L"\u5FAE\u8F6F\u96C5\u9ED1";
    WindowDc screen(nullptr);
    LOGFONTW want{};
    want.lfCharSet = GB2312_CHARSET;
    wcscpy_s(want.lfFaceName, kFace);
    bool found = false;
    ::EnumFontFamiliesExW(screen.get(), &want, NoteFontFound, reinterpret_cast<LPARAM>(&found), 0);
    const int height = -::MulDiv(9, dpi, 72);
    return ::CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, found ? GB2312_CHARSET : DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFace);
}

}  // namespace

std::wstring WindowTitle(HWND w) {
    wchar_t buffer[256] = {};
    const int n = w ? ::GetWindowTextW(w, buffer, 256) : 0;
    return std::wstring(buffer, n > 0 ? n : 0);
}

bool FloaterHost::CreateWindows() {
    monitors_ = DesktopMonitors();
    const Rect& all = monitors_.virtualBounds();
    screen_ = {all.width, all.height};
    if (!RegisterClassOnce(kClassName, ::LoadCursorW(nullptr, IDC_ARROW), nullptr)) return false;
    keyBrush_.reset(::CreateSolidBrush(kKeyColorRef));
    SetDpi(DpiAt({0, 0}));
    // Not in the taskbar (a tool window), borderless, above everything.
    if (!CreateWin(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, kHostTitle, WS_POPUP | WS_CLIPCHILDREN, all.left,
                   all.top, screen_.width, screen_.height))
        return false;
    TopLevelOpened();
    BackToNormal();
    dropIcon_.Create(*this, hwnd(), DropIconPosition(monitors_.ToBitmap(monitors_.primary()), book_.sizes),
                     book_.sizes.dropIcon);
    ApplyShape();
    BuildMenus();
    BringToTop();
    SetKeeper(true);
    return true;
}

void FloaterHost::OnDestroyed() {
    events_.OnFloaterHostClosed(*this);
    TopLevelClosed();
}

// Floaters below full opacity are popups of their own (see
// FloaterWheel_win.cpp); hiding the host does not hide owned windows.
void FloaterHost::Show() {
    // A monitor may have gone while the host was hidden (Wine, for one, may
    // not tell a hidden window of the change).
    FollowDisplays();
    ::ShowWindow(hwnd(), SW_SHOW);
    ::ShowOwnedPopups(hwnd(), TRUE);
}
void FloaterHost::Hide() {
    ::ShowOwnedPopups(hwnd(), FALSE);
    ::ShowWindow(hwnd(), SW_HIDE);
}

void FloaterHost::BringToTop() {
    // Made hidden while a capture has the keyboard, the host must not take it.
    ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void FloaterHost::SetKeeper(bool on) {
    if (on) ::SetTimer(hwnd(), kKeeperTimer, kKeeperIntervalMs, nullptr);
    else ::KillTimer(hwnd(), kKeeperTimer);
}

void FloaterHost::OnKeeperTick() {
    // Wine does not send WM_DISPLAYCHANGE when an X output is switched off
    // (seen with xrandr on Xorg's dummy driver): the keeper looks as well.
    FollowDisplays();
    // A disabled host has a dialog or message box of its own up: raising the
    // host would cover it where the system does not keep owned windows above
    // a re-raised owner (Wine), leaving the user a box they cannot click.
    if (!::IsWindowEnabled(hwnd())) return;
    const HWND foreground = ::GetForegroundWindow();
    DWORD process = 0;
    if (foreground) ::GetWindowThreadProcessId(foreground, &process);
    const bool ours = foreground && foreground != hwnd() && process == ::GetCurrentProcessId();
    if (!KeeperShouldReassert(WindowTitle(foreground), ours)) return;
    // Unlike a pin, the keeper must not take the keyboard from the user's program.
    ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void FloaterHost::Tell(const std::wstring& text) {
    ::MessageBoxW(hwnd(), text.c_str(), kMessageTitle, MB_OK | MB_ICONWARNING | MB_TOPMOST | MB_SETFOREGROUND);
}

Size FloaterHost::MeasureLabelText(const std::wstring& text) {
    // The host's own font, as a form measures text; the label draws in its own.
    WindowDc dc(hwnd());
    Selected font(dc.get(), BadgeFont());
    SIZE extent{};
    ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
    return {extent.cx, extent.cy};
}

HFONT FloaterHost::BadgeFont() const {
    return badgeFont_ ? badgeFont_.get() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

void FloaterHost::SetDpi(int dpi) {
    dpi_ = UsableDpi(dpi);
    book_.sizes = HostSizesAt(dpi_);
    labelFont_.reset(CreateLabelFont(dpi_));
    // The stock GUI font is made for the system DPI.
    badgeFont_.reset();
    const int systemDpi = SystemDpi();
    LOGFONTW lf{};
    if (dpi_ != systemDpi && ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf)) {
        lf.lfHeight = RescaleFontHeight(lf.lfHeight, systemDpi, dpi_);
        lf.lfWidth = 0;
        badgeFont_.reset(::CreateFontIndirectW(&lf));
    }
    for (auto& [n, label] : labels_) label->SetFont(labelFont_.get());
    if (dropIcon_.hwnd()) {
        ::SetWindowPos(dropIcon_.hwnd(), nullptr, 0, 0, book_.sizes.dropIcon.width, book_.sizes.dropIcon.height,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::InvalidateRect(dropIcon_.hwnd(), nullptr, FALSE);
    }
    if (hwnd()) InvalidateFrame();
}

bool FloaterHost::AddFloater(unique_hbitmap&& bitmap, std::optional<Rect> monitor) {
    const std::optional<int> next = book_.NextUsableIndex();
    if (!next || !bitmap) return false;
    const int n = *next;
    const SIZE natural = BitmapSize(bitmap.get());
    const std::wstring text = LabelText(n);
    auto label = std::make_unique<FloaterLabel>();
    auto picture = std::make_unique<FloaterPicture>();
    if (!label->Create(*this, hwnd(), n, text, labelFont_.get())) return false;
    if (!picture->Create(*this, hwnd(), n, std::move(bitmap))) return false;
    book_.CreateOn({natural.cx, natural.cy}, FitLabel(MeasureLabelText(text), book_.sizes),
                   monitors_.ToBitmap(monitor.value_or(monitors_.primary())));
    labels_[n] = std::move(label);
    pictures_[n] = std::move(picture);
    stack_.ToFront(n);
    ApplyFloater(n);
    const HWND pic = pictures_[n]->hwnd();
    ::SetWindowPos(pic, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RaiseDropIcon();
    ::ShowWindow(pic, SW_SHOWNA);
    // The frame (a thin ring, but touching every row of the picture's height)
    // comes a moment after the picture, which the user is waiting for.
    frameWaits_ = true;
    InvalidateFrame();
    WhenIdle(WhileAlive([](FloaterHost& host) { host.ShowWaitingFrame(); }));
    ::SetTimer(hwnd(), kFlashTimer, kFlashIntervalMs, nullptr);
    return true;
}

void FloaterHost::ShowWaitingFrame() {
    if (!frameWaits_) return;
    frameWaits_ = false;
    InvalidateFrame();
}

void FloaterHost::RaiseDropIcon() {
    ::SetWindowPos(dropIcon_.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void FloaterHost::ApplyFloater(int n) {
    const Floater* f = book_.Find(n);
    auto pic = pictures_.find(n);
    auto label = labels_.find(n);
    if (!f || pic == pictures_.end() || label == labels_.end()) return;
    constexpr UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    // A Floater apart (a popup of its own) is placed in screen coordinates.
    const HWND picture = pic->second->hwnd();
    const Point at = (::GetWindowLongPtrW(picture, GWL_STYLE) & WS_CHILD)
                         ? Point{f->picture.left, f->picture.top}
                         : monitors_.ToScreen(Point{f->picture.left, f->picture.top});
    ::SetWindowPos(picture, nullptr, at.x, at.y, f->picture.width, f->picture.height, flags);
    ::SetWindowPos(label->second->hwnd(), nullptr, f->label.left, f->label.top, f->label.width, f->label.height,
                   flags | (f->labelVisible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    ApplyShape();
    NoteChanged();
}

void FloaterHost::RemoveFloater(int n) {
    // The clipboard's promised copy is made before its picture goes.
    if (promisedCopy_ == n) KeepPromise(PromiseMoment::Last);
    events_.OnFloaterClosing(*this, n);
    // The elements may be on the stack (a menu popped up by the picture), so
    // they are freed by the message loop.
    if (auto it = pictures_.find(n); it != pictures_.end()) {
        ::DestroyWindow(it->second->hwnd());
        DisposeLater(std::move(it->second));
        pictures_.erase(it);
    }
    if (auto it = labels_.find(n); it != labels_.end()) {
        ::DestroyWindow(it->second->hwnd());
        DisposeLater(std::move(it->second));
        labels_.erase(it);
    }
    book_.Delete(n);
    scales_.erase(n);
    beforeDrawing_.erase(n);
    clickThrough_.erase(n);
    stack_.Remove(n);
    apartCuts_.erase(n);
    ApplyShape();
    NoteChanged();
}

void FloaterHost::InvalidateFrame() {
    InvalidateRectOf(hwnd(), FrameBounds(paintedFrame_, paintedFrameWidth_));
    paintedFrame_ = book_.frame;
    paintedFrameWidth_ = book_.sizes.frameWidth;
    InvalidateRectOf(hwnd(), FrameBounds(paintedFrame_, paintedFrameWidth_));
    ApplyShape();
}

// A region rather than a colour key hides the background: the system then
// knows the host's shape for every click, and draws and sends to the screen
// only the parts (under Wine a colour key has every repaint scan and send
// the whole screen-sized window, tens of milliseconds at 4K).
void FloaterHost::ApplyShape() {
    Rect icon{};
    if (dropIcon_.hwnd()) {
        RECT rc{};
        ::GetWindowRect(dropIcon_.hwnd(), &rc);
        ::MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&rc), 2);
        icon = Rect::fromEdges(rc.left, rc.top, rc.right, rc.bottom);
    }
    ApplyApartCuts(icon);
    std::vector<Rect> parts = HostShape(book_, icon, screen_, frameWaits_, FloatersApart());
    if (shape_ == parts) return;
    const Rect whole{0, 0, screen_.width, screen_.height};
    unique_hrgn region = RegionOf(parts), shown = RegionOf(parts);
    if (!region || !shown) return;
    // Unshaped when the whole host shows. The system owns the region once set.
    if (!::SetWindowRgn(hwnd(), parts == std::vector<Rect>{whole} ? nullptr : region.get(), FALSE)) return;
    region.release();
    // Only what the region newly takes in is painted (a redraw by the system
    // would repaint every Floater at each step of a drag).
    if (shape_) {
        const unique_hrgn before = RegionOf(*shape_);
        if (!before || ::CombineRgn(shown.get(), shown.get(), before.get(), RGN_DIFF) == ERROR) shown.reset();
    }
    ::RedrawWindow(hwnd(), nullptr, shown.get(), RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    shape_ = std::move(parts);
}

void FloaterHost::OnFlashTick() {
    if (book_.FlashTick().hide) ::KillTimer(hwnd(), kFlashTimer);
    InvalidateFrame();
}

void FloaterHost::OnPaint() {
    // The pictures waiting for a paint go first. Under Wine the host's
    // pixels reach the screen as one rectangle around all it drew: a frame
    // drawn round a Floater not yet painted put that Floater's unpainted
    // (black) pixels on the screen for a moment, a blink on every pin.
    for (const auto& [n, picture] : pictures_)
        if (::GetUpdateRect(picture->hwnd(), nullptr, FALSE)) ::UpdateWindow(picture->hwnd());
    PaintDc dc(hwnd());
    // The background shows only in translucent mode; otherwise the region
    // leaves it out, and filling it would only touch memory.
    if (!book_.layerMode().colourKey) ::FillRect(dc.get(), &dc.area(), keyBrush_.get());
    if (!book_.frameVisible) return;
    unique_hbrush brush(::CreateSolidBrush(ToColorRef(book_.frameColour)));
    for (const Rect& strip : FrameRing(book_.frame, book_.sizes.frameWidth)) {
        if (strip.empty()) continue;
        const RECT rc = ToRECT(strip);
        ::FillRect(dc.get(), &rc, brush.get());
    }
}

LRESULT FloaterHost::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (IsStartCaptureMessage(msg)) return events_.OnStartCaptureAsked();
    switch (msg) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_ERASEBKGND: return 1;
        // The host stays over the screen at its true pixels: Windows'
        // suggested rectangle is not taken.
        case WM_DPICHANGED: SetDpi(DpiFromMessage(wp)); return 0;
        case WM_TIMER:
            if (wp == kFlashTimer) OnFlashTick();
            else if (wp == kKeeperTimer) OnKeeperTick();
            else if (wp == kPromiseTimer) {
                ::KillTimer(hwnd(), kPromiseTimer);
                KeepPromise(PromiseMoment::Now);
            } else if (wp == kBadgeTimer) HideBadges();
            return 0;
        case WM_MOUSEWHEEL: OnFloaterWheel(wp, lp); return 0;
        // With no window focused the system gives the active window its keys
        // as system keys: the Floaters' keys act either way.
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (OnFloaterKey(wp, lp)) return 0;
            return Default(msg, wp, lp);
        // A monitor added, removed or moved: no Floater may be left where no
        // monitor shows it.
        case WM_DISPLAYCHANGE: FollowDisplays(); return 0;
        // The pin's promised copy (PromiseBitmapOnClipboard).
        case WM_RENDERFORMAT:
            if (wp == CF_BITMAP || wp == PngClipboardFormat()) KeepPromise(PromiseMoment::Asked, static_cast<UINT>(wp));
            return 0;
        case WM_RENDERALLFORMATS: KeepPromise(PromiseMoment::Last); return 0;
        case WM_DESTROYCLIPBOARD: DropPromise(); return 0;
        case WM_CLOSE:
            // Only "Quit" unloads the host; Alt+F4 and the like hide it.
            Hide();
            return 0;
        default: return Default(msg, wp, lp);
    }
}

}  // namespace vellumo::win

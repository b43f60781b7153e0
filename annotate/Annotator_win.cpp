#include "annotate/Annotator_win.h"

#include <commdlg.h>
#include <windowsx.h>

#include <cmath>
#include <string>

#include "annotate/Palette_win.h"
#include "gfx/Convert_win.h"
#include "gfx/SystemProc_win.h"

namespace vellumo::win {

namespace {
constexpr COLORREF kEraserCircle = RGB(128, 128, 128);
// A click without a drag still opens a box one can type in.
constexpr Size kMinTextBox{80, 22};

int Rounded(float v) { return static_cast<int>(std::lround(v)); }

using ChooseColorFn = BOOL(WINAPI*)(LPCHOOSECOLORW);
using ChooseFontFn = BOOL(WINAPI*)(LPCHOOSEFONTW);
}  // namespace

Annotator::Annotator() {
    // The overlay's text font: Microsoft YaHei 9 pt, regular.
    font_.lfHeight = -12;
    font_.lfWeight = FW_NORMAL;
    font_.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(font_.lfFaceName, L"微软雅黑", LF_FACESIZE);
    hfont_.reset(::CreateFontIndirectW(&font_));
}

Annotator::~Annotator() = default;

// Each InvalidateRect is a round trip to the window server under Wine; the
// areas of one event are gathered in a region and invalidated once.
void Annotator::Invalidate(const Rect& r) const {
    if (r.empty()) return;
    unique_hrgn add(::CreateRectRgn(r.left, r.top, r.right(), r.bottom()));
    if (!pending_) pending_ = std::move(add);
    else ::CombineRgn(pending_.get(), pending_.get(), add.get(), RGN_OR);
}

Annotator::Repaint::~Repaint() {
    if (!owner.pending_) return;
    ::InvalidateRgn(window, owner.pending_.get(), FALSE);
    owner.pending_.reset();
}

void Annotator::Drawn(Canvas& c, const Rect& r) const {
    if (r.empty()) return;
    c.surface.MarkDrawn(r);
    Invalidate(r);
}

// Only the outline's pixels are repainted, so a large rubber band moves as
// cheaply as a small one.
void Annotator::InvalidatePreview() const {
    if (sapShape_ == Shape::Oval) {
        for (const Rect& piece : OvalOutlinePieces(shapePreview_, sapWidth_)) Invalidate(piece);
    } else if (sapShape_ == Shape::Rectangle) {
        const Rect r = Inflate(shapePreview_, 1);
        const int t = std::max(sapWidth_, 1) + 2;
        Invalidate({r.left, r.top, r.width, t});
        Invalidate({r.left, r.bottom() - t, r.width, t});
        Invalidate({r.left, r.top, t, r.height});
        Invalidate({r.right() - t, r.top, t, r.height});
    }
    if (arrVisible_)
        for (const Rect& piece : LinePieces(arrA_, arrB_, arrWidth_ + 2)) Invalidate(piece);
}

void Annotator::MovePreview(Shape shape, const Rect& r, COLORREF colour, int width) {
    InvalidatePreview();
    sapShape_ = shape;
    shapePreview_ = r;
    sapColour_ = colour;
    sapWidth_ = width;
    InvalidatePreview();
}

void Annotator::HidePreview() {
    InvalidatePreview();
    sapShape_ = Shape::None;
}

void Annotator::MoveArrow(Point a, Point b) {
    InvalidatePreview();
    arrVisible_ = true;
    arrA_ = a;
    arrB_ = b;
    InvalidatePreview();
}

void Annotator::HideArrow() {
    InvalidatePreview();
    arrVisible_ = false;
}

void Annotator::MouseDown(Canvas& c, Tool tool, Point p, const StrokeStyle& style) {
    Repaint repaint{*this, c.window};
    const COLORREF rgb = ResolvedColorRef(colour_);
    const Rgb16 split = SplitColor(rgb);
    const uint32_t argb = MakeArgb(Rounded(style.alpha), split.r, split.g, split.b);
    toolPen_ = MakeToolPen(argb, style.width, tool == Tool::Arrow);
    penWidth_ = style.width;
    const int shown = Rounded(style.width);
    switch (tool) {
        case Tool::Rectangle:
        case Tool::Text:
            MovePreview(Shape::Rectangle, {p.x, p.y, shapePreview_.width, shapePreview_.height}, rgb, shown);
            break;
        case Tool::Ellipse:
            MovePreview(Shape::Oval, {p.x, p.y, shapePreview_.width, shapePreview_.height}, rgb, shown);
            break;
        case Tool::Arrow:
            arrColour_ = rgb;
            arrWidth_ = shown;
            MoveArrow(p, p);
            break;
        case Tool::Eraser: {
            toolPen_.reset();
            const Point at{ClampToSelectionX(p.x, c.frame), ClampToSelectionY(p.y, c.frame)};
            Rect touched;
            // One stroke, press to release, is one step of the undo history.
            c.surface.BeforeMark(EraserStroke::DabBounds(at, style.width));
            if (eraser_.Begin(c.graphics, c.surface.frozenScreen(), style.width, at, &touched)) Drawn(c, touched);
            const int w = Rounded(style.width);
            MovePreview(Shape::Oval, {p.x - w / 2, p.y - w / 2, w, w}, kEraserCircle, 1);
            break;
        }
        case Tool::None: break;
    }
    strokeStart_ = p;
}

void Annotator::MouseMove(Canvas& c, Tool tool, Point p, bool leftHeld) {
    Repaint repaint{*this, c.window};
    if (tool == Tool::Eraser && sapShape_ != Shape::None)
        MovePreview(sapShape_, {p.x - shapePreview_.width / 2, p.y - shapePreview_.height / 2, shapePreview_.width, shapePreview_.height},
                    sapColour_, sapWidth_);
    if (!leftHeld) return;
    const Point to{ClampToSelectionX(p.x, c.frame), ClampToSelectionY(p.y, c.frame)};
    switch (tool) {
        case Tool::Rectangle:
        case Tool::Ellipse:
        case Tool::Text:
            if (sapShape_ != Shape::None) MovePreview(sapShape_, RubberBand(strokeStart_, to), sapColour_, sapWidth_);
            break;
        case Tool::Arrow:
            if (arrVisible_) MoveArrow(arrA_, to);
            break;
        case Tool::Eraser:
            if (!eraser_.active()) break;
            c.surface.BeforeMark(eraser_.LineBounds(to));
            Drawn(c, eraser_.LineTo(to));
            break;
        case Tool::None: break;
    }
}

void Annotator::ShowEraserCircle(Canvas& c, Point p, float width) {
    Repaint repaint{*this, c.window};
    const int w = Rounded(width);
    MovePreview(Shape::Oval, {p.x - w / 2, p.y - w / 2, w, w}, kEraserCircle, 1);
}

void Annotator::MouseUp(Canvas& c, Tool tool) {
    Repaint repaint{*this, c.window};
    const Rect box = shapePreview_;
    switch (tool) {
        case Tool::Rectangle:
            HidePreview();
            c.surface.BeforeMark(OutlineMarkBounds(box, penWidth_));
            Drawn(c, DrawRectangleMark(c.graphics, toolPen_.get(), box, penWidth_));
            break;
        case Tool::Ellipse:
            HidePreview();
            c.surface.BeforeMark(OutlineMarkBounds(box, penWidth_));
            Drawn(c, DrawEllipseMark(c.graphics, toolPen_.get(), box, penWidth_));
            break;
        case Tool::Text:
            if (sapShape_ == Shape::None) break;
            HidePreview();
            printPos_ = {box.left, box.top};
            EnsureTextBox(c.window);
            if (textBox_) {
                ::SetWindowPos(textBox_, HWND_TOP, box.left, box.top, std::max(box.width, kMinTextBox.width),
                               std::max(box.height, kMinTextBox.height), SWP_SHOWWINDOW);
                ::SetFocus(textBox_);
                // The previous text stays, the caret after it and nothing
                // selected: the first key adds to it rather than replacing it.
                const int end = ::GetWindowTextLengthW(textBox_);
                ::SendMessageW(textBox_, EM_SETSEL, end, end);
            }
            break;
        case Tool::Arrow:
            if (!arrVisible_) break;
            HideArrow();
            c.surface.BeforeMark(ArrowMarkBounds(arrA_, arrB_, penWidth_));
            Drawn(c, DrawArrowMark(c.graphics, toolPen_.get(), arrA_, arrB_, penWidth_));
            break;
        case Tool::Eraser: eraser_.End(); break;
        case Tool::None: break;
    }
    toolPen_.reset();
    c.surface.EndMark();
}

void Annotator::EnsureTextBox(HWND overlay) {
    if (textBox_) return;
    textBox_ = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, 0, 0, kMinTextBox.width,
                           kMinTextBox.height, overlay, nullptr, Instance(), nullptr);
    if (!textBox_) return;
    ::SetWindowLongPtrW(textBox_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    textBoxDefault_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(textBox_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Annotator::TextBoxProc)));
    ApplyFont();
}

void Annotator::ApplyFont() {
    if (textBox_ && hfont_) ::SendMessageW(textBox_, WM_SETFONT, reinterpret_cast<WPARAM>(hfont_.get()), TRUE);
}

// textBox_: Enter commits the text, and a drag with the left button moves the box
// (the text goes where the box is).
LRESULT CALLBACK Annotator::TextBoxProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<Annotator*>(::GetWindowLongPtrW(w, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(w, msg, wp, lp);
    const WNDPROC base = self->textBoxDefault_;
    switch (msg) {
        case WM_KEYDOWN:
            if (wp == VK_RETURN) {
                ::PostMessageW(::GetParent(w), WM_COMMITTEXT, 0, 0);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wp == L'\r') return 0;  // no beep for the Enter that committed
            break;
        case WM_LBUTTONDOWN: self->grabOffset_ = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; break;
        case WM_MOUSEMOVE:
            if (wp & MK_LBUTTON) {
                RECT r;
                ::GetWindowRect(w, &r);
                POINT topLeft{r.left, r.top};
                ::ScreenToClient(::GetParent(w), &topLeft);
                const int x = topLeft.x + GET_X_LPARAM(lp) - self->grabOffset_.x;
                const int y = topLeft.y + GET_Y_LPARAM(lp) - self->grabOffset_.y;
                ::SetWindowPos(w, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                self->printPos_ = {x, y};
            }
            break;
        default: break;
    }
    return ::CallWindowProcW(base, w, msg, wp, lp);
}

void Annotator::CommitText(Canvas& c) {
    Repaint repaint{*this, c.window};
    if (!textBox_ || !::IsWindowVisible(textBox_)) return;
    const int len = ::GetWindowTextLengthW(textBox_);
    std::wstring text(static_cast<std::size_t>(len) + 1, L'\0');
    ::GetWindowTextW(textBox_, text.data(), len + 1);
    text.resize(static_cast<std::size_t>(len));
    ::ShowWindow(textBox_, SW_HIDE);
    ::SetFocus(c.window);
    const Dib& surface = c.surface.surface();
    if (text.empty() || surface.empty()) return;
    // Printed like the form's Print: not clipped to the selection.
    const HDC dc = surface.dc();
    Selected useFont(dc, hfont_ ? static_cast<HGDIOBJ>(hfont_.get()) : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ResolvedColorRef(colour_));
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.c_str(), len, &extent);
    // Italic overhang (up to about half the height in a steep italic) and
    // anti-aliasing reach past the extent; what lies outside this box would
    // be left behind by an undo.
    const int overhang = extent.cy / 2 + 4;
    const Rect touched{printPos_.x - overhang, printPos_.y - 4, extent.cx + 2 * overhang, extent.cy + 8};
    c.surface.BeforeMark(touched);
    ::TextOutW(dc, printPos_.x, printPos_.y, text.c_str(), len);
    ::GdiFlush();
    c.surface.EndMark();
    Drawn(c, touched);
}

void Annotator::Discard(HWND window) {
    Repaint repaint{*this, window};
    HidePreview();
    HideArrow();
    eraser_.End();
    toolPen_.reset();
    if (textBox_) ::ShowWindow(textBox_, SW_HIDE);
}

void Annotator::SetColour(OleColor c) {
    colour_ = c;
    if (textBox_) ::InvalidateRect(textBox_, nullptr, TRUE);
}

bool Annotator::AskColour(HWND owner) {
    static const auto chooseColor = SystemProc<ChooseColorFn>(L"comdlg32.dll", "ChooseColorW");
    if (!chooseColor) return false;
    static COLORREF custom[16] = {};
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = owner;
    cc.rgbResult = ResolvedColorRef(colour_);
    cc.lpCustColors = custom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!chooseColor(&cc)) return false;  // cancelled: the colour stays
    SetColour(cc.rgbResult);
    return true;
}

bool Annotator::AskFont(HWND owner) {
    static const auto chooseFont = SystemProc<ChooseFontFn>(L"comdlg32.dll", "ChooseFontW");
    if (!chooseFont) return false;
    LOGFONTW lf = font_;
    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof(cf);
    cf.hwndOwner = owner;
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
    cf.rgbColors = ResolvedColorRef(colour_);
    if (!chooseFont(&cf)) return false;  // cancelled: the font stays
    unique_hfont made(::CreateFontIndirectW(&lf));
    if (!made) return false;
    font_ = lf;
    hfont_ = std::move(made);
    ApplyFont();
    return true;
}

void Annotator::PaintPreviews(HDC dc) const {
    if (sapShape_ != Shape::None) {
        // The preview shows the colour opaque and the width rounded.
        unique_hpen pen(::CreatePen(PS_INSIDEFRAME, std::max(sapWidth_, 1), sapColour_));
        Selected usePen(dc, pen.get());
        Selected noFill(dc, ::GetStockObject(NULL_BRUSH));
        if (sapShape_ == Shape::Rectangle) {
            ::Rectangle(dc, shapePreview_.left, shapePreview_.top, shapePreview_.right(), shapePreview_.bottom());
        } else if (sapWidth_ <= 1) {
            ::Ellipse(dc, shapePreview_.left, shapePreview_.top, shapePreview_.right(), shapePreview_.bottom());
        } else {
            // A wide pen on an ellipse is very slow on some GDIs (Wine: 48 ms for
            // a large one); the ring between two elliptic regions looks the same.
            const Rect inner = Inflate(shapePreview_, -sapWidth_);
            unique_hrgn ring(::CreateEllipticRgn(shapePreview_.left, shapePreview_.top, shapePreview_.right() + 1, shapePreview_.bottom() + 1));
            if (!inner.empty()) {
                unique_hrgn hole(::CreateEllipticRgn(inner.left, inner.top, inner.right() + 1, inner.bottom() + 1));
                ::CombineRgn(ring.get(), ring.get(), hole.get(), RGN_DIFF);
            }
            unique_hbrush fill(::CreateSolidBrush(sapColour_));
            ::FillRgn(dc, ring.get(), fill.get());
        }
    }
    if (arrVisible_) {
        unique_hpen pen(::CreatePen(PS_SOLID, std::max(arrWidth_, 1), arrColour_));
        Selected usePen(dc, pen.get());
        ::MoveToEx(dc, arrA_.x, arrA_.y, nullptr);
        ::LineTo(dc, arrB_.x, arrB_.y);
    }
}

HBRUSH Annotator::ColourEdit(HWND edit, HDC dc) const {
    if (edit != textBox_) return nullptr;
    ::SetTextColor(dc, ResolvedColorRef(colour_));
    ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    return ::GetSysColorBrush(COLOR_WINDOW);
}

}  // namespace vellumo::win

#include "annotate/Annotator_win.h"

#include <commdlg.h>
#include <windowsx.h>

#include <cmath>
#include <string>

#include "annotate/Palette_win.h"
#include "gfx/Convert_win.h"
#include "gfx/HelperThread_win.h"
#include "gfx/Region_win.h"
#include "gfx/SystemProc_win.h"

namespace vellumo::win {

namespace {
int Rounded(float v) { return static_cast<int>(std::lround(v)); }

using ChooseColorFn = BOOL(WINAPI*)(LPCHOOSECOLORW);
using ChooseFontFn = BOOL(WINAPI*)(LPCHOOSEFONTW);
}  // namespace

Annotator::Annotator(Events events) : events_(std::move(events)) {
    // The overlay's text font: Microsoft YaHei 9 pt, regular.
    font_.lfHeight = -12;
    font_.lfWeight = FW_NORMAL;
    font_.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(font_.lfFaceName, L"微软雅黑", LF_FACESIZE);
    hfont_.reset(::CreateFontIndirectW(&font_));
}

Annotator::~Annotator() = default;

// Each InvalidateRect is a round trip to the window server under Wine; the
// areas of one event are gathered and invalidated once, as one region.
void Annotator::Invalidate(const Rect& r) const {
    if (!r.empty()) pending_.push_back(r);
}

Annotator::Repaint::~Repaint() {
    InvalidateParts(window, owner.pending_);
    owner.pending_.clear();
}

void Annotator::Drawn(Canvas& c, const Rect& r) const {
    if (r.empty()) return;
    c.surface.MarkDrawn(r);
    Invalidate(r);
}

void Annotator::InvalidatePreview() const {
    for (const Rect& piece : mark_.RepaintPieces()) Invalidate(piece);
}

class Annotator::Target final : public MarkTarget {
public:
    Target(const Annotator& owner, Canvas& c) : owner_(owner), c_(c) {}
    PixelPlane SurfacePixels() override { return Plane(c_.surface.surface()); }
    PixelPlane CleanPixels() override { return Plane(c_.surface.frozenScreen()); }
    void BeforeMark(const Rect& box) override { c_.surface.BeforeMark(box); }
    void Painted(const Rect& r) override { owner_.Drawn(c_, r); }
    std::size_t MarksApplied() const override { return c_.surface.MarksApplied(); }
    SideBySide Cores() const override { return OnTheCores(); }

private:
    static PixelPlane Plane(const Dib& dib) {
        if (dib.empty()) return {};
        // GDI and GDI+ may still be writing into the DIB.
        ::GdiFlush();
        return dib.plane();
    }
    const Annotator& owner_;
    Canvas& c_;
};

namespace {
bool ShiftHeld() { return ::GetKeyState(VK_SHIFT) < 0; }
}  // namespace

// Each handler repaints what the previews covered before and what they cover
// after; the two are gathered into one invalidation (Repaint).
void Annotator::MouseDown(Canvas& c, Tool tool, Point p, const StrokeStyle& style) {
    Repaint repaint{*this, c.window};
    InvalidatePreview();
    const COLORREF rgb = ResolvedColorRef(colour_);
    const Rgb16 split = SplitColor(rgb);
    pressArgb_ = MakeArgb(Rounded(style.alpha), split.r, split.g, split.b);
    Target target(*this, c);
    mark_.Press(tool, p, style.width, rgb, c.frame, style.alpha, ShiftHeld(), &target);
    InvalidatePreview();
}

void Annotator::MouseMove(Canvas& c, Tool tool, Point p, bool leftHeld) {
    Repaint repaint{*this, c.window};
    InvalidatePreview();
    Target target(*this, c);
    mark_.Move(tool, p, leftHeld, c.frame, ShiftHeld(), &target);
    InvalidatePreview();
}

void Annotator::ToolChosen(Canvas& c, Tool tool, Point p, float width) {
    Repaint repaint{*this, c.window};
    InvalidatePreview();
    mark_.Chosen(tool, p, width);
    InvalidatePreview();
}

void Annotator::MouseUp(Canvas& c, Tool tool) {
    Repaint repaint{*this, c.window};
    InvalidatePreview();
    Target target(*this, c);
    DrawCommitted(c, mark_.Release(tool, &target));
    pressArgb_.reset();
    c.surface.EndMark();
}

// The marks GDI+ and GDI draw; the pixel tools have painted already.
void Annotator::DrawCommitted(Canvas& c, const Released& r) {
    // No pen without a press first: a release alone draws nothing.
    const auto pen = [&](bool arrowHead) {
        return pressArgb_ ? MakeToolPen(*pressArgb_, r.penWidth, arrowHead) : unique_gp_pen{};
    };
    switch (r.what) {
        case Commit::Rectangle:
            c.surface.BeforeMark(OutlineMarkBounds(r.box, r.penWidth));
            Drawn(c, DrawRectangleMark(c.graphics, pen(false).get(), r.box, r.penWidth));
            break;
        case Commit::Ellipse:
            c.surface.BeforeMark(OutlineMarkBounds(r.box, r.penWidth));
            Drawn(c, DrawEllipseMark(c.graphics, pen(false).get(), r.box, r.penWidth));
            break;
        case Commit::Arrow:
            c.surface.BeforeMark(ArrowMarkBounds(r.from, r.to, r.penWidth));
            Drawn(c, DrawArrowMark(c.graphics, pen(true).get(), r.from, r.to, r.penWidth));
            break;
        case Commit::OpenTextBox:
            EnsureTextBox(c.window);
            textOnPlate_ = r.onPlate;
            if (textBox_) OpenTextBox(r.box);
            break;
        case Commit::Label:
            c.surface.BeforeMark(Inflate(r.label.box, 2));
            Drawn(c, DrawLabelMark(c.surface.surface().dc(), r.label, c.frame));
            break;
        case Commit::EndEraser:
        case Commit::Nothing: break;
    }
}

void Annotator::OpenTextBox(const Rect& frame) {
    const Rect box = mark_.OpenTextBox(frame);
    ::SetWindowPos(textBox_, HWND_TOP, box.left, box.top, box.width, box.height, SWP_SHOWWINDOW);
    ::SetFocus(textBox_);
    // The previous text stays, the caret after it and nothing selected: the
    // first key adds to it rather than replacing it.
    const int end = ::GetWindowTextLengthW(textBox_);
    ::SendMessageW(textBox_, EM_SETSEL, end, end);
}

void Annotator::EnsureTextBox(HWND overlay) {
    if (textBox_) return;
    textBox_ = LogIfNull(::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, 0, 0,
                                           kMinTextBox.width, kMinTextBox.height, overlay, nullptr, Instance(), nullptr),
                         L"CreateWindowExW(EDIT)");
    if (!textBox_) return;
    textBoxHook_.Install(textBox_, [this](UINT msg, WPARAM wp, LPARAM lp) { return OnTextBoxMessage(msg, wp, lp); });
    ApplyFont();
}

void Annotator::ApplyFont() {
    if (textBox_ && hfont_) ::SendMessageW(textBox_, WM_SETFONT, reinterpret_cast<WPARAM>(hfont_.get()), TRUE);
}

// textBox_: Enter prints the text, and a drag with the left button moves the
// box (the text goes where the box is).
LRESULT Annotator::OnTextBoxMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_KEYDOWN:
            if (wp == VK_RETURN) {
                if (events_.textEntered) events_.textEntered();
                return 0;
            }
            break;
        case WM_CHAR:
            if (wp == L'\r') return 0;  // no beep for the Enter that committed
            break;
        case WM_LBUTTONDOWN: mark_.GrabTextBox({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}); break;
        case WM_MOUSEMOVE:
            if (wp & MK_LBUTTON) {
                RECT r;
                ::GetWindowRect(textBox_, &r);
                POINT topLeft{r.left, r.top};
                ::ScreenToClient(::GetParent(textBox_), &topLeft);
                const Point to = mark_.DragTextBox({topLeft.x, topLeft.y}, {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
                ::SetWindowPos(textBox_, nullptr, to.x, to.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            break;
        default: break;
    }
    return textBoxHook_.CallPrevious(msg, wp, lp);
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
    const std::optional<Point> at = mark_.CloseTextBox(text);
    const Dib& surface = c.surface.surface();
    if (!at || surface.empty()) return;
    // Printed like the form's Print: not clipped to the selection.
    const HDC dc = surface.dc();
    Selected useFont(dc, hfont_ ? static_cast<HGDIOBJ>(hfont_.get()) : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ResolvedColorRef(colour_));
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.c_str(), len, &extent);
    Rect touched = MarkInProgress::TextBounds(*at, {extent.cx, extent.cy});
    if (textOnPlate_) {
        const Rect plate = MarkInProgress::PlateFor(*at, {extent.cx, extent.cy});
        touched = Union(touched, plate);
        unique_hbrush fill(::CreateSolidBrush(ResolvedColorRef(colour_)));
        const RECT rc = ToRECT(plate);
        ::FillRect(dc, &rc, fill.get());
        ::SetTextColor(dc, ContrastingInk(ResolvedColorRef(colour_)));
    }
    c.surface.BeforeMark(touched);
    ::TextOutW(dc, at->x, at->y, text.c_str(), len);
    ::GdiFlush();
    c.surface.EndMark();
    Drawn(c, touched);
}

void Annotator::Discard(HWND window) {
    Repaint repaint{*this, window};
    InvalidatePreview();
    mark_.Discard();
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
    // A paint elsewhere (a one-pixel repaint, the frame) leaves the previews
    // alone: an oval's ring alone costs two elliptic regions per paint.
    RECT clipRc;
    const bool clipped = ::GetClipBox(dc, &clipRc) != ERROR;
    const Rect clip = FromRECT(clipRc);
    const auto reaches = [&](const Rect& r) { return !clipped || !Intersect(clip, r).empty(); };
    const MarkInProgress::ShapePreview& shape = mark_.shape();
    if (shape.shape != MarkInProgress::Shape::None && reaches(OutlineBounds(shape.box, shape.width))) {
        const Rect& box = shape.box;
        // The preview shows the colour opaque and the width rounded.
        unique_hpen pen(::CreatePen(PS_INSIDEFRAME, std::max(shape.width, 1), shape.colour));
        Selected usePen(dc, pen.get());
        Selected noFill(dc, ::GetStockObject(NULL_BRUSH));
        if (shape.shape == MarkInProgress::Shape::Rectangle) {
            ::Rectangle(dc, box.left, box.top, box.right(), box.bottom());
        } else if (shape.width <= 1) {
            ::Ellipse(dc, box.left, box.top, box.right(), box.bottom());
        } else {
            // A wide pen on an ellipse is very slow on some GDIs (Wine: 48 ms for
            // a large one); the ring between two elliptic regions looks the same.
            const Rect inner = Inflate(box, -shape.width);
            unique_hrgn ring(::CreateEllipticRgn(box.left, box.top, box.right() + 1, box.bottom() + 1));
            if (!inner.empty()) {
                unique_hrgn hole(::CreateEllipticRgn(inner.left, inner.top, inner.right() + 1, inner.bottom() + 1));
                ::CombineRgn(ring.get(), ring.get(), hole.get(), RGN_DIFF);
            }
            unique_hbrush fill(::CreateSolidBrush(shape.colour));
            ::FillRgn(dc, ring.get(), fill.get());
        }
    }
    const MarkInProgress::ArrowPreview& arrow = mark_.arrow();
    if (arrow.visible && reaches(LineBounds(arrow.from, arrow.to, arrow.width))) {
        unique_hpen pen(::CreatePen(PS_SOLID, std::max(arrow.width, 1), arrow.colour));
        Selected usePen(dc, pen.get());
        ::MoveToEx(dc, arrow.from.x, arrow.from.y, nullptr);
        ::LineTo(dc, arrow.to.x, arrow.to.y);
    }
}

HBRUSH Annotator::ColourEdit(HWND edit, HDC dc) const {
    if (edit != textBox_) return nullptr;
    ::SetTextColor(dc, ResolvedColorRef(colour_));
    ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    return ::GetSysColorBrush(COLOR_WINDOW);
}

}  // namespace vellumo::win

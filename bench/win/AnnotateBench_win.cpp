// One pointer move of the annotation tools, through the overlay's own tool
// code and repainted on a visible screen-sized window the way the overlay
// repaints (the invalidated part of the surface, then the previews), beside
// the floor: the least any repaint costs there, one pixel invalidated and
// painted (a full-screen BitBlt is printed for scale).
//
// Each figure's sample is followed at once by one sample of its floor, and
// the ratio is of the two medians of those pairs. Under Wine every repaint is
// a few round trips to the wineserver, and on a shared two-core machine a
// round trip costs either ~5 us or ~50 us for stretches of a second or more
// (whether the server's core has to be woken); a floor timed apart from its
// figure could land in the other stretch, which swung the ratio from 0.5 to 11.
// Figures: the rubber bands of the rectangle, ellipse and arrow while they are
// dragged, and the eraser while it draws. Each sequence's result is checked
// afterwards (no trail left by a moving preview; the erased pixels are the
// clean frozen screen); a sequence that fails its check gets no figure.
//
//   annotatebench.exe [WIDTH HEIGHT]   (default: the screen's size)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "annotate/Annotator_win.h"
#include "annotate/Tool.h"
#include "annotate/Marks_win.h"
#include "bench/Report.h"
#include "bench/Stats.h"
#include "bench/win/Clock_win.h"
#include "gfx/GdiPlus_win.h"
#include "gfx/Region_win.h"
#include "overlay/Surface_win.h"

namespace {

using namespace vellumo;
using namespace vellumo::bench;
using namespace vellumo::win;

// Every channel varies from pixel to pixel, so an eraser painting back the
// wrong place cannot pass the check.
void FillPattern(Dib& d) {
    std::uint32_t* p = d.bits();
    for (int y = 0; y < d.height(); ++y)
        for (int x = 0; x < d.width(); ++x) {
            std::uint32_t h = std::uint32_t(x) * 0x9E3779B1u ^ std::uint32_t(y) * 0x85EBCA77u;
            h ^= h >> 15;
            h *= 0x2C1B3C6Du;
            *p++ = (std::uint32_t(x * 255 / d.width()) << 16) | (std::uint32_t(y * 255 / d.height()) << 8) | (h >> 24);
        }
}

// The overlay's stand-in: a screen-sized window showing the surface with the
// previews over it, painted as CaptureOverlay paints.
struct Stage {
    OverlaySurface surface;
    Annotator tools;
    unique_gp_graphics graphics;
    unique_gp_path clipPath;
    HWND window = nullptr;
    Rect sqr;

    Canvas MakeCanvas() { return Canvas{window, graphics.get(), surface, sqr}; }

    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<Stage*>(::GetWindowLongPtrW(w, GWLP_USERDATA));
        if (msg == WM_PAINT && self) {
            PaintDc dc(w);
            const RECT& rc = dc.area();
            ::BitBlt(dc.get(), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                     self->surface.surface().dc(), rc.left, rc.top, SRCCOPY);
            self->tools.PaintPreviews(dc.get());
            return 0;
        }
        if (msg == WM_ERASEBKGND) return 1;
        return ::DefWindowProcW(w, msg, wp, lp);
    }

    bool Open(const Dib& screen) {
        if (!surface.FreezeFrom(screen)) return false;
        const int w = screen.width(), h = screen.height();
        sqr = {w / 5, h / 5, w * 3 / 5, h * 3 / 5};
        surface.RedrawDimming(sqr);
        const GdiPlusApi& gp = GdiPlus();
        gp::GpGraphics* g = nullptr;
        if (gp.GdipCreateFromHDC(surface.surface().dc(), &g) != gp::Ok) return false;
        graphics.reset(g);
        gp::GpPath* path = nullptr;
        if (gp.GdipCreatePath(gp::FillModeWinding, &path) != gp::Ok) return false;
        clipPath.reset(path);
        ClipToSelection(graphics.get(), clipPath.get(), sqr);

        WNDCLASSW wc{};
        wc.lpfnWndProc = &Stage::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VellumoAnnotateBench";
        ::RegisterClassW(&wc);
        window = ::CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"annotatebench", WS_POPUP, 0, 0, w, h,
                                   nullptr, nullptr, wc.hInstance, nullptr);
        if (!window) return false;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ::ShowWindow(window, SW_SHOWNOACTIVATE);
        ::UpdateWindow(window);
        Pump();
        return true;
    }

    ~Stage() {
        if (window) ::DestroyWindow(window);
    }

    static void Pump() {
        MSG m;
        while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&m);
    }

    // The floor: one pixel (outside the selection) invalidated, painted and flushed.
    double OnePixelRepaint(const Clock& clock) {
        static constexpr RECT kPixel{10, 10, 11, 11};
        const LONGLONG t0 = clock.Now();
        ::InvalidateRect(window, &kPixel, FALSE);
        ::UpdateWindow(window);
        ::GdiFlush();
        return clock.Ms(t0, clock.Now());
    }

    // One pointer move as the overlay handles it, with its repaint.
    double Move(const Clock& clock, Tool tool, Point p) {
        Canvas c = MakeCanvas();
        const LONGLONG t0 = clock.Now();
        tools.MouseMove(c, tool, p, true);
        ::UpdateWindow(window);
        ::GdiFlush();
        return clock.Ms(t0, clock.Now());
    }

    // One undo or redo as the overlay does it on Ctrl+Z or Ctrl+Y: the
    // surface's pixels put back, and the area repainted.
    // Nothing when there was no step to take.
    std::optional<double> Step(const Clock& clock, bool redo) {
        const LONGLONG t0 = clock.Now();
        const std::vector<Rect> pieces = redo ? surface.RedoMark() : surface.UndoMark();
        if (pieces.empty()) return std::nullopt;
        InvalidateParts(window, pieces);
        ::UpdateWindow(window);
        ::GdiFlush();
        return clock.Ms(t0, clock.Now());
    }
    std::vector<std::uint32_t> Pixels() const {
        ::GdiFlush();
        const std::uint32_t* p = surface.surface().bits();
        return {p, p + std::size_t(surface.size().width) * surface.size().height};
    }

    COLORREF Shown(int x, int y) {
        const HDC dc = ::GetDC(window);
        const COLORREF c = ::GetPixel(dc, x, y);
        ::ReleaseDC(window, dc);
        return c;
    }
    COLORREF OnSurface(int x, int y) const { return RgbOf(surface.surface().bits()[std::size_t(y) * surface.size().width + x]); }
    COLORREF Clean(int x, int y) const { return RgbOf(surface.frozenScreen().bits()[std::size_t(y) * surface.size().width + x]); }
    static COLORREF RgbOf(std::uint32_t p) { return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255); }
};

// Undo and redo rewrite a mark's box, not one pixel: they are held to a
// full-screen BitBlt instead.
double FullScreenBitBlt(const Clock& clock, const Dib& from, const Dib& to) {
    const LONGLONG t0 = clock.Now();
    ::BitBlt(to.dc(), 0, 0, to.width(), to.height(), from.dc(), 0, 0, SRCCOPY);
    ::GdiFlush();
    return clock.Ms(t0, clock.Now());
}

// The whole window repainted from the surface, for scale.
std::vector<double> TimeWholeRepaint(const Clock& clock, HWND window, int calls) {
    std::vector<double> ms;
    for (int i = 0; i < calls; ++i) {
        const LONGLONG t0 = clock.Now();
        ::InvalidateRect(window, nullptr, FALSE);
        ::UpdateWindow(window);
        ::GdiFlush();
        ms.push_back(clock.Ms(t0, clock.Now()));
    }
    return ms;
}

struct Figure {
    std::string name;
    Summary perMove;
    Summary floor;      // the floor samples taken beside perMove's
    std::string fault;  // empty when the result checked out
    bool step = false;  // undo or redo, held to a full-screen BitBlt
};

// A figure's samples and the floor's, one of each in turn.
struct Paired {
    std::vector<double> figure, floor;
    void Add(double figureMs, double floorMs) {
        figure.push_back(figureMs);
        floor.push_back(floorMs);
    }
    void SummarizeInto(Figure& f) const {
        f.perMove = Summarize(figure);
        f.floor = Summarize(floor);
    }
};

std::string Hex(COLORREF c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06lX", static_cast<unsigned long>(c));
    return buf;
}

// A rubber band dragged from `inset` inside the selection's top-left corner
// out to its bottom-right and back half-way, a few pixels a move, as a hand
// drags it. Each shape gets its own inset, so the marks the earlier ones left
// cannot pass for a later one's preview.
Figure RubberBand(const Clock& clock, Stage& s, Tool tool, const char* name, int moves, int inset) {
    Figure f{name};
    const Rect& q = s.sqr;
    const Point start{q.left + inset, q.top + inset};
    const Point outer{q.right() - 20, q.bottom() - 20};
    Canvas c = s.MakeCanvas();
    s.tools.MouseDown(c, tool, start, {5.0f, 255.0f});
    Paired ms;
    Point last = start;
    for (int i = 1; i <= moves; ++i) {
        // Out to `outer` in the first two thirds, back towards the middle after.
        const double t = i <= moves * 2 / 3 ? double(i) / (moves * 2 / 3) : 1.0 - 0.5 * (i - moves * 2 / 3) / (moves / 3.0);
        last = {start.x + int((outer.x - start.x) * t), start.y + int((outer.y - start.y) * t)};
        ms.Add(s.Move(clock, tool, last), s.OnePixelRepaint(clock));
    }
    ms.SummarizeInto(f);
    // The preview stands at the last point; the outer corner it passed left no trail.
    const COLORREF red = RGB(255, 0, 0);
    if (tool == Tool::Rectangle) {
        const int midY = (start.y + last.y) / 2;
        if (s.Shown(last.x - 2, midY) != red) f.fault = "no preview edge at the last point: " + Hex(s.Shown(last.x - 2, midY));
        if (s.Shown(outer.x - 2, midY) != s.OnSurface(outer.x - 2, midY)) f.fault = "trail of the preview at the outer corner";
    } else if (tool == Tool::Ellipse) {
        const int midY = (start.y + last.y) / 2;
        if (s.Shown(last.x - 2, midY) != red) f.fault = "no preview at the last point: " + Hex(s.Shown(last.x - 2, midY));
        if (s.Shown(outer.x - 2, (start.y + outer.y) / 2) != s.OnSurface(outer.x - 2, (start.y + outer.y) / 2))
            f.fault = "trail of the preview at the outer point";
    } else {
        const Point mid{(start.x + last.x) / 2, (start.y + last.y) / 2};
        if (s.Shown(mid.x, mid.y) != red) f.fault = "no arrow preview half-way: " + Hex(s.Shown(mid.x, mid.y));
        if (s.Shown(outer.x, outer.y) != s.OnSurface(outer.x, outer.y)) f.fault = "trail of the arrow preview at the outer end";
    }
    Canvas up = s.MakeCanvas();
    s.tools.MouseUp(up, tool);
    ::UpdateWindow(s.window);
    return f;
}

// The eraser drawn along the top edge of the rectangle left by the first
// rubber band, `step` pixels a move.
Figure Eraser(const Clock& clock, Stage& s, float width, int moves, int step) {
    Figure f{"eraser move, width " + std::to_string(int(width))};
    const Rect& q = s.sqr;
    const Point start{q.left + 30, q.top + 20};
    Canvas c = s.MakeCanvas();
    s.tools.MouseDown(c, Tool::Eraser, start, {width, 255.0f});
    Paired ms;
    int x = start.x;
    for (int i = 1; i <= moves; ++i) {
        x = start.x + (i * step) % (q.width - 80);
        ms.Add(s.Move(clock, Tool::Eraser, {x, start.y}), s.OnePixelRepaint(clock));
        // A wrap back to the start is a jump, as a quick hand makes.
    }
    ms.SummarizeInto(f);
    Canvas up = s.MakeCanvas();
    s.tools.MouseUp(up, Tool::Eraser);
    ::UpdateWindow(s.window);
    // Along the stroke the surface is the clean frozen screen again (the
    // rectangle's red edge ran there), and so is the window.
    const int reach = std::min(q.width - 80, moves * step) - 4;
    for (int px = start.x + 4; px < start.x + reach; px += 7) {
        if (s.OnSurface(px, start.y) != s.Clean(px, start.y)) {
            f.fault = "surface not erased at (" + std::to_string(px) + "," + std::to_string(start.y) + "): " +
                      Hex(s.OnSurface(px, start.y)) + " not " + Hex(s.Clean(px, start.y));
            break;
        }
    }
    if (f.fault.empty() && s.Shown(start.x + 10, start.y) != s.Clean(start.x + 10, start.y))
        f.fault = "the window does not show the erased pixels";
    return f;
}

// A pen stroke to and fro along a row of the selection, `step` pixels a move.
Figure Pen(const Clock& clock, Stage& s, int moves, int step) {
    Figure f{"pen move, width 5"};
    const Tool pen = ToolForKey('P');
    const Rect& q = s.sqr;
    const Point start{q.left + 30, q.top + q.height / 2};
    Canvas c = s.MakeCanvas();
    s.tools.MouseDown(c, pen, start, {5.0f, 255.0f});
    Paired ms;
    for (int i = 1; i <= moves; ++i) {
        const int x = start.x + (i * step) % (q.width - 80);
        ms.Add(s.Move(clock, pen, {x, start.y + (i / 40) % 30}), s.OnePixelRepaint(clock));
    }
    ms.SummarizeInto(f);
    Canvas up = s.MakeCanvas();
    s.tools.MouseUp(up, pen);
    ::UpdateWindow(s.window);
    if (s.Shown(start.x + 10, start.y) != RGB(255, 0, 0))
        f.fault = "no pen stroke shown at its start: " + Hex(s.Shown(start.x + 10, start.y));
    return f;
}

// Every mark the figures drew undone one by one, then redone, a few rounds;
// the figure is the slowest step's median. Each round must give back the
// surface as it was before the marks and after them, pixel for pixel.
Figure UndoRedo(const Clock& clock, Stage& s, const std::vector<std::uint32_t>& unmarked, const Dib& screen,
                const Dib& copy) {
    Figure f{"undo or redo of one mark"};
    f.step = true;
    const std::vector<std::uint32_t> marked = s.Pixels();
    std::vector<std::vector<double>> perStep;
    std::vector<double> blt;
    for (int round = 0; round < 5 && f.fault.empty(); ++round) {
        std::size_t k = 0;
        for (std::optional<double> ms; (ms = s.Step(clock, false)); ++k) {
            if (perStep.size() <= k) perStep.resize(k + 1);
            perStep[k].push_back(*ms);
            blt.push_back(FullScreenBitBlt(clock, screen, copy));
        }
        if (k == 0) f.fault = "the marks left no undo steps";
        else if (s.Pixels() != unmarked) f.fault = "undoing every mark did not give the unmarked surface back";
        for (std::size_t j = k; j-- > 0 && f.fault.empty();) {
            const std::optional<double> ms = s.Step(clock, true);
            if (!ms) f.fault = "a redo step was missing";
            else {
                perStep[j].push_back(*ms);
                blt.push_back(FullScreenBitBlt(clock, screen, copy));
            }
        }
        if (f.fault.empty() && s.Pixels() != marked) f.fault = "redoing every mark did not give the marks back";
    }
    double worst = -1;
    for (const auto& ms : perStep) {
        const Summary step = Summarize(std::vector<double>(ms));
        if (step.median > worst) {
            worst = step.median;
            f.perMove = step;
        }
    }
    f.perMove.count = 0;
    for (const auto& ms : perStep) f.perMove.count += ms.size();
    f.floor = Summarize(std::move(blt));
    return f;
}

bool RunSize(const Clock& clock, int width, int height) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    Dib screen, copy;
    if (!screen.Create(width, height) || !copy.Create(width, height)) {
        PrintFailure("annotate " + size, "cannot make the DIB sections");
        return false;
    }
    FillPattern(screen);
    Stage stage;
    if (!stage.Open(screen)) {
        PrintFailure("annotate " + size, "cannot open the stage (GDI+ or window)");
        return false;
    }

    std::vector<Figure> figures;
    const std::vector<std::uint32_t> unmarked = stage.Pixels();
    figures.push_back(RubberBand(clock, stage, Tool::Rectangle, "rubber band move, rectangle", 240, 20));
    figures.push_back(RubberBand(clock, stage, Tool::Ellipse, "rubber band move, ellipse", 240, 70));
    figures.push_back(RubberBand(clock, stage, Tool::Arrow, "rubber band move, arrow", 240, 120));
    figures.push_back(Eraser(clock, stage, 5.0f, 300, 4));
    figures.push_back(Eraser(clock, stage, 40.0f, 300, 6));
    figures.push_back(Pen(clock, stage, 300, 5));
    figures.push_back(UndoRedo(clock, stage, unmarked, screen, copy));
    const Summary whole = Summarize(TimeWholeRepaint(clock, stage.window, 10));

    bool ok = true;
    for (const Figure& f : figures) {
        const std::string name = f.name + " " + size;
        if (!f.fault.empty()) {
            PrintFailure(name, f.fault);
            ok = false;
            continue;
        }
        PrintRow(name, Format("%.3f ms", f.perMove.median),
                 (f.step ? "full-screen BitBlt " : "one-pixel repaint ") + size, Format("%.3f ms", f.floor.median),
                 Ratio(f.perMove.median, f.floor.median), f.step ? "<= 1" : "<= 1.25");
        PrintNote(Format("median of %.0f ", double(f.perMove.count)) + (f.step ? "undos and redos" : "moves") +
                  Format("; mean %.3f ms", f.perMove.mean) + Format("; max %.3f ms", f.perMove.max) +
                  Format("; floor beside them: mean %.3f ms", f.floor.mean) + Format(", max %.3f ms", f.floor.max));
    }
    // The pen against the rectangle's rubber band, both measured above.
    if (figures[0].fault.empty() && figures[5].fault.empty()) {
        const double pen = figures[5].perMove.median, band = figures[0].perMove.median;
        PrintRow("pen move against rectangle move " + size, Format("%.3f ms", pen), "rubber band move, rectangle",
                 Format("%.3f ms", band), Ratio(pen, band), pen <= band ? "<= 1: met" : "<= 1: MISSED");
    }
    PrintNote("floor: one pixel invalidated, painted and flushed, or one full-screen BitBlt, one beside each sample;" +
              Format(" for scale: whole window repainted %.3f ms", whole.median));
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (!EnsureGdiPlus()) {
        PrintFailure("annotate", "GDI+ did not start");
        return 1;
    }
    int w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    if (argc >= 3) {
        w = std::max(64, _wtoi(argv[1]));
        h = std::max(64, _wtoi(argv[2]));
    }
    const bool ok = RunSize(Clock(), w, h);
    return ok ? 0 : 1;
}

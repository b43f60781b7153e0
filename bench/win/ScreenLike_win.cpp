#include "bench/win/ScreenLike_win.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace vellumo::bench {

namespace {

using win::unique_hbrush;
using win::unique_hfont;
using win::unique_hpen;

class Random {
public:
    explicit Random(std::uint32_t seed) : s_(seed) {}
    std::uint32_t Next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return s_;
    }
    int Below(int n) { return int(Next() % std::uint32_t(n)); }

private:
    std::uint32_t s_;
};

constexpr const wchar_t* kWords[] = {
    L"capture", L"window", L"the",    L"selection", L"of",     L"image",  L"and",     L"settings",
    L"screen",  L"file",   L"to",     L"return",    L"a",      L"colour", L"options", L"frame",
    L"Save",    L"with",   L"update", L"layer",     L"report", L"in",     L"pointer", L"project",
    L"value",   L"for",    L"menu",   L"is",        L"open",   L"edit",   L"view",    L"preview"};

std::wstring Words(Random& r, int count) {
    std::wstring s;
    for (int i = 0; i < count; ++i) {
        if (i) s += L' ';
        s += kWords[r.Below(int(std::size(kWords)))];
    }
    return s;
}

// A photograph stands in as smooth hills of colour with sensor grain.
void PaintWallpaper(win::Dib& d) {
    std::uint32_t* p = d.bits();
    Random grain(7);
    for (int y = 0; y < d.height(); ++y) {
        for (int x = 0; x < d.width(); ++x) {
            const double u = x / 310.0, v = y / 230.0;
            const int n = int(grain.Next() & 7) - 3;
            const int r = int(70 + 50 * std::sin(u + 0.7 * v) + 20 * std::sin(3.1 * v)) + n;
            const int g = int(110 + 60 * std::sin(0.6 * u - v + 1.0)) + n;
            const int b = int(150 + 70 * std::cos(0.4 * u + 0.9 * v)) + n;
            auto c = [](int c) { return std::uint32_t(c < 0 ? 0 : c > 255 ? 255 : c); };
            *p++ = c(r) << 16 | c(g) << 8 | c(b);
        }
    }
}

void Fill(HDC dc, RECT r, COLORREF c) {
    unique_hbrush b(::CreateSolidBrush(c));
    ::FillRect(dc, &r, b.get());
}

void Text(HDC dc, HFONT f, int x, int y, COLORREF c, const std::wstring& s) {
    win::Selected keep(dc, f);
    ::SetTextColor(dc, c);
    ::ExtTextOutW(dc, x, y, 0, nullptr, s.c_str(), UINT(s.size()), nullptr);
}

void Icon(HDC dc, int x, int y, int size, COLORREF a, COLORREF b) {
    for (int i = 0; i < size; ++i) {
        const int t = i * 255 / size;
        const COLORREF c = RGB((GetRValue(a) * (255 - t) + GetRValue(b) * t) / 255,
                               (GetGValue(a) * (255 - t) + GetGValue(b) * t) / 255,
                               (GetBValue(a) * (255 - t) + GetBValue(b) * t) / 255);
        Fill(dc, {x, y + i, x + size, y + i + 1}, c);
    }
    unique_hpen pen(::CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
    win::Selected keep(dc, pen.get());
    ::MoveToEx(dc, x + size / 4, y + size / 2, nullptr);
    ::LineTo(dc, x + size * 3 / 4, y + size / 2);
}

struct Fonts {
    unique_hfont ui, bold, mono, heading;
};

// A framed window with a title bar and a menu bar; the client rect is returned.
RECT Frame(HDC dc, const Fonts& f, RECT r, const std::wstring& title, Random& rnd) {
    Fill(dc, {r.left - 1, r.top - 1, r.right + 1, r.bottom + 1}, RGB(90, 90, 90));
    Fill(dc, {r.left, r.top, r.right, r.top + 30}, RGB(0, 95, 184));
    Text(dc, f.bold.get(), r.left + 10, r.top + 7, RGB(255, 255, 255), title);
    for (int i = 0; i < 3; ++i) Fill(dc, {r.right - 40 * (i + 1) + 12, r.top + 9, r.right - 40 * i - 16, r.top + 21},
                                     RGB(210, 225, 240));
    Fill(dc, {r.left, r.top + 30, r.right, r.top + 54}, RGB(240, 240, 240));
    int x = r.left + 8;
    for (int i = 0; i < 6; ++i) {
        const std::wstring m = Words(rnd, 1);
        Text(dc, f.ui.get(), x, r.top + 34, RGB(20, 20, 20), m);
        x += 12 + 8 * int(m.size());
    }
    return {r.left, r.top + 54, r.right, r.bottom};
}

void Editor(HDC dc, const Fonts& f, RECT c, Random& rnd) {
    Fill(dc, c, RGB(255, 255, 255));
    Fill(dc, {c.left, c.top, c.left + 48, c.bottom}, RGB(245, 245, 245));
    const COLORREF ink[] = {RGB(0, 0, 160), RGB(30, 30, 30), RGB(0, 128, 0), RGB(163, 21, 21), RGB(30, 30, 30)};
    for (int line = 0, y = c.top + 4; y + 17 < c.bottom; ++line, y += 18) {
        Text(dc, f.mono.get(), c.left + 6, y, RGB(140, 140, 140), std::to_wstring(line + 1));
        int x = c.left + 56 + 16 * rnd.Below(4);
        for (int w = 0, n = 2 + rnd.Below(7); w < n && x < c.right - 80; ++w) {
            const std::wstring s = Words(rnd, 1) + (rnd.Below(3) == 0 ? L"(" : L" ");
            Text(dc, f.mono.get(), x, y, ink[rnd.Below(5)], s);
            x += 8 * int(s.size()) + 4;
        }
    }
}

// A photograph in a page: written into the bits, after GDI's queue is flushed.
void Photo(win::Dib& d, RECT r, Random& rnd) {
    ::GdiFlush();
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const int n = rnd.Below(24);
            const int red = std::min(255, 120 + int(80 * std::sin(x / 40.0)) + n);
            const int green = std::min(255, 90 + int(y - r.top) / 3 + n);
            d.bits()[std::size_t(y) * d.width() + x] = std::uint32_t(red << 16 | green << 8 | (60 + n * 3));
        }
}

void Document(win::Dib& d, HDC dc, const Fonts& f, RECT c, Random& rnd) {
    Fill(dc, c, RGB(255, 255, 255));
    // Sidebar: a list with a selected row and an icon per row.
    const RECT side{c.left, c.top, c.left + 230, c.bottom};
    Fill(dc, side, RGB(243, 246, 250));
    for (int i = 0, y = c.top + 8; y + 22 < c.bottom; ++i, y += 26) {
        if (i == 4) Fill(dc, {side.left, y - 3, side.right, y + 21}, RGB(204, 228, 247));
        Icon(dc, side.left + 10, y, 16, RGB(240, 180, 40), RGB(200, 120, 0));
        Text(dc, f.ui.get(), side.left + 34, y, RGB(30, 30, 30), Words(rnd, 2));
    }
    // Content: a heading, paragraphs and a photograph.
    int x = side.right + 24, y = c.top + 16;
    Text(dc, f.heading.get(), x, y, RGB(20, 20, 20), Words(rnd, 4));
    y += 40;
    const RECT photo{c.right - 400, y, c.right - 24, y + 250};
    Photo(d, photo, rnd);
    for (int para = 0; para < 6 && y < c.bottom - 40; ++para) {
        for (int line = 0; line < 5 && y < c.bottom - 20; ++line, y += 20) {
            const int right = y < photo.bottom + 8 ? photo.left - 16 : c.right - 24;
            const int words = std::max(3, (right - x) / 60 - rnd.Below(3));
            Text(dc, f.ui.get(), x, y, RGB(40, 40, 40), Words(rnd, words));
        }
        y += 14;
    }
}

void Dialog(HDC dc, const Fonts& f, RECT r, Random& rnd) {
    const RECT c = Frame(dc, f, r, L"Save changes?", rnd);
    Fill(dc, c, RGB(240, 240, 240));
    Icon(dc, c.left + 20, c.top + 20, 32, RGB(255, 200, 0), RGB(230, 120, 0));
    Text(dc, f.ui.get(), c.left + 70, c.top + 24, RGB(0, 0, 0), Words(rnd, 7));
    Text(dc, f.ui.get(), c.left + 70, c.top + 44, RGB(0, 0, 0), Words(rnd, 5));
    for (int i = 0; i < 3; ++i) {
        const RECT b{c.right - 110 * (i + 1), c.bottom - 44, c.right - 110 * i - 14, c.bottom - 16};
        Fill(dc, b, i == 2 ? RGB(0, 120, 215) : RGB(225, 225, 225));
        Text(dc, f.ui.get(), b.left + 20, b.top + 6, i == 2 ? RGB(255, 255, 255) : RGB(0, 0, 0), Words(rnd, 1));
    }
}

HFONT MakeFont(int pixels, int weight, const wchar_t* face) {
    return ::CreateFontW(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, face);
}

}  // namespace

void PaintPhotoLike(win::Dib& d) {
    Random grain(11);
    std::uint32_t* p = d.bits();
    const double sx = 1920.0 / d.width(), sy = 1080.0 / d.height();
    for (int y = 0; y < d.height(); ++y) {
        for (int x = 0; x < d.width(); ++x) {
            const double u = x * sx, v = y * sy;
            // Broad light, mid-sized shapes, fine texture (foliage, fabric).
            const double light = 0.6 + 0.4 * std::sin(u / 500.0 + 0.3) * std::cos(v / 380.0);
            const double shapes = std::sin(u / 90.0 + std::sin(v / 70.0) * 2.0) * std::cos(v / 55.0 - u / 210.0);
            const double texture = std::sin(u / 3.1 + v / 4.7) * std::sin(v / 2.3 - u / 6.9);
            // Hard edges where the shapes cross zero: objects against a background.
            const double edge = shapes > 0.2 ? 1.0 : 0.0;
            auto channel = [&](double base, double s, double e, double t) {
                const int n = int(grain.Next() % 9) - 4;
                const int c = int(light * (base + s * shapes + e * edge + t * texture)) + n;
                return std::uint32_t(c < 0 ? 0 : c > 255 ? 255 : c);
            };
            const std::uint32_t r = channel(150, 40, 50, 14), g = channel(130, 55, -30, 18), b = channel(110, 30, -45, 10);
            *p++ = r << 16 | g << 8 | b;
        }
    }
}

bool PaintScreenLike(win::Dib& d) {
    PaintWallpaper(d);
    Fonts f{unique_hfont(MakeFont(13, FW_NORMAL, L"Tahoma")), unique_hfont(MakeFont(13, FW_BOLD, L"Tahoma")),
            unique_hfont(MakeFont(14, FW_NORMAL, L"Courier New")), unique_hfont(MakeFont(24, FW_BOLD, L"Tahoma"))};
    if (!f.ui || !f.bold || !f.mono || !f.heading) return false;
    HDC dc = d.dc();
    ::SetBkMode(dc, TRANSPARENT);
    Random rnd(12345);
    const int w = d.width(), h = d.height();
    // Desktop icons down the left edge.
    for (int i = 0; i < 8; ++i) {
        Icon(dc, 20, 20 + 90 * i, 48, RGB(60 + 20 * i, 140, 220 - 15 * i), RGB(20, 60, 120));
        Text(dc, f.ui.get(), 14, 72 + 90 * i, RGB(255, 255, 255), Words(rnd, 1));
    }
    Editor(dc, f, Frame(dc, f, {w / 16, h / 20, w * 10 / 16, h * 15 / 20}, L"Vellumo.cpp - Editor", rnd), rnd);
    Document(d, dc, f, Frame(dc, f, {w * 6 / 16, h / 6, w * 15 / 16, h * 18 / 20}, L"Release notes - Viewer", rnd),
             rnd);
    Dialog(dc, f, {w / 5, h * 3 / 5, w / 5 + 460, h * 3 / 5 + 200}, rnd);
    // Taskbar with its buttons and clock.
    Fill(dc, {0, h - 40, w, h}, RGB(32, 34, 40));
    for (int i = 0; i < 12; ++i) Icon(dc, 12 + 48 * i, h - 32, 24, RGB(80, 160 + 7 * i, 240), RGB(30, 80, 160));
    Text(dc, f.ui.get(), w - 90, h - 28, RGB(230, 230, 230), L"10:42 AM");
    ::GdiFlush();
    return true;
}

}  // namespace vellumo::bench

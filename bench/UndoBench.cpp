// The overlay's undo history on a 3840 x 2160 capture: the memory 100 typical
// marks add (outlined rectangles and ellipses, arrows, text, eraser strokes
// over earlier marks, of many sizes), and the time of one undo or redo beside
// the floor of copying the whole screen once (memcpy of the same bytes, the
// least a full-screen BitBlt does).
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "bench/Report.h"
#include "bench/Stats.h"
#include "overlay/MarkHistory.h"

namespace {

using namespace vellumo;
using namespace vellumo::bench;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 3840, kHeight = 2160;
constexpr int kMarks = 100;
constexpr int kRounds = 7;
constexpr double kGoalBytes = 64.0 * 1024 * 1024;

struct Screen {
    std::vector<std::uint32_t> bits;
    PixelPlane plane() { return {bits.data(), kWidth, kHeight, kWidth}; }
    void Put(int x, int y, std::uint32_t c) {
        if (x >= 0 && y >= 0 && x < kWidth && y < kHeight) bits[std::size_t(y) * kWidth + x] = c;
    }
    void Fill(const Rect& r, std::uint32_t c) {
        for (int y = r.top; y < r.bottom(); ++y)
            for (int x = r.left; x < r.right(); ++x) Put(x, y, c);
    }
};

// Something like a desktop: bands of flat colour with detail in them.
Screen Desktop() {
    Screen s{std::vector<std::uint32_t>(std::size_t(kWidth) * kHeight)};
    std::mt19937 rng(1);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const std::uint32_t flat = 0x202830u + std::uint32_t((y / 90) * 0x030405);
            s.bits[std::size_t(y) * kWidth + x] = (x % 97 < 3 || rng() % 40 == 0) ? (rng() & 0xFFFFFF) : flat;
        }
    }
    return s;
}

void Disc(Screen& s, double cx, double cy, int pen, std::uint32_t c) {
    const int r = std::max(1, pen / 2);
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx)
            if (dx * dx + dy * dy <= r * r) s.Put(int(cx) + dx, int(cy) + dy, c);
}

void Line(Screen& s, Point a, Point b, int pen, std::uint32_t c) {
    const int n = std::max(std::abs(b.x - a.x), std::abs(b.y - a.y)) + 1;
    for (int i = 0; i <= n; ++i) Disc(s, a.x + (b.x - a.x) * double(i) / n, a.y + (b.y - a.y) * double(i) / n, pen, c);
}

Rect Around(Point a, Point b, int pad) {
    return Rect::fromEdges(std::min(a.x, b.x) - pad, std::min(a.y, b.y) - pad, std::max(a.x, b.x) + pad + 1,
                           std::max(a.y, b.y) + pad + 1);
}

void Mark(MarkHistory& h, Screen& s, const Rect& box, auto paint) {
    h.Touch(s.plane(), box);
    paint();
    h.EndMark(s.plane());
}

// The marks, in the mix a session of annotating tends to have.
void DrawMarks(MarkHistory& h, Screen& s, const Screen& clean, std::size_t& peakPending) {
    std::mt19937 rng(2);
    auto pick = [&](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
    std::vector<Point> marked;  // where eraser strokes go
    for (int i = 0; i < kMarks; ++i) {
        const std::uint32_t colour = 0xFF0000u >> (8 * (i % 3));
        const int pen = pick(1, 8);
        const int w = pick(60, 2400), hgt = pick(40, 1400);
        const Point at{pick(0, kWidth - w - 1), pick(0, kHeight - hgt - 1)};
        switch (i % 10) {
            case 0: case 1: case 2: {  // outlined rectangle
                const Rect r{at.x, at.y, w, hgt};
                Mark(h, s, r, [&] {
                    s.Fill({r.left, r.top, r.width, pen}, colour);
                    s.Fill({r.left, r.bottom() - pen, r.width, pen}, colour);
                    s.Fill({r.left, r.top, pen, r.height}, colour);
                    s.Fill({r.right() - pen, r.top, pen, r.height}, colour);
                });
                break;
            }
            case 3: case 4: {  // outlined ellipse
                const Rect r{at.x, at.y, w, hgt};
                Mark(h, s, Inflate(r, pen + 1), [&] {
                    const int steps = 2 * (w + hgt);
                    for (int k = 0; k < steps; ++k) {
                        const double t = 2 * 3.14159265358979 * k / steps;
                        Disc(s, r.left + w / 2.0 * (1 + std::cos(t)), r.top + hgt / 2.0 * (1 + std::sin(t)), pen, colour);
                    }
                });
                break;
            }
            case 5: case 6: {  // arrow: a shaft and two head strokes
                const Point a = at, b{at.x + w / 2, at.y + hgt / 2};
                Mark(h, s, Around(a, b, pen * 6), [&] {
                    Line(s, a, b, pen, colour);
                    Line(s, b, {b.x - pen * 5, b.y - pen * 2}, pen, colour);
                    Line(s, b, {b.x - pen * 2, b.y - pen * 5}, pen, colour);
                });
                break;
            }
            case 7: case 8: {  // a line of text: glyph strokes in 14 x 24 cells
                const int chars = pick(8, 60);
                const Rect r{at.x, at.y, chars * 14, 24};
                Mark(h, s, r, [&] {
                    for (int c = 0; c < chars; ++c) {
                        const int x = r.left + c * 14;
                        Line(s, {x + 2, r.top + 4}, {x + 2, r.top + 20}, 2, colour);
                        Line(s, {x + 2, r.top + 12}, {x + 10, r.top + 12 - (c % 5)}, 2, colour);
                        if (c % 2) Line(s, {x + 10, r.top + 4}, {x + 10, r.top + 20}, 2, colour);
                    }
                });
                break;
            }
            default: {  // eraser stroke across earlier marks, dab by dab
                const int dab = pick(10, 40);
                Point p = marked.empty() ? at : marked[rng() % marked.size()];
                h.Touch(s.plane(), {});
                for (int k = 0; k < 150; ++k) {
                    p = {std::clamp(p.x + pick(-12, 16), 0, kWidth - 1), std::clamp(p.y + pick(-12, 16), 0, kHeight - 1)};
                    const Rect d = Intersect({p.x - dab / 2, p.y - dab / 2, dab, dab}, {0, 0, kWidth, kHeight});
                    h.Touch(s.plane(), d);
                    peakPending = std::max(peakPending, h.PendingBytes());
                    for (int y = d.top; y < d.bottom(); ++y)
                        std::memcpy(&s.bits[std::size_t(y) * kWidth + d.left], &clean.bits[std::size_t(y) * kWidth + d.left],
                                    std::size_t(d.width) * 4);
                }
                h.EndMark(s.plane());
                break;
            }
        }
        marked.push_back(at);
        peakPending = std::max(peakPending, h.PendingBytes());
    }
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--header") == 0) PrintHeader();
    const Screen clean = Desktop();
    Screen s = clean;
    MarkHistory h;
    std::size_t peakPending = 0;
    DrawMarks(h, s, clean, peakPending);
    const std::vector<std::uint32_t> marked = s.bits;
    const std::size_t steps = h.undoSteps();
    const double screenBytes = double(kWidth) * kHeight * 4;
    const double held = double(h.BytesHeld());

    // Per step, the median of its undo and of its redo over the rounds; the
    // figure is the slowest step, checked to land on the right pixels.
    std::vector<std::vector<double>> undoMs(steps), redoMs(steps);
    bool exact = true;
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t k = steps; k-- > 0;) {
            const auto t0 = Clock::now();
            h.Undo(s.plane());
            undoMs[k].push_back(Ms(Clock::now() - t0));
        }
        exact = exact && s.bits == clean.bits;
        for (std::size_t k = 0; k < steps; ++k) {
            const auto t0 = Clock::now();
            h.Redo(s.plane());
            redoMs[k].push_back(Ms(Clock::now() - t0));
        }
        exact = exact && s.bits == marked;
    }
    double worstUndo = 0, worstRedo = 0;
    for (std::size_t k = 0; k < steps; ++k) {
        worstUndo = std::max(worstUndo, Summarize(undoMs[k]).median);
        worstRedo = std::max(worstRedo, Summarize(redoMs[k]).median);
    }
    std::vector<double> copyMs;
    std::vector<std::uint32_t> copy(clean.bits.size());
    for (int round = 0; round < 4 * kRounds; ++round) {
        const auto t0 = Clock::now();
        std::memcpy(copy.data(), s.bits.data(), copy.size() * 4);
        copyMs.push_back(Ms(Clock::now() - t0));
    }
    const double floorMs = Summarize(copyMs).median;
    if (copy != s.bits) exact = false;

    const std::string mb = Format("%.1f MB", held / 1048576);
    if (!exact || steps != std::size_t(kMarks)) {
        PrintFailure("undo history, 100 marks at 3840x2160",
                     exact ? Format("%.0f of 100 marks became steps", double(steps)) : std::string("undo/redo gave wrong pixels"));
        return 1;
    }
    PrintRow("undo history, 100 marks at 3840x2160", mb, "one full-screen copy", Format("%.1f MB", screenBytes / 1048576),
             held / screenBytes, held <= kGoalBytes ? "<= 64 MB: met" : "<= 64 MB: MISSED");
    PrintRow("one undo, slowest of 100 marks", Format("%.3f ms", worstUndo), "full-screen memcpy, same size",
             Format("%.3f ms", floorMs), Ratio(worstUndo, floorMs), worstUndo <= floorMs ? "<= 1: met" : "<= 1: MISSED");
    PrintRow("one redo, slowest of 100 marks", Format("%.3f ms", worstRedo), "full-screen memcpy, same size",
             Format("%.3f ms", floorMs), Ratio(worstRedo, floorMs), worstRedo <= floorMs ? "<= 1: met" : "<= 1: MISSED");
    PrintNote("largest box kept while a mark was drawn (let go when it ends): " +
              Format("%.1f MB", double(peakPending) / 1048576));
    return held <= kGoalBytes && worstUndo <= floorMs && worstRedo <= floorMs ? 0 : 1;
}

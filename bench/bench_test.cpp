// The benchmarks' own helpers: a checker that passed wrong pixels, or probes
// that sit where the overlay draws something else, would make figures lie.
#include <gtest/gtest.h>

#include <vector>

#include "bench/FrameSequences.h"
#include "bench/PixelCheck.h"
#include "bench/StartProbes.h"
#include "bench/Stats.h"
#include "overlay/Dimming.h"

namespace vellumo::bench {
namespace {

TEST(DarkenedRgb, RoundsEachChannelOfBlackAtAlpha170) {
    struct Case {
        std::uint32_t in, out;
    };
    for (const Case c : {Case{0x000000, 0x000000}, Case{0xFFFFFF, 0x555555}, Case{0x010203, 0x000101},
                         Case{0x80FF00, 0x2B5500}, Case{0xC08040, 0x402B15}}) {
        EXPECT_EQ(DarkenedRgb(c.in), c.out) << std::hex << c.in;
    }
    EXPECT_EQ(DarkenedRgb(0xFF000000u), 0u) << "the top byte is not a colour";
}

// A 6x4 screen with distinct pixels, composed the way the overlay must be.
struct Screen {
    int w = 6, h = 4;
    std::vector<std::uint32_t> clean, surface;
    Screen() {
        for (int i = 0; i < w * h; ++i) clean.push_back(0x10203u * std::uint32_t(i + 1) + 0x404040u);
        surface = clean;
    }
    void Compose(int l, int t, int fw, int fh) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool in = x >= l && x < l + fw && y >= t && y < t + fh;
                surface[y * w + x] = in ? clean[y * w + x] : DarkenedRgb(clean[y * w + x]);
            }
    }
    std::optional<PixelMismatch> Check(int l, int t, int fw, int fh) const {
        return FirstMismatch(surface.data(), clean.data(), w, h, l, t, fw, fh);
    }
};

TEST(FirstMismatch, AcceptsTheRightPixelsAndReportsTheFirstWrongOne) {
    Screen s;
    s.Compose(1, 1, 3, 2);
    EXPECT_FALSE(s.Check(1, 1, 3, 2));
    s.surface[0] |= 0xFF000000u;  // alpha is ignored
    EXPECT_FALSE(s.Check(1, 1, 3, 2));

    Screen inside = s;
    inside.surface[2 * 6 + 3] = DarkenedRgb(inside.clean[2 * 6 + 3]);  // last pixel inside, dimmed
    const auto m = inside.Check(1, 1, 3, 2);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->x, 3);
    EXPECT_EQ(m->y, 2);
    EXPECT_TRUE(m->insideFrame);
    EXPECT_EQ(m->want, inside.clean[2 * 6 + 3]);

    Screen outside = s;
    outside.surface[1 * 6 + 4] = outside.clean[1 * 6 + 4];  // just right of the frame, left clean
    const auto o = outside.Check(1, 1, 3, 2);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->x, 4);
    EXPECT_FALSE(o->insideFrame);

    EXPECT_TRUE(s.Check(1, 1, 4, 2)) << "a frame one pixel wider must not match";
}

TEST(FirstMismatch, ClipsFramesToTheScreen) {
    Screen s;
    s.Compose(-3, -1, 5, 3);  // reaches off the top-left
    EXPECT_FALSE(s.Check(-3, -1, 5, 3));
    EXPECT_TRUE(s.Check(0, 0, 5, 3)) << "clamping left and width apart would clear two more columns";

    s.Compose(4, 2, 10, 10);  // reaches off the bottom-right
    EXPECT_FALSE(s.Check(4, 2, 10, 10));

    s.Compose(0, 0, 0, 0);  // no frame: all dimmed
    EXPECT_FALSE(s.Check(0, 0, 0, 0));
    EXPECT_FALSE(s.Check(2, 2, -3, 1)) << "a negative width clears nothing";
    EXPECT_TRUE(s.Check(2, 2, 1, 1));
}

TEST(Summarize, MedianMeanAndExtremes) {
    const Summary odd = Summarize({5, 1, 3});
    EXPECT_DOUBLE_EQ(odd.median, 3);
    EXPECT_DOUBLE_EQ(odd.mean, 3);
    EXPECT_DOUBLE_EQ(odd.min, 1);
    EXPECT_DOUBLE_EQ(odd.max, 5);
    EXPECT_DOUBLE_EQ(Summarize({4, 1, 2, 10}).median, 3);
    EXPECT_EQ(Summarize({}).count, 0u);
    EXPECT_DOUBLE_EQ(Ratio(3, 2), 1.5);
    EXPECT_DOUBLE_EQ(Ratio(3, 0), 0);
}

TEST(FrameSequences, MatchWhatTheyClaimAtBothSizes) {
    for (const Size s : {Size{1920, 1080}, Size{3840, 2160}}) {
        const Rect screen{0, 0, s.width, s.height};
        const FrameSequence drag = DragSequence(s);
        ASSERT_GT(drag.frames.size(), 100u);
        for (std::size_t i = 1; i < drag.frames.size(); ++i) {
            const Rect &a = drag.frames[i - 1], &b = drag.frames[i];
            EXPECT_EQ(Intersect(b, screen), b);
            EXPECT_EQ(b.left, a.left);
            EXPECT_GT(b.width, a.width);
            EXPECT_GT(b.height, a.height);
        }

        const FrameSequence alt = AlternatingSequence(s, 10);
        ASSERT_EQ(alt.frames.size(), 10u);
        EXPECT_NE(alt.frames[0], alt.frames[1]);
        EXPECT_EQ(alt.frames[0], alt.frames[2]);
        const Rect u = Union(alt.frames[0], alt.frames[1]);
        EXPECT_GT(double(u.width) * u.height, 0.8 * s.width * s.height) << "worst case redraws most of the screen";

        const FrameSequence move = MoveSequence(s);
        ASSERT_GT(move.frames.size(), 50u);
        EXPECT_LT(move.frames.front().left, 0) << "starts partly off-screen";
        EXPECT_EQ(Intersect(move.frames.back(), screen), move.frames.back());
        EXPECT_EQ(move.frames[1].width, move.frames[0].width);

        const FrameSequence same = SameSequence(s, 5);
        for (const Rect& f : same.frames) EXPECT_EQ(f, same.frames.front());
    }
}

TEST(StartProbes, StayClearOfTheBorderAndTheMagnifier) {
    for (const Size sz : {Size{1920, 1080}, Size{3840, 2160}}) {
        const StartScene s = SceneFor(sz.width, sz.height);
        EXPECT_TRUE(s.window.contains(s.pointer));
        const Rect border = Inflate(s.window, 4);
        const Rect magnifierStart{8, 0, 130, 161};
        const Rect magnifierAtPointer{s.pointer.x + 20, s.pointer.y + 20, 130, 161};
        for (bool keepsClear : {false, true}) {
            const std::vector<Probe> probes = ProbesFor(s, keepsClear);
            ASSERT_GE(probes.size(), 3u);
            int unchanged = 0;
            for (const Probe& p : probes) {
                const Point q{p.x, p.y};
                EXPECT_TRUE((Rect{0, 0, sz.width, sz.height}.contains(q)));
                EXPECT_FALSE(magnifierStart.contains(q));
                EXPECT_FALSE(magnifierAtPointer.contains(q));
                // Either well inside the window or well outside its border.
                EXPECT_TRUE(Inflate(s.window, -4).contains(q) || !border.contains(q)) << p.x << "," << p.y;
                if (p.before == p.overlay) ++unchanged;
                if (!s.window.contains(q)) EXPECT_EQ(p.overlay, DarkenedRgb(s.background));
            }
            // The floor darkens every probe; vellumo all but the window's own.
            EXPECT_EQ(unchanged, keepsClear ? 1 : 0);
        }
    }
}

// The portable half of RedrawDimming (clear area, tracker, composition) run
// through every benchmark sequence with the pixels checked after each call,
// where drawbench under Wine checks only after the last one.
TEST(BenchSequences, ComposeRightPixelsAtEveryCall) {
    const Size s{640, 360};
    const std::size_t n = std::size_t(s.width) * s.height;
    std::vector<std::uint32_t> clean(n), dimmed(n), surface(n);
    for (std::size_t i = 0; i < n; ++i) clean[i] = std::uint32_t(i * 2654435761u) >> 8;
    DimPixels(clean.data(), dimmed.data(), n);
    auto plane = [&](std::vector<std::uint32_t>& v) { return PixelPlane{v.data(), s.width, s.height, s.width}; };
    for (const FrameSequence& q : {DragSequence(s), AlternatingSequence(s, 6), MoveSequence(s), SameSequence(s, 3)}) {
        surface = clean;
        DimTracker tracker(s);
        for (std::size_t i = 0; i < q.frames.size(); ++i) {
            const Rect& f = q.frames[i];
            const Rect clear = ClearArea(f, s);
            ComposeDimmed(plane(surface), plane(clean), plane(dimmed), clear, tracker.Update(clear));
            const auto m = FirstMismatch(surface.data(), clean.data(), s.width, s.height, f.left, f.top, f.width,
                                         f.height);
            ASSERT_FALSE(m) << q.name << " call " << i << ": " << Describe(*m);
        }
    }
}

}  // namespace
}  // namespace vellumo::bench

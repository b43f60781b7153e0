#include "overlay/MarkHistory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace vellumo {
namespace {

// A surface with padding at the end of each row, so a mix-up of width and
// stride shows.
struct Surface {
    int width, height;
    std::ptrdiff_t stride;
    std::vector<std::uint32_t> bits;
    Surface(int w, int h) : width(w), height(h), stride(w + 3), bits(std::size_t(h) * std::size_t(w + 3)) {
        std::mt19937 rng(7);
        for (auto& p : bits) p = rng() & 0xFFFFFFu;
    }
    PixelPlane plane() { return {bits.data(), width, height, stride}; }
    void Fill(const Rect& r, std::uint32_t c) {
        const Rect a = Intersect(r, {0, 0, width, height});
        for (int y = a.top; y < a.bottom(); ++y)
            for (int x = a.left; x < a.right(); ++x) bits[std::size_t(y * stride + x)] = c;
    }
    // An outlined rectangle `pen` pixels wide inside r (a pen wider than r fills it).
    void Outline(const Rect& r, int pen, std::uint32_t c) {
        pen = std::min({pen, r.width, r.height});
        Fill({r.left, r.top, r.width, pen}, c);
        Fill({r.left, r.bottom() - pen, r.width, pen}, c);
        Fill({r.left, r.top, pen, r.height}, c);
        Fill({r.right() - pen, r.top, pen, r.height}, c);
    }
};

// One mark painted the way the overlay paints: the box named, then filled.
void FillMark(MarkHistory& h, Surface& s, const Rect& r, std::uint32_t c) {
    ASSERT_TRUE(h.Touch(s.plane(), r));
    s.Fill(r, c);
    h.EndMark(s.plane());
}

TEST(MarkHistory, UndoAndRedoWalkThroughOverlappingMarksExactly) {
    Surface s(200, 120);
    MarkHistory h;
    std::vector<std::vector<std::uint32_t>> shown{s.bits};
    const Rect marks[] = {{10, 10, 50, 40}, {40, 30, 60, 60}, {0, 0, 200, 5}};
    const std::uint32_t colours[] = {0x0000FF, 0x00FF00, 0xFF0000};
    for (int i = 0; i < 3; ++i) {
        FillMark(h, s, marks[i], colours[i]);
        shown.push_back(s.bits);
    }
    EXPECT_EQ(h.undoSteps(), 3u);

    ASSERT_TRUE(h.Undo(s.plane()));
    EXPECT_EQ(s.bits, shown[2]);
    const std::optional<Rect> second = h.Undo(s.plane());
    ASSERT_TRUE(second);
    EXPECT_EQ(*second, marks[1]) << "the area to repaint is the mark's changed pixels";
    EXPECT_EQ(s.bits, shown[1]);
    EXPECT_EQ(h.redoSteps(), 2u);

    ASSERT_TRUE(h.Redo(s.plane()));
    EXPECT_EQ(s.bits, shown[2]);
    ASSERT_TRUE(h.Redo(s.plane()));
    EXPECT_EQ(s.bits, shown[3]);
    EXPECT_FALSE(h.Redo(s.plane())) << "nothing left to redo";

    for (int i = 0; i < 3; ++i) ASSERT_TRUE(h.Undo(s.plane()));
    EXPECT_EQ(s.bits, shown[0]);
    EXPECT_FALSE(h.Undo(s.plane())) << "nothing left to undo";
    EXPECT_FALSE(h.CanUndo());
}

TEST(MarkHistory, ANewMarkAfterUndoDropsRedoButAMarkThatChangesNothingDoesNot) {
    Surface s(100, 100);
    MarkHistory h;
    const auto clean = s.bits;
    FillMark(h, s, {10, 10, 20, 20}, 1);
    FillMark(h, s, {50, 50, 20, 20}, 2);
    h.Undo(s.plane());
    ASSERT_EQ(h.redoSteps(), 1u);

    // An eraser stroke over unmarked screen paints what is already there.
    ASSERT_TRUE(h.Touch(s.plane(), {70, 0, 30, 30}));
    EXPECT_EQ(h.EndMark(s.plane()), MarkHistory::Recorded::NoChange);
    EXPECT_EQ(h.redoSteps(), 1u);

    ASSERT_TRUE(h.Touch(s.plane(), {0, 60, 10, 10}));
    s.Fill({0, 60, 10, 10}, 3);
    Rect changed;
    EXPECT_EQ(h.EndMark(s.plane(), &changed), MarkHistory::Recorded::Step);
    EXPECT_EQ(changed, (Rect{0, 60, 10, 10}));
    EXPECT_EQ(h.redoSteps(), 0u);
    EXPECT_FALSE(h.Redo(s.plane()));
    EXPECT_EQ(h.undoSteps(), 2u);
    h.Undo(s.plane());
    h.Undo(s.plane());
    EXPECT_EQ(s.bits, clean);
}

TEST(MarkHistory, ClearDropsEveryStepAndTheirMemory) {
    Surface s(100, 100);
    MarkHistory h;
    FillMark(h, s, {10, 10, 20, 20}, 1);
    FillMark(h, s, {30, 30, 20, 20}, 2);
    h.Undo(s.plane());
    EXPECT_GT(h.BytesHeld(), 0u);
    h.Clear();
    EXPECT_FALSE(h.CanUndo());
    EXPECT_FALSE(h.CanRedo());
    EXPECT_EQ(h.BytesHeld(), 0u);
}

// A stroke whose box grows towards every side in turn, painted dab by dab,
// each dab named before it is painted; dabs overlap earlier ones.
TEST(MarkHistory, AStrokeGrowingInEveryDirectionIsOneStepThatUndoesExactly) {
    Surface s(640, 480);
    MarkHistory h;
    FillMark(h, s, {300, 200, 40, 40}, 0xABCDEF);
    const auto before = s.bits;
    const Point path[] = {{320, 220}, {330, 225}, {200, 230}, {100, 240}, {110, 100}, {120, 5},
                          {400, 10},  {630, 20},  {620, 300}, {610, 475}, {2, 470},  {0, 0}};
    std::uint32_t c = 0x10;
    for (const Point& p : path) {
        const Rect dab{p.x - 8, p.y - 8, 16, 16};
        ASSERT_TRUE(h.Touch(s.plane(), dab));
        s.Fill(dab, c++);
    }
    EXPECT_GT(h.PendingBytes(), 0u);
    EXPECT_EQ(h.EndMark(s.plane()), MarkHistory::Recorded::Step);
    EXPECT_EQ(h.PendingBytes(), 0u) << "the stroke's kept box is let go once encoded";
    const auto after = s.bits;
    EXPECT_EQ(h.undoSteps(), 2u);

    ASSERT_TRUE(h.Undo(s.plane()));
    EXPECT_EQ(s.bits, before);
    ASSERT_TRUE(h.Redo(s.plane()));
    EXPECT_EQ(s.bits, after);
}

TEST(MarkHistory, BoxesReachingOffTheSurfaceAreClipped) {
    Surface s(50, 40);
    MarkHistory h;
    const auto clean = s.bits;
    FillMark(h, s, {-20, -20, 30, 30}, 5);
    FillMark(h, s, {45, 35, 30, 30}, 6);
    // Wholly off the surface: nothing to keep, nothing changed.
    ASSERT_TRUE(h.Touch(s.plane(), {100, 100, 10, 10}));
    EXPECT_EQ(h.EndMark(s.plane()), MarkHistory::Recorded::NoChange);
    EXPECT_EQ(h.undoSteps(), 2u);
    const std::optional<Rect> last = h.Undo(s.plane());
    ASSERT_TRUE(last);
    EXPECT_EQ(*last, (Rect{45, 35, 5, 5}));
    h.Undo(s.plane());
    EXPECT_EQ(s.bits, clean);
}

TEST(MarkHistory, RefusesToStepWhileAMarkIsOpenOrOnAnotherSurface) {
    Surface s(60, 60);
    MarkHistory h;
    FillMark(h, s, {10, 10, 40, 40}, 9);
    ASSERT_TRUE(h.Touch(s.plane(), {0, 0, 5, 5}));
    EXPECT_TRUE(h.markOpen());
    EXPECT_FALSE(h.Undo(s.plane()));
    h.AbandonMark();
    EXPECT_FALSE(h.markOpen());

    Surface smaller(30, 30);
    EXPECT_FALSE(h.Undo(smaller.plane())) << "a step reaching past a smaller surface";
    EXPECT_TRUE(h.Undo(s.plane()));
}

// Outlines, one-pixel dots with gaps of one and two unchanged pixels (which
// runs may or may not merge), and a thousand steps.
TEST(MarkHistory, SparseMarksAndManyStepsRestoreEveryPixel) {
    Surface s(300, 200);
    MarkHistory h;
    const auto clean = s.bits;
    ASSERT_TRUE(h.Touch(s.plane(), {0, 0, 300, 10}));
    for (int x = 0; x < 300; x += (x % 7 == 0 ? 2 : 3)) s.Fill({x, 3, 1, 1}, 0x111111);
    h.EndMark(s.plane());
    std::mt19937 rng(3);
    for (int i = 0; i < 1000; ++i) {
        const Rect r{int(rng() % 280), int(rng() % 180), 1 + int(rng() % 20), 1 + int(rng() % 20)};
        ASSERT_TRUE(h.Touch(s.plane(), r));
        s.Outline(r, 1 + int(rng() % 3), rng() & 0xFFFFFF);
        h.EndMark(s.plane());
    }
    const auto marked = s.bits;
    while (h.CanUndo()) h.Undo(s.plane());
    EXPECT_EQ(s.bits, clean);
    while (h.CanRedo()) h.Redo(s.plane());
    EXPECT_EQ(s.bits, marked);
}

TEST(MarkHistory, AnOutlineCostsItsBorderNotItsArea) {
    Surface s(1000, 800);
    MarkHistory h;
    const Rect r{100, 100, 400, 300};
    const int pen = 3;
    ASSERT_TRUE(h.Touch(s.plane(), r));
    s.Outline(r, pen, 0xFF0000);
    h.EndMark(s.plane());
    const std::size_t border = std::size_t(r.width * r.height - (r.width - 2 * pen) * (r.height - 2 * pen));
    // Before and after of each changed pixel, plus at most two run headers per row.
    const std::size_t expected = border * 8 + std::size_t(2 * r.height) * 16;
    EXPECT_GE(h.BytesHeld(), border * 8);
    EXPECT_LE(h.BytesHeld(), expected + 1024);
    EXPECT_LT(h.BytesHeld(), std::size_t(r.width) * std::size_t(r.height) * 4 / 4);
}

// Every pixel an undo or redo changed lies in one of the pieces it gives to
// repaint, and every piece lies in the bounds it returns.
void ExpectPiecesCoverTheChange(const std::vector<std::uint32_t>& before, const Surface& s, const Rect& bounds,
                                const std::vector<Rect>& pieces) {
    ASSERT_FALSE(pieces.empty());
    for (const Rect& p : pieces) EXPECT_EQ(Intersect(p, bounds), p) << "a piece outside the step's bounds";
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            const std::size_t i = std::size_t(y * s.stride + x);
            if (before[i] == s.bits[i]) continue;
            ASSERT_TRUE(std::any_of(pieces.begin(), pieces.end(), [&](const Rect& p) { return p.contains({x, y}); }))
                << "changed pixel (" << x << "," << y << ") in no piece";
        }
}

std::size_t AreaOf(const std::vector<Rect>& pieces) {
    std::size_t a = 0;
    for (const Rect& p : pieces) a += std::size_t(p.width) * std::size_t(p.height);
    return a;
}

// Repainting an undone outline's box would copy (and, under Wine, send to
// the screen) every pixel inside it; its pieces are its sides.
TEST(MarkHistory, UndoAndRedoRepaintAnOutlinesSidesNotItsBox) {
    Surface s(1000, 800);
    MarkHistory h;
    const Rect r{100, 103, 601, 397};
    ASSERT_TRUE(h.Touch(s.plane(), r));
    s.Outline(r, 5, 0xFF0000);
    h.EndMark(s.plane());
    for (const bool redo : {false, true}) {
        const auto before = s.bits;
        std::vector<Rect> pieces;
        const std::optional<Rect> bounds = redo ? h.Redo(s.plane(), &pieces) : h.Undo(s.plane(), &pieces);
        ASSERT_TRUE(bounds);
        EXPECT_EQ(*bounds, r);
        ExpectPiecesCoverTheChange(before, s, *bounds, pieces);
        EXPECT_LE(pieces.size(), 4u);
        EXPECT_LT(AreaOf(pieces), std::size_t(r.width) * std::size_t(r.height) / 10);
    }
}

// A ring (an ellipse's outline), scattered dots, and dots in columns too far
// apart to join, as marks of their own: the ring's pieces follow its curve,
// the scattered dots' pieces still cover them, and columns too many for a
// few pieces repaint their bounds whole.
TEST(MarkHistory, PiecesFollowACurveAndGiveWayToTheBoundsWhenTooMany) {
    Surface s(1250, 700);
    MarkHistory h;
    const Rect ring{50, 40, 800, 600};
    ASSERT_TRUE(h.Touch(s.plane(), ring));
    for (int y = ring.top; y < ring.bottom(); ++y)
        for (int x = ring.left; x < ring.right(); ++x) {
            const double dx = (x + 0.5 - 450) / 400.0, dy = (y + 0.5 - 340) / 300.0, d = dx * dx + dy * dy;
            if (d <= 1 && d >= 0.97) s.bits[std::size_t(y * s.stride + x)] = 0x00FF00;
        }
    h.EndMark(s.plane());
    std::mt19937 rng(11);
    ASSERT_TRUE(h.Touch(s.plane(), {0, 0, 1250, 700}));
    for (int i = 0; i < 400; ++i) s.Fill({int(rng() % 880), int(rng() % 680), 2, 2}, 0x0000FF);
    h.EndMark(s.plane());
    ASSERT_TRUE(h.Touch(s.plane(), {0, 0, 1250, 700}));
    for (int x = 5; x < 1245; x += 20)
        for (int y = 10; y < 690; y += 40) s.Fill({x, y, 1, 1}, 0xFFFFFF);
    h.EndMark(s.plane());

    auto before = s.bits;
    std::vector<Rect> pieces;
    const std::optional<Rect> columns = h.Undo(s.plane(), &pieces);
    ASSERT_TRUE(columns);
    EXPECT_EQ(pieces, std::vector<Rect>{*columns});
    ExpectPiecesCoverTheChange(before, s, *columns, pieces);

    before = s.bits;
    const std::optional<Rect> scattered = h.Undo(s.plane(), &pieces);
    ASSERT_TRUE(scattered);
    ExpectPiecesCoverTheChange(before, s, *scattered, pieces);
    EXPECT_LE(pieces.size(), 48u);

    before = s.bits;
    const std::optional<Rect> bounds = h.Undo(s.plane(), &pieces);
    ASSERT_TRUE(bounds);
    ExpectPiecesCoverTheChange(before, s, *bounds, pieces);
    EXPECT_GT(pieces.size(), 4u);
    EXPECT_LE(pieces.size(), 48u);
    EXPECT_LT(AreaOf(pieces), std::size_t(bounds->width) * std::size_t(bounds->height) / 2);
}

}  // namespace
}  // namespace vellumo

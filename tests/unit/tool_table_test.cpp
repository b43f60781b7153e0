#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

#include "annotate/MarkInProgress.h"
#include "annotate/Tool.h"

namespace vellumo {
namespace {

TEST(ToolTable, TheFirstFiveKeepTheirButtonsNamesAndOrder) {
    const auto tools = ToolTable();
    ASSERT_GE(tools.size(), 5u);
    const wchar_t* names[] = {L"Draw(0)", L"Draw(1)", L"Draw(2)", L"Draw(3)", L"Draw(4)"};
    const wchar_t* tips[] = {L"Add Rectangle", L"Add Vertebral round", L"Add Text (Tab: on a box)", L"Add Arrow",
                           L"Eraser"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(std::wstring(tools[i].name), names[i]);
        EXPECT_EQ(std::wstring(tools[i].tip), tips[i]);
    }
}

TEST(ToolTable, EveryRowMakesAToolHasAGlyphInsideItsButtonAndAKeyOfItsOwn) {
    std::set<std::wstring> names;
    std::set<int> keys;
    const auto tools = ToolTable();
    for (std::size_t i = 0; i < tools.size(); ++i) {
        const ToolEntry& t = tools[i];
        SCOPED_TRACE(i);
        EXPECT_TRUE(names.insert(t.name).second) << "two buttons share a name";
        if (t.key) {
            EXPECT_TRUE(keys.insert(t.key).second) << "two tools share a key";
            EXPECT_EQ(ToolForKey(t.key), static_cast<Tool>(i));
            // The key is shown in the tooltip.
            EXPECT_NE(std::wstring(t.tip).find(std::wstring(L"(") + static_cast<wchar_t>(t.key) + L")"),
                      std::wstring::npos);
        }
        EXPECT_NE(t.make(), nullptr);
        int parts = 0;
        for (const GlyphPart& part : t.glyph.parts) {
            if (part.kind == GlyphPart::End) break;
            ++parts;
            ASSERT_GE(part.count, 2);
            for (int k = 0; k < part.count; ++k) {
                EXPECT_TRUE(part.points[k].x >= 0 && part.points[k].x <= 16 && part.points[k].y >= 0 &&
                            part.points[k].y <= 16);
            }
        }
        EXPECT_GT(parts, 0) << "no glyph";
        for (const GlyphPart& part : t.optionGlyph.parts)
            for (int k = 0; k < part.count; ++k)
                EXPECT_TRUE(part.points[k].x >= 0 && part.points[k].x <= 16 && part.points[k].y >= 0 &&
                            part.points[k].y <= 16);
    }
    EXPECT_EQ(ToolForKey(0), Tool::None);
    EXPECT_EQ(ToolForKey('R'), Tool::None) << "R goes back to window detection";
    EXPECT_EQ(ToolForKey('C'), Tool::None) << "C copies the colour";
}

TEST(ToolCursor, TheChosenToolsCursorShowsOnlyOverTheSelection) {
    const Rect sel{100, 100, 200, 150};
    struct Case {
        Tool tool;
        Point p;
        std::optional<ToolCursor> want;
    } cases[] = {
        {Tool::Rectangle, {150, 150}, ToolCursor::Crosshair},
        {Tool::Ellipse, {100, 100}, ToolCursor::Crosshair},  // on the top-left edge
        {Tool::Text, {300, 250}, ToolCursor::IBeam},          // on the bottom-right edge
        {ToolForKey('P'), {150, 150}, ToolCursor::Pen},
        {ToolForKey('H'), {150, 150}, ToolCursor::Pen},
        {ToolForKey('N'), {150, 150}, ToolCursor::Hand},
        {ToolForKey('M'), {150, 150}, ToolCursor::Crosshair},
        {Tool::Rectangle, {99, 150}, std::nullopt},  // just outside
        {Tool::Text, {301, 250}, std::nullopt},
        {Tool::Text, {150, 251}, std::nullopt},
        {Tool::None, {150, 150}, std::nullopt},  // no tool: the overlay's own
    };
    for (const Case& c : cases)
        EXPECT_EQ(CursorFor(c.tool, c.p, sel), c.want) << static_cast<int>(c.tool) << " at " << c.p.x << "," << c.p.y;
    EXPECT_EQ(CursorFor(Tool::Rectangle, {100, 100}, Rect{100, 100, 0, 0}), std::nullopt) << "no selection";
}

TEST(ToolGeometry, Shift45SnapsToTheNearestEighthOfATurn) {
    const Point o{100, 100};
    struct Case {
        Point p, want;
    } cases[] = {
        {{200, 110}, {200, 100}},  // nearly level: level
        {{200, 140}, {200, 100}},  // 21.8°: still level
        {{200, 145}, {172, 172}},  // 24.2°: diagonal, half the two legs
        {{110, 200}, {100, 200}},  // nearly upright
        {{40, 40}, {40, 40}},      // exactly diagonal
        {{20, 160}, {30, 170}},    // up and left... down-left diagonal
        {{100, 100}, {100, 100}},
    };
    for (const Case& c : cases) EXPECT_EQ(SnapTo45(o, c.p), c.want) << c.p.x << "," << c.p.y;
}

TEST(ToolGeometry, ShiftMakesTheBandASquareTowardsThePointer) {
    EXPECT_EQ(BandTo({100, 100}, {180, 130}, true), (Rect{100, 100, 30, 30}));
    EXPECT_EQ(BandTo({100, 100}, {60, 130}, true), (Rect{70, 100, 30, 30}));
    EXPECT_EQ(BandTo({100, 100}, {80, 20}, true), (Rect{80, 80, 20, 20}));
    EXPECT_EQ(BandTo({100, 100}, {180, 130}, false), (Rect{100, 100, 80, 30}));
}

TEST(ToolGeometry, ShiftedShapesAndArrowsStayInsideTheFrame) {
    const Rect frame{100, 100, 200, 150};
    MarkInProgress m;
    m.Press(Tool::Ellipse, {150, 150}, 2, 0, frame, 255, true);
    m.Move(Tool::Ellipse, {400, 190}, true, frame, true);
    EXPECT_EQ(m.shape().box, (Rect{150, 150, 40, 40})) << "a circle, the shorter leg's size";
    m.Release(Tool::Ellipse);
    m.Press(Tool::Arrow, {150, 150}, 2, 0, frame, 255, true);
    m.Move(Tool::Arrow, {400, 400}, true, frame, true);
    EXPECT_EQ(m.arrow().to, (Point{250, 250})) << "the diagonal, shortened to end on the frame";
    m.Move(Tool::Arrow, {160, 20}, true, frame, true);
    EXPECT_EQ(m.arrow().to, (Point{150, 100})) << "upright, stopped on the frame's top";
    // Without Shift the end point is the clamped pointer.
    m.Move(Tool::Arrow, {400, 190}, true, frame, false);
    EXPECT_EQ(m.arrow().to, (Point{300, 190}));
}

}  // namespace
}  // namespace vellumo

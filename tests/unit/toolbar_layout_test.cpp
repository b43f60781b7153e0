#include <gtest/gtest.h>

#include <string>

#include "annotate/Annotate.h"
#include "annotate/Tool.h"
#include "gfx/Dpi.h"
#include "overlay/MonitorPlacement.h"
#include "overlay/Selection.h"

namespace vellumo {
namespace {

std::string Str(const Rect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height) + ")";
}

TEST(ToolbarLayout, EveryToolHasAPlaceAndNoPartOverlapsAnotherAtAnyDpi) {
    ASSERT_LE(ToolCount() - kToolCount, LowerRowCapacity()) << "more tools than the bottom row holds";
    const auto parts = ToolbarParts(ToolCount());
    for (const int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(dpi);
        const Size size = ScaleUi(kToolbarSize, dpi);
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const Rect a = ScaleUi(parts[i].at, dpi);
            // Inside the toolbar; only the quit button overhangs the top edge.
            EXPECT_GE(a.left, 0) << parts[i].what << " " << Str(a);
            EXPECT_LE(a.right(), size.width) << parts[i].what << " " << Str(a);
            EXPECT_LE(a.bottom(), size.height) << parts[i].what << " " << Str(a);
            if (parts[i].at != kQuitButtonRect) EXPECT_GE(a.top, 0) << parts[i].what << " " << Str(a);
            for (std::size_t j = i + 1; j < parts.size(); ++j) {
                const Rect b = ScaleUi(parts[j].at, dpi);
                EXPECT_TRUE(Intersect(a, b).empty())
                    << parts[i].what << " " << Str(a) << " overlaps " << parts[j].what << " " << Str(b);
            }
        }
    }
}

TEST(ToolbarLayout, TheOriginalFiveKeepTheTopRowInTheirOrderAndTheRestGoBelow) {
    for (int i = 0; i < kToolCount; ++i) EXPECT_EQ(DrawButtonRect(i), (Rect{6 + 24 * i, 4, 16, 16})) << i;
    EXPECT_LE(DrawButtonRect(kToolCount - 1).right(), kCopyButtonRect.left);
    for (int i = kToolCount; i < ToolCount(); ++i) {
        EXPECT_EQ(DrawButtonRect(i).top, kLowerToolRowTop) << i;
        EXPECT_GT(DrawButtonRect(i).top, kOpacityBoxRect.bottom()) << "below the opacity row";
        if (i > kToolCount) EXPECT_GT(DrawButtonRect(i).left, DrawButtonRect(i - 1).left) << "in table order";
    }
}

TEST(ToolbarLayout, TheSelectionPlacesTheToolbarByItsWholeHeight) {
    EXPECT_EQ(kToolsSize, kToolbarSize);
    const MonitorLayout screen = MonitorLayout::Single({1920, 1080});
    const int h = kToolbarSize.height;
    // Room above: it stands above the frame, kToolsGap apart.
    EXPECT_EQ(PlaceToolbarOn(screen, {300, h + 10, 200, 100}, kToolsSize), (Point{300, 10 - kToolsGap}));
    // Just too little room above for the full height: below.
    EXPECT_EQ(PlaceToolbarOn(screen, {300, h - kToolsGap, 200, 100}, kToolsSize),
              (Point{300, h - kToolsGap + 100 + kToolsGap}));
    // At 144 DPI the scaled height counts.
    const Size at144 = SelectionSizesAt(144).toolbar;
    EXPECT_EQ(at144, ScaleUi(kToolbarSize, 144));
    EXPECT_EQ(PlaceToolbarOn(screen, {300, 400, 200, 100}, at144), (Point{300, 400 - at144.height - kToolsGap}));
}

}  // namespace
}  // namespace vellumo

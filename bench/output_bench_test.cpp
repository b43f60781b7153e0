// The output benchmarks' helpers: probes that the overlay or the live screen
// could satisfy would time the wrong thing, and a misread memory line would
// make every Floater look free.
#include <gtest/gtest.h>

#include "bench/PinScene.h"
#include "bench/ProcMemory.h"
#include "floaters/FloaterBook.h"
#include "overlay/MonitorPlacement.h"
#include "overlay/Readout.h"
#include "overlay/Selection.h"

namespace vellumo::bench {
namespace {

TEST(KbField, ReadsTheNamedLineInBytesAndNothingElse) {
    const std::string rollup =
        "55bfc4627000-7ffe93626000 ---p 00000000 00:00 0    [rollup]\n"
        "Rss:                1732 kB\n"
        "Pss_Dirty:           116 kB\n"
        "Private_Clean:        40 kB\n"
        "Private_Dirty:    873216 kB\n";
    EXPECT_EQ(KbField(rollup, "Private_Dirty"), 873216LL * 1024);
    EXPECT_EQ(KbField(rollup, "Rss"), 1732LL * 1024);
    EXPECT_FALSE(KbField(rollup, "Dirty")) << "a name matches whole, not as a suffix";
    EXPECT_FALSE(KbField(rollup, "Private")) << "nor as a prefix";
    EXPECT_FALSE(KbField("Private_Dirty: 12 MB\n", "Private_Dirty")) << "only kB is understood";
    EXPECT_FALSE(KbField("Private_Dirty:\n", "Private_Dirty"));
    EXPECT_FALSE(KbField("", "Private_Dirty")) << "a process that has gone reads as empty";
}

TEST(PinProbes, OnlyTheFloaterTheRightWayUpSatisfiesThemAll) {
    const PinScene s;
    const std::vector<PinProbe> probes = PinProbes(s);
    ASSERT_GE(probes.size(), 3u);
    bool overlayCould = true, liveCould = true, flippedCould = true;
    for (const PinProbe& p : probes) {
        overlayCould = overlayCould && p.overlay == p.floater;
        liveCould = liveCould && p.floater == s.live;
        flippedCould = flippedCould && p.flipped == p.floater;
    }
    EXPECT_FALSE(overlayCould) << "the overlay with its selection would pass for the Floater";
    EXPECT_FALSE(liveCould) << "the live screen would pass for the Floater";
    EXPECT_FALSE(flippedCould) << "an upside-down Floater would pass";
    // The first probe tells the overlay from the live screen (the overlay gone).
    EXPECT_NE(probes[0].overlay, s.live);
}

TEST(PinProbes, OfALaterPinAreNotSatisfiedByTheFirstFloaterBeneath) {
    const PinScene first, later = first.Later();
    const std::vector<PinProbe> a = PinProbes(first), b = PinProbes(later);
    ASSERT_EQ(a.size(), b.size());
    bool firstCould = true, overlayCould = true;
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ((Point{a[i].x, a[i].y}), (Point{b[i].x, b[i].y}));
        firstCould = firstCould && a[i].floater == b[i].floater;
        overlayCould = overlayCould && b[i].overlay == b[i].floater;
    }
    EXPECT_FALSE(firstCould) << "the first Floater would pass for the later one";
    EXPECT_FALSE(overlayCould);
    // The later capture's overlay is told from the first Floater it covers.
    EXPECT_NE(b[0].overlay, a[0].floater);
    EXPECT_NE(b[0].overlay, later.live);
}

TEST(PinProbes, SitInTheFloaterAndClearOfEverythingElseOnTheScreen) {
    const PinScene s;
    // Where the program puts the Floater, the toolbar, the handles and the
    // magnifier (beside the pointer on the pin button).
    EXPECT_EQ(CentreOn({s.selection.width, s.selection.height}, s.screen),
              (Point{s.floater().left, s.floater().top}));
    const MonitorLayout screen = MonitorLayout::Single(s.screen);
    const Point toolsAt = PlaceToolbarOn(screen, s.selection, kToolsSize);
    const Rect tools{toolsAt.x, toolsAt.y, kToolsSize.width, kToolsSize.height};
    std::vector<Rect> clear{tools, s.band, s.floorButton};
    for (const Rect& h : PlaceHandles(s.selection)) clear.push_back(h);
    for (int x = tools.left; x < tools.right(); x += 5) {
        for (int y = tools.top; y < tools.bottom(); y += 5) {
            const Point va = PlaceMagnifierOn(screen, {x, y}, kMagnifierSize);
            clear.push_back({va.x, va.y, kMagnifierSize.width, kMagnifierSize.height});
        }
    }
    const Point floorPointer{s.floorButton.left + s.floorButton.width / 2, s.floorButton.top + s.floorButton.height / 2};
    EXPECT_FALSE(s.floater().contains(floorPointer)) << "the floor's button under its picture";
    for (const PinProbe& p : PinProbes(s)) {
        const Point q{p.x, p.y};
        EXPECT_TRUE(s.floater().contains(q)) << p.x << "," << p.y;
        for (const Rect& r : clear) EXPECT_FALSE(r.contains(q)) << p.x << "," << p.y << " in " << r.left << "," << r.top;
    }
}

// The click that gives the keyboard to a Wine window before each Print
// Screen of the history figures: on a Floater it would give it to the
// Floater host, and start a drag of the Floater.
TEST(PinScene, TheKeyboardClickLandsOnTheBandWindowAndOnNoFloater) {
    for (const PinScene& s : {PinScene{}, PinScene{}.Later()}) {
        const Point at = s.keyboardClick();
        EXPECT_TRUE(s.band.contains(at)) << at.x << "," << at.y;
        const Point floaterAt = CentreOn({s.selection.width, s.selection.height}, s.screen);
        const Rect floater{floaterAt.x, floaterAt.y, s.selection.width, s.selection.height};
        EXPECT_FALSE(floater.contains(at)) << "on the Floater at " << floater.left << "," << floater.top;
        EXPECT_FALSE(s.floorButton.contains(at));
    }
}

TEST(PinProbes, ExpectTheFrozenPictureShiftedToTheCentre) {
    const PinScene s;
    const Rect f = s.floater();
    for (const PinProbe& p : PinProbes(s)) {
        const Point src{s.selection.left + p.x - f.left, s.selection.top + p.y - f.top};
        EXPECT_EQ(p.floater, s.band.contains(src) ? s.bandColour : s.frozen) << p.x << "," << p.y;
        // Outside the selection the overlay darkens; inside it shows the frozen screen.
        const std::uint32_t under = s.band.contains({p.x, p.y}) ? s.bandColour : s.frozen;
        EXPECT_EQ(p.overlay, s.selection.contains({p.x, p.y}) ? under : DarkenedRgb(under));
    }
}

// The selection is checked by the magnifier's caption: a caption misread as
// the right size would let a wrong selection through, and the right one
// misread as another would redo a good drag.
TEST(SizeInCaption, ReadsTheCaptionTheOverlayWritesAndNothingElse) {
    const auto utf8 = [](const std::wstring& w) {
        std::string out;
        for (const wchar_t c : w) {
            if (c < 0x80) out += char(c);
            else out += {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};  // two bytes reach U+07FF
        }
        return out;
    };
    EXPECT_EQ(SizeInCaption(utf8(FormatSize(1920, 1080))), (Size{1920, 1080}));
    EXPECT_EQ(SizeInCaption(utf8(FormatSize(0, 7))), (Size{0, 7}));
    EXPECT_EQ(SizeInCaption("0\xC3\x97" "0"), (Size{0, 0})) << "the caption before the first move";
    EXPECT_FALSE(SizeInCaption("")) << "a read that failed";
    EXPECT_FALSE(SizeInCaption("1920 x 1080")) << "only the multiplication sign";
    EXPECT_EQ(SizeInCaption("1920 \xC3\x97 10800"), (Size{1920, 10800})) << "a longer number is another size";
    EXPECT_FALSE(SizeInCaption("1920 \xC3\x97 1080 px"));
    EXPECT_FALSE(SizeInCaption("\xC3\x97 1080"));
    EXPECT_FALSE(SizeInCaption("RGB(1 , 2 , 3)"));
}

}  // namespace
}  // namespace vellumo::bench

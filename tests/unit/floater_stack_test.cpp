// The Floaters' order front to back, what a Floater shown apart leaves out
// of its window, and where the Floaters go when the monitors change.
#include <gtest/gtest.h>

#include "floaters/DisplayFollow.h"
#include "floaters/FloaterBook.h"
#include "floaters/FloaterStack.h"
#include "gfx/MonitorLayout.h"

namespace vellumo {
namespace {

constexpr Size kHost{1024, 768};

// Floaters made as the host makes them: each new one in front.
struct Desk {
    FloaterBook book;
    FloaterStack stack;
    int Add(Size natural) {
        const int n = *book.Create(natural, {30, 20}, kHost);
        stack.ToFront(n);
        return n;
    }
};

TEST(FloaterStack, NewAndPressedComeToTheFrontLowestGoesBehindAll) {
    FloaterStack s;
    for (int n : {1, 2, 3}) s.ToFront(n);
    EXPECT_EQ(s.frontToBack(), (std::vector<int>{3, 2, 1}));
    s.ToBack(3);
    EXPECT_EQ(s.frontToBack(), (std::vector<int>{2, 1, 3}));
    s.ToFront(1);
    EXPECT_EQ(s.frontToBack(), (std::vector<int>{1, 2, 3}));
    s.ToBack(3);  // already at the back
    EXPECT_EQ(s.frontToBack(), (std::vector<int>{1, 2, 3}));
    s.Remove(2);
    s.Remove(7);  // never there
    EXPECT_EQ(s.frontToBack(), (std::vector<int>{1, 3}));

    // The nearest of the same kind in front: a window goes right behind it.
    for (int n : {4, 5}) s.ToFront(n);  // 5 4 1 3
    const auto odd = [](int m) { return m % 2 == 1; };
    EXPECT_EQ(s.NearestInFront(3, odd), 1);
    EXPECT_EQ(s.NearestInFront(1, odd), 5);
    EXPECT_EQ(s.NearestInFront(5, odd), std::nullopt) << "the front one of its kind";
    EXPECT_EQ(s.NearestInFront(4, [](int m) { return m % 2 == 0; }), std::nullopt);
    EXPECT_EQ(s.NearestInFront(9, odd), std::nullopt) << "not in the stack";
}

// Fixed fault: a Floater below 100% own opacity is a popup above the whole
// host, so "Lowest" left it over the others and it covered the drop icon.
// It now leaves out of its window what lies in front of it in the host.
TEST(FloaterStack, AFloaterApartLeavesOutTheHostsFloatersInFrontAndTheDropIcon) {
    Desk d;
    const int big = d.Add({200, 150});    // (412, 309)
    const int small = d.Add({80, 60});    // (472, 354), inside the big one
    const Rect icon{955, 33, 36, 36};
    // Nothing apart in front of the small one: it shows whole.
    EXPECT_TRUE(ApartCuts(d.book, d.stack, small, {small}, icon).empty());
    // The big one apart and behind the small one in the host: the small one's
    // place is cut out, in the big one's own coordinates.
    EXPECT_EQ(ApartCuts(d.book, d.stack, big, {big}, icon), (std::vector<Rect>{{60, 45, 80, 60}}));
    // Sent to the back, the small one apart: it leaves the big one out, whole.
    d.stack.ToBack(small);
    EXPECT_EQ(ApartCuts(d.book, d.stack, small, {small}, icon), (std::vector<Rect>{{0, 0, 80, 60}}));
    // Both apart: popups keep their order as windows, nothing is cut.
    EXPECT_TRUE(ApartCuts(d.book, d.stack, small, {big, small}, icon).empty());
    // Brought to the front again: whole.
    d.stack.ToFront(small);
    EXPECT_TRUE(ApartCuts(d.book, d.stack, small, {small}, icon).empty());

    // The drop icon is cut out of any Floater apart it overlaps, front or back:
    // just touching it, overlapping by one pixel, and covering it.
    const int wide = d.Add({1100, 800});  // (-38, -16), over the icon
    EXPECT_EQ(ApartCuts(d.book, d.stack, wide, {wide}, icon), (std::vector<Rect>{{955 + 38, 33 + 16, 36, 36}}));
    d.stack.ToBack(wide);
    const std::vector<Rect> behind = ApartCuts(d.book, d.stack, wide, {wide}, icon);
    ASSERT_EQ(behind.size(), 3u);
    EXPECT_EQ(behind.back(), (Rect{955 + 38, 33 + 16, 36, 36}));
    EXPECT_TRUE(ApartCuts(d.book, d.stack, small, {small}, Rect{552, 354, 36, 36}).empty()) << "touching only";
    EXPECT_EQ(ApartCuts(d.book, d.stack, small, {small}, Rect{551, 354, 36, 36}),
              (std::vector<Rect>{{79, 0, 1, 36}}));
    EXPECT_TRUE(ApartCuts(d.book, d.stack, 99, {99}, icon).empty()) << "no such Floater";
}

// The rig: a 1280 x 800 primary and a 1024 x 768 monitor to its left.
const MonitorLayout kRig({{{0, 0, 1280, 800}, true}, {{-1024, 0, 1024, 768}, false}});
const MonitorLayout kPrimaryOnly({{{0, 0, 1280, 800}, true}});

TEST(DisplayFollow, ARectangleOnNoMonitorComesOntoTheNearestAndOnlyThen) {
    struct Case {
        Rect in, out;
    } cases[] = {
        {{-900, 100, 200, 150}, {0, 100, 200, 150}},      // where the left monitor was
        {{-1024, 700, 300, 100}, {0, 700, 300, 100}},      // its bottom-left corner
        {{-201, 100, 200, 150}, {0, 100, 200, 150}},      // one pixel short of the primary
        {{-199, 100, 200, 150}, {-199, 100, 200, 150}},   // one pixel on it: reachable, stays
        {{1400, 900, 50, 50}, {1230, 750, 50, 50}},       // past the bottom-right
        {{-2000, -500, 1500, 900}, {0, 0, 1500, 900}},    // larger than the monitor: its top-left
        {{300, 200, 100, 100}, {300, 200, 100, 100}},     // on the primary: untouched
    };
    for (const Case& c : cases)
        EXPECT_EQ(OntoNearestMonitor(kPrimaryOnly, c.in), c.out) << c.in.left << "," << c.in.top;
    // With both monitors, what lies on either stays; the gap below the left
    // one is on no monitor, and the left monitor is the nearer.
    EXPECT_EQ(OntoNearestMonitor(kRig, {-900, 100, 200, 150}), (Rect{-900, 100, 200, 150}));
    EXPECT_EQ(OntoNearestMonitor(kRig, {-900, 770, 100, 20}), (Rect{-900, 748, 100, 20}));
}

// Fixed fault: a Floater pinned on a monitor that went away stayed there.
// The host now covers the new virtual screen (its origin moves from -1024 to
// 0): a Floater on the primary keeps its place on the screen, one left on no
// monitor comes onto the primary.
TEST(DisplayFollow, FloatersAfterTheLeftMonitorGoes) {
    FloaterBook book;
    const MonitorLayout hostRig = kRig.OnBitmap();
    const int left = *book.CreateOn({100, 50}, {30, 20}, hostRig.bounds(1));     // screen (-562, 359)
    const int primary = *book.CreateOn({100, 50}, {30, 20}, hostRig.primary());  // screen (590, 375)
    const auto places = PlacesAfterDisplayChange(book, {-1024, 0}, kPrimaryOnly);
    EXPECT_EQ(places.at(left), (Point{0, 359}));
    EXPECT_EQ(places.at(primary), (Point{590, 375}));
    // Nothing changed: everything stays where it is in the host.
    const auto same = PlacesAfterDisplayChange(book, {-1024, 0}, kRig);
    EXPECT_EQ(same.at(left), (Point{book.Find(left)->picture.left, book.Find(left)->picture.top}));
    EXPECT_EQ(same.at(primary), (Point{book.Find(primary)->picture.left, book.Find(primary)->picture.top}));
    // Moved there, a collapsed one keeps its size and its label stays above it.
    ASSERT_TRUE(book.ToggleCollapse(left));
    ASSERT_TRUE(book.MoveTo(left, places.at(left)));
    const Floater& f = *book.Find(left);
    EXPECT_EQ(f.picture, (Rect{0, 359, 30, 30}));
    EXPECT_EQ(f.label.left, 0);
    EXPECT_EQ(f.label.bottom(), 359);
    EXPECT_FALSE(book.MoveTo(99, {0, 0}));
}

}  // namespace
}  // namespace vellumo

// The Floaters' order front to back, and what a Floater shown apart leaves
// out of its window.
#include <gtest/gtest.h>

#include "floaters/FloaterBook.h"
#include "floaters/FloaterStack.h"

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

}  // namespace
}  // namespace vellumo

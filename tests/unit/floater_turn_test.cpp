#include "floaters/FloaterTurn.h"

#include <gtest/gtest.h>

#include <vector>

#include "floaters/FloaterBook.h"
#include "floaters/FloaterKeys.h"

namespace vellumo {
namespace {

// A 3 x 2 picture whose every pixel is told apart by its place:
//   1 2 3
//   4 5 6
struct Picture {
    int width, height;
    std::vector<std::uint32_t> bits;
    PixelPlane plane() { return {bits.data(), width, height, width}; }
};
Picture Numbered() { return {3, 2, {1, 2, 3, 4, 5, 6}}; }
Picture Blank(Size s) { return {s.width, s.height, std::vector<std::uint32_t>(std::size_t(s.width) * s.height, 0)}; }

Picture Turned(Picture from, Turn turn) {
    Picture to = Blank(TurnedSize({from.width, from.height}, turn));
    EXPECT_TRUE(TurnPixels(from.plane(), to.plane(), turn));
    return to;
}

TEST(FloaterTurn, EachTurnPutsEveryPixelWhereTheUserSeesItGo) {
    struct Case {
        Turn turn;
        Size size;
        std::vector<std::uint32_t> want;
    };
    const Case cases[] = {
        // Anticlockwise: the right column becomes the top row.
        {Turn::Left, {2, 3}, {3, 6, 2, 5, 1, 4}},
        // Clockwise: the left column, read upwards, becomes the top row.
        {Turn::Right, {2, 3}, {4, 1, 5, 2, 6, 3}},
        {Turn::FlipHorizontal, {3, 2}, {3, 2, 1, 6, 5, 4}},
        {Turn::FlipVertical, {3, 2}, {4, 5, 6, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.turn));
        const Picture got = Turned(Numbered(), c.turn);
        EXPECT_EQ((Size{got.width, got.height}), c.size);
        EXPECT_EQ(got.bits, c.want);
    }
}

TEST(FloaterTurn, AStrideWiderThanThePictureIsFollowed) {
    // Two rows of three, each row padded to five pixels.
    std::vector<std::uint32_t> padded{1, 2, 3, 99, 99, 4, 5, 6, 99, 99};
    const PixelPlane from{padded.data(), 3, 2, 5};
    Picture to = Blank({2, 3});
    ASSERT_TRUE(TurnPixels(from, to.plane(), Turn::Right));
    EXPECT_EQ(to.bits, (std::vector<std::uint32_t>{4, 1, 5, 2, 6, 3}));
}

TEST(FloaterTurn, AnIllSizedOrMissingTargetIsRefusedUntouched) {
    Picture from = Numbered();
    Picture wrong = Blank({3, 2});  // a quarter turn needs 2 x 3
    EXPECT_FALSE(TurnPixels(from.plane(), wrong.plane(), Turn::Left));
    EXPECT_EQ(wrong.bits, std::vector<std::uint32_t>(6, 0));
    EXPECT_FALSE(TurnPixels(from.plane(), PixelPlane{}, Turn::FlipVertical));
    EXPECT_FALSE(TurnPixels(PixelPlane{}, wrong.plane(), Turn::FlipVertical));
}

TEST(FloaterTurn, TheFloaterTurnsAroundItsCentreAndComesBackExactly) {
    const Rect wide{100, 50, 201, 100};  // an odd difference of sides
    const Rect upright = TurnAroundCentre(wide, Turn::Left);
    EXPECT_EQ(upright, (Rect{150, 0, 100, 201}));
    EXPECT_EQ(TurnAroundCentre(wide, Turn::Right), upright) << "both quarter turns take the same place";
    EXPECT_EQ(TurnAroundCentre(upright, Turn::Right), wide);
    EXPECT_EQ(TurnAroundCentre(upright, Turn::Left), wide);
    EXPECT_EQ(TurnAroundCentre(wide, Turn::FlipHorizontal), wide);
    EXPECT_EQ(TurnAroundCentre(wide, Turn::FlipVertical), wide);
    // A size change of another kind (a zoom step of a drawn picture) keeps the centre too.
    EXPECT_EQ(ResizedAroundCentre({10, 10, 100, 50}, {110, 55}), (Rect{5, 8, 110, 55}));
    EXPECT_EQ(ResizedAroundCentre({5, 8, 110, 55}, {100, 50}), (Rect{10, 10, 100, 50}));
}

TEST(FloaterDrawing, WhatLiesOffThePictureIsLeftOutAndTheRestLandsInPlace) {
    Picture picture = Numbered();
    Picture drawn{2, 2, {70, 71, 72, 73}};
    // One column and one row hang off the top-left corner: only 73 lands, at (0, 0).
    EXPECT_EQ(LayOver(picture.plane(), drawn.plane(), {-1, -1}), (Rect{0, 0, 1, 1}));
    EXPECT_EQ(picture.bits, (std::vector<std::uint32_t>{73, 2, 3, 4, 5, 6}));
    // Off the bottom-right corner: 70 lands at (2, 1).
    EXPECT_EQ(LayOver(picture.plane(), drawn.plane(), {2, 1}), (Rect{2, 1, 1, 1}));
    EXPECT_EQ(picture.bits, (std::vector<std::uint32_t>{73, 2, 3, 4, 5, 70}));
    // Wholly beside it: nothing.
    EXPECT_TRUE(LayOver(picture.plane(), drawn.plane(), {3, 0}).empty());
    EXPECT_EQ(picture.bits, (std::vector<std::uint32_t>{73, 2, 3, 4, 5, 70}));
}

TEST(FloaterTurn, ANewPictureResizesAnExpandedFloaterAndWaitsInACollapsedOne) {
    FloaterBook book;
    const int n = *book.Create({200, 100}, {20, 17}, {1000, 800});
    const Rect turned = TurnAroundCentre(book.Find(n)->picture, Turn::Left);
    ASSERT_TRUE(book.ReplacePicture(n, {100, 200}, turned));
    EXPECT_EQ(book.Find(n)->natural, (Size{100, 200}));
    EXPECT_EQ(book.Find(n)->picture, turned);
    EXPECT_EQ(book.Find(n)->label.left, turned.left) << "the label follows its picture";
    ASSERT_TRUE(book.ToggleCollapse(n));
    const Rect folded = book.Find(n)->picture;
    ASSERT_TRUE(book.ReplacePicture(n, {200, 100}, {0, 0, 200, 100}));
    EXPECT_EQ(book.Find(n)->picture, folded);
    ASSERT_TRUE(book.ToggleCollapse(n));
    EXPECT_EQ((Size{book.Find(n)->picture.width, book.Find(n)->picture.height}), (Size{200, 100}));
    EXPECT_FALSE(book.ReplacePicture(n + 1, {1, 1}, {}));
}

TEST(FloaterKeys, EachKeyActsOnceAndOnlyWithTheModifiersItNames) {
    struct Case {
        FloaterKeyPress press;
        FloaterKey want;
    };
    const Case cases[] = {
        {{'C', false, true}, FloaterKey::Copy},
        {{'S', false, true}, FloaterKey::Save},
        {{0x20}, FloaterKey::Draw},
        {{'1'}, FloaterKey::RotateLeft},
        {{'2'}, FloaterKey::RotateRight},
        {{'3'}, FloaterKey::FlipHorizontal},
        {{'4'}, FloaterKey::FlipVertical},
        {{0x64}, FloaterKey::FlipVertical},  // the keypad's 4
        {{0x65}, FloaterKey::None},          // the keypad's 5
        {{'5'}, FloaterKey::None},
        {{'C'}, FloaterKey::None},
        {{'1', false, true}, FloaterKey::None},                // Ctrl+1
        {{'C', true, true}, FloaterKey::None},                 // Ctrl+Shift+C restarts a capture
        {{'2', false, false, false, true}, FloaterKey::None},  // held: turned once only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.press.key);
        EXPECT_EQ(DecideFloaterKey(c.press), c.want);
    }
}

TEST(FloaterKeys, TheFloaterUnderThePointerComesBeforeTheOneLastClicked) {
    FloaterBook book;
    const int a = *book.Create({50, 50}, {20, 17}, {800, 600});
    const int b = *book.Create({50, 50}, {20, 17}, {800, 600});
    EXPECT_EQ(FloaterForKeys(a, b, book), a);
    EXPECT_EQ(FloaterForKeys(std::nullopt, b, book), b);
    EXPECT_EQ(FloaterForKeys(std::nullopt, std::nullopt, book), std::nullopt);
    book.Delete(b);
    EXPECT_EQ(FloaterForKeys(std::nullopt, b, book), std::nullopt) << "a deleted Floater takes no key";
    EXPECT_EQ(FloaterForKeys(b, a, book), a);
}

}  // namespace
}  // namespace vellumo

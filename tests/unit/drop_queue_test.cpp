// Dropped files taken one at a time, drops that arrive during a message
// waiting for it, and the limits that stop a drop.
#include <gtest/gtest.h>

#include "floaters/DropQueue.h"
#include "floaters/FloaterBook.h"

namespace vellumo {
namespace {

using Kind = DropItem::Kind;

std::vector<DropItem> Drain(DropQueue& q) {
    std::vector<DropItem> out;
    while (auto item = q.Next()) out.push_back(*item);
    return out;
}

TEST(DropQueue, EveryFileOfADropInOrderAndAnEmptyDropIsTold) {
    DropQueue q;
    q.Add(Kind::OpenAsFloater, {L"a.png", L"bad.png", L"c.png"});
    q.Add(Kind::OpenAsFloater, {});
    q.Add(Kind::ShowPath, {L"x.png", L"y.png"});
    EXPECT_EQ(q.size(), 5u);
    EXPECT_EQ(Drain(q), (std::vector<DropItem>{{Kind::OpenAsFloater, L"a.png"},
                                               {Kind::OpenAsFloater, L"bad.png"},
                                               {Kind::OpenAsFloater, L"c.png"},
                                               {Kind::NoFile, L""},
                                               {Kind::ShowPath, L"x.png"}}))
        << "a bad file does not stop the ones after it; a Floater shows the first path only";
    EXPECT_FALSE(q.Next());
}

// Fixed fault: a web address dropped under Wine came as one "file" named
// with bytes nobody wrote, and was told as a file without an extension.
TEST(DropQueue, ANameNoFileCanHaveIsNoFile) {
    DropQueue q;
    q.Add(Kind::OpenAsFloater, {std::wstring(L"\x01\x03\x2030\x17") + L"\x5355"});
    q.Add(Kind::OpenAsFloater, {L"", L"tab\tname.png", L"ok.png"});
    EXPECT_EQ(Drain(q), (std::vector<DropItem>{{Kind::NoFile, L""}, {Kind::OpenAsFloater, L"ok.png"}}));
}

// Fixed fault: a drop during a message box opened a second box over it.
TEST(DropQueue, ADropDuringAMessageWaitsForTheDrainAlreadyRunning) {
    DropQueue q;
    q.Add(Kind::OpenAsFloater, {L"bad1.png", L"good.png"});
    ASSERT_TRUE(q.BeginDrain());
    EXPECT_EQ(q.Next()->path, L"bad1.png");
    // Inside bad1's message box, a second drop arrives: its handler must not take items.
    q.Add(Kind::OpenAsFloater, {L"late.png"});
    EXPECT_FALSE(q.BeginDrain());
    EXPECT_TRUE(q.draining());
    // The first drain goes on and gets the late file after its own.
    EXPECT_EQ(q.Next()->path, L"good.png");
    EXPECT_EQ(q.Next()->path, L"late.png");
    EXPECT_FALSE(q.Next());
    q.EndDrain();
    EXPECT_FALSE(q.draining());
    EXPECT_TRUE(q.BeginDrain()) << "the next drop drains again";
}

TEST(DropQueue, ALimitDiscardsTheWaitingFloaterFilesOnly) {
    DropQueue q;
    q.Add(Kind::OpenAsFloater, {L"1.png", L"2.png"});
    q.Add(Kind::ShowPath, {L"shown.png"});
    q.Add(Kind::OpenAsFloater, {L"3.png"});
    EXPECT_EQ(q.DiscardFloaterFiles(), 3u);
    EXPECT_EQ(Drain(q), (std::vector<DropItem>{{Kind::ShowPath, L"shown.png"}}));
    EXPECT_EQ(q.DiscardFloaterFiles(), 0u);
}

TEST(FloaterRoom, IndicesAndPixelsRunOut) {
    FloaterBook book;
    constexpr Size kScreen{1024, 768}, kLabel{30, 30};
    EXPECT_EQ(book.PixelsHeld(), 0);
    book.Create({100, 50}, kLabel, kScreen);
    book.Create({10, 10}, kLabel, kScreen);
    EXPECT_EQ(book.PixelsHeld(), 5100);
    EXPECT_EQ(RoomFor(book, 4900, 10000), FloaterRoom::Ok) << "exactly the budget";
    EXPECT_EQ(RoomFor(book, 4901, 10000), FloaterRoom::NoPixels);
    book.Delete(1);
    EXPECT_EQ(book.PixelsHeld(), 100) << "a deleted Floater gives its pixels back";
    // Collapsing changes the picture's box, not the image it holds.
    book.ToggleCollapse(2);
    EXPECT_EQ(book.PixelsHeld(), 100);
    book.nextIndex = 32768;
    EXPECT_EQ(RoomFor(book, 1, 10000), FloaterRoom::NoIndex) << "the index runs out first";
}

TEST(FloaterRoom, MessagesSayWhichLimitAndHowManyFilesWereLeft) {
    const std::wstring pixels = NoRoomMessage(FloaterRoom::NoPixels, L"Z:\\p\\big.png", 4, 1'020'000'000, 1'024'000'000);
    EXPECT_NE(pixels.find(L"Z:\\p\\big.png"), std::wstring::npos);
    EXPECT_NE(pixels.find(L"1020 million"), std::wstring::npos);
    EXPECT_NE(pixels.find(L"1024 million"), std::wstring::npos);
    EXPECT_NE(pixels.find(L"4 more dropped files were not opened"), std::wstring::npos);
    const std::wstring index = NoRoomMessage(FloaterRoom::NoIndex, L"a.png", 1, 0, 0);
    EXPECT_EQ(index.rfind(kIndexExhaustedMessage, 0), 0u);
    EXPECT_NE(index.find(L"1 more dropped file was not opened"), std::wstring::npos);
    EXPECT_EQ(NoRoomMessage(FloaterRoom::NoIndex, L"a.png", 0, 0, 0), kIndexExhaustedMessage);
}

}  // namespace
}  // namespace vellumo

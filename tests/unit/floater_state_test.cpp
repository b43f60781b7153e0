#include "floaters/FloaterState.h"

#include <gtest/gtest.h>

namespace vellumo {
namespace {

SavedFloater At(std::uint64_t picture, int x, int y, int zoom = 100, int opacity = 100, bool collapsed = false) {
    return {picture, Point{x, y}, zoom, opacity, collapsed};
}

TEST(FloaterState, WhatIsWrittenReadsBackTheSame) {
    const SavedFloaters saved{{At(3, -1024, 5, 150), At(7, 100, 200, 100, 40), At(12, 0, 0, 30, 100, true)}, 125};
    const std::string text = FormatFloaters(saved);
    EXPECT_EQ(text.substr(0, text.find('\n')), "vellumo-floaters 1");
    EXPECT_EQ(ParseFloaters(text), saved);
    // Not translucent: no line for it, and none read.
    const SavedFloaters plain{{At(1, 2, 3)}, 0};
    EXPECT_EQ(FormatFloaters(plain).find("translucent"), std::string::npos);
    EXPECT_EQ(ParseFloaters(FormatFloaters(plain)), plain);
    EXPECT_EQ(ParseFloaters(FormatFloaters({})), SavedFloaters{});
}

// A state file cut short, scribbled over, or written by another version
// never stops the start: what can be read is read, the rest is skipped.
TEST(FloaterState, TornOrGarbageFilesGiveWhatCanBeRead) {
    const std::string whole = FormatFloaters({{At(3, 10, 20), At(4, 30, 40, 200)}, 200});
    // Cut in the last line: its zoom "200" would read as "20".
    const std::string torn = whole.substr(0, whole.size() - 8);
    const SavedFloaters fromTorn = ParseFloaters(torn);
    ASSERT_EQ(fromTorn.backToFront.size(), 1u);
    EXPECT_EQ(fromTorn.backToFront[0], At(3, 10, 20));
    EXPECT_EQ(fromTorn.hostAlpha, 200);

    EXPECT_EQ(ParseFloaters(""), SavedFloaters{});
    EXPECT_EQ(ParseFloaters(std::string("\0\0\0\x89PNG\n", 8)), SavedFloaters{});
    EXPECT_EQ(ParseFloaters("vellumo-floaters 2\nfloater 3 1 2 100 100 0\n"), SavedFloaters{}) << "another version";
    EXPECT_EQ(ParseFloaters("vellumo-floaters 1"), SavedFloaters{}) << "a header with no end";

    const SavedFloaters mixed = ParseFloaters(
        "vellumo-floaters 1\r\n"
        "floater 5 1 2 100 100 0\r\n"
        "floater 6 1 2 100 100\n"           // a field short
        "floater 7 1 2 100 100 0 extra\n"   // one too many
        "floater -8 1 2 100 100 0\n"        // no such picture number
        "floater 9 1x 2 100 100 0\n"        // not a number
        "floater 10 1 2 100 100 2\n"        // neither folded nor not
        "floater 11 99999999999 2 100 100 0\n"  // past int
        "translucent 0\n"
        "translucent 256\n"
        "something new 1 2 3\n"
        "floater 12 -5 -6 9000 3 1\n");     // out of range: brought into range
    EXPECT_EQ(mixed.backToFront, (std::vector<SavedFloater>{At(5, 1, 2), At(12, -5, -6, 500, 20, true)}));
    EXPECT_EQ(mixed.hostAlpha, 0);
}

TEST(FloaterState, AClosedFloatersLineStandsAlone) {
    const SavedFloater f = At(42, -3, 7, 250, 60, true);
    EXPECT_EQ(ParseFloaterLine(FormatFloaterLine(f)), f);
    EXPECT_EQ(ParseFloaterLine("floater 42 -3 7 250 60 1"), f);
    EXPECT_FALSE(ParseFloaterLine("floater 42 -3 7 250 60"));
    EXPECT_FALSE(ParseFloaterLine(""));
}

// No picture on disk is lost, whatever the state file says: a state that
// names pictures that are gone skips them, and pictures it does not name
// (written just before a kill) come back too, after the named ones.
TEST(FloaterState, RestoringMergesTheStateWithThePicturesOnDisk) {
    const SavedFloaters saved{{At(4, 1, 1), At(2, 2, 2), At(9, 3, 3), At(4, 5, 5)}, 0};
    const std::vector<SavedFloater> back = FloatersToRestore(saved, {11, 2, 4, 6});
    EXPECT_EQ(back, (std::vector<SavedFloater>{At(4, 1, 1), At(2, 2, 2), {6, std::nullopt}, {11, std::nullopt}}));
    EXPECT_TRUE(FloatersToRestore(saved, {}).empty());
    EXPECT_EQ(FloatersToRestore({}, {3}), (std::vector<SavedFloater>{{3, std::nullopt}}));
}

TEST(FloaterState, SnapshotKeepsOrderPlaceScaleAndFoldOnTheVirtualScreen) {
    FloaterBook book;
    const Rect screen{0, 0, 1000, 800};
    const int a = *book.CreateOn({100, 50}, {20, 10}, screen);
    const int b = *book.CreateOn({40, 40}, {20, 10}, screen);
    const int c = *book.CreateOn({60, 30}, {20, 10}, screen);
    book.MoveTo(a, {10, 20});
    book.MoveTo(b, {300, 400});
    ASSERT_TRUE(book.ToggleCollapse(b));
    book.SetHostAlpha(125);
    FloaterScale zoomed;
    Rect shown = book.Find(a)->picture;
    ASSERT_TRUE(zoomed.WheelZoom(120, shown, {100, 50}, {10, 20}, false, 0));
    FloaterScale faded;
    ASSERT_TRUE(faded.WheelOpacity(-6 * 120, 0));
    const auto scaleOf = [&](int n) -> const FloaterScale* { return n == a ? &zoomed : n == c ? &faded : nullptr; };
    // The host's top-left is at (-1024, 0): a monitor to the left of the primary.
    const SavedFloaters saved = SnapshotFloaters(book, {b, a, c}, scaleOf, {{a, 30}, {b, 31}}, {-1024, 0});
    // c has no picture kept yet: left out until it has.
    EXPECT_EQ(saved.backToFront, (std::vector<SavedFloater>{At(30, 10 - 1024, 20, 110), At(31, 300 - 1024, 400, 100, 100, true)}));
    EXPECT_EQ(saved.hostAlpha, 125);
    book.BackToNormal();
    EXPECT_EQ(SnapshotFloaters(book, {a}, nullptr, {{a, 30}}, {0, 0}).hostAlpha, 0);
}

TEST(FloaterState, FileNamesAndWhatIsForgotten) {
    EXPECT_EQ(FloaterPictureName(12), L"floater-12.png");
    EXPECT_EQ(FloaterPictureNumber(L"floater-12.png"), 12u);
    for (const wchar_t* other : {L"floater-.png", L"floater-1a.png", L"floater-12.png.tmp", L"floater-12.PNG",
                                 L"closed-12.png", L"floater-99999999999999999999.png", L"xfloater-1.png"})
        EXPECT_FALSE(FloaterPictureNumber(other)) << other;
    EXPECT_EQ(ClosedPictureNumber(ClosedPictureName(7)), 7u);
    EXPECT_EQ(ClosedPlaceName(7), L"closed-7.floater");
    EXPECT_FALSE(ClosedPictureNumber(L"closed-7.floater"));

    std::vector<std::uint64_t> closed;
    for (std::uint64_t n = 1; n <= 20; ++n) closed.push_back(n);
    EXPECT_TRUE(ClosedToForget(closed).empty()) << "twenty are kept";
    closed.push_back(30);
    closed.push_back(2);  // named twice
    EXPECT_EQ(ClosedToForget(closed), (std::vector<std::uint64_t>{1}));
    EXPECT_EQ(NextNumber({}), 1u);
    EXPECT_EQ(NextNumber({4, 19, 2}), 20u);

    for (const wchar_t* temp : {L"floaters.state.tmp", L"floater-3.png.tmp", L"closed-3.png.tmp", L"closed-3.floater.tmp"})
        EXPECT_TRUE(IsLeftoverFloaterTemporary(temp)) << temp;
    for (const wchar_t* kept : {L"floaters.state", L"floater-3.png", L"notes.tmp", L"capture-20200101-000000-000.png.tmp"})
        EXPECT_FALSE(IsLeftoverFloaterTemporary(kept)) << kept;
}

}  // namespace
}  // namespace vellumo

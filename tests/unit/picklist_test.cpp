#include "overlay/PickList.h"

#include <gtest/gtest.h>

#include <map>

namespace vellumo {
namespace {

// A scripted desktop: top-level windows in z-order with their descendants.
class FakeLister : public WindowLister {
public:
    std::vector<WindowId> top;
    std::map<WindowId, std::vector<WindowId>> children;
    std::map<WindowId, Rect> rects;  // missing: the window is gone

    std::vector<WindowId> VisibleTopLevel() override { return top; }
    std::vector<WindowId> VisibleDescendants(WindowId w) override { return children[w]; }
    bool WindowRect(WindowId w, Rect& out) override {
        auto it = rects.find(w);
        if (it == rects.end()) return false;
        out = it->second;
        return true;
    }
};

FakeLister Desktop() {
    FakeLister d;
    d.top = {1, 2, 3};
    d.rects[1] = {100, 100, 200, 150};  // a dialog on top
    d.children[1] = {11, 12};
    d.rects[11] = {120, 200, 60, 25};   // its OK button
    d.rects[12] = {190, 200, 60, 25};   // its Cancel button
    d.rects[2] = {0, 0, 800, 600};      // a big window below it
    d.children[2] = {21, 22};
    d.rects[21] = {0, 0, 800, 30};      // a toolbar
    d.rects[22] = {10, 5, 20, 20};      // a button on the toolbar (listed after it)
    d.rects[3] = {0, 0, 1920, 1080};    // the desktop
    return d;
}

TEST(PickList, ChildrenComeBeforeTheirTopLevelWindowInZOrder) {
    FakeLister d = Desktop();
    PickList p;
    p.Build(d);
    EXPECT_EQ(p.TopWindows(), (std::vector<WindowId>{1, 2, 3}));
    EXPECT_EQ(p.Windows(), (std::vector<WindowId>{11, 12, 1, 21, 22, 2, 3}));
}

TEST(PickList, FindsTheInnermostListedWindowOfTheTopmostHit) {
    FakeLister d = Desktop();
    PickList p;
    p.Build(d);
    auto hit = [&p](int x, int y) -> WindowId {
        auto k = p.Find({x, y});
        return k ? p.Windows()[*k] : 0;
    };
    EXPECT_EQ(hit(130, 210), 11u) << "a dialog's button, not the dialog";
    EXPECT_EQ(hit(150, 150), 1u) << "the dialog where no child is";
    EXPECT_EQ(hit(400, 400), 2u);
    EXPECT_EQ(hit(15, 10), 21u) << "the first listed descendant wins";
    EXPECT_EQ(hit(1500, 900), 3u) << "bare desktop";
    // Edges are inclusive: the pixel just right of / below the rectangle still hits.
    EXPECT_EQ(hit(180, 225), 11u);
    EXPECT_EQ(hit(181, 210), 1u);
    EXPECT_EQ(hit(120, 200), 11u);
    EXPECT_EQ(hit(119, 200), 1u);
    EXPECT_EQ(hit(1920, 1080), 3u);
    EXPECT_EQ(hit(1921, 1080), 0u);
    EXPECT_EQ(hit(-1, 0), 0u);
}

TEST(PickList, TheFoundWindowsRectangleIsTheOneListed) {
    FakeLister d = Desktop();
    PickList p;
    p.Build(d);
    for (const auto& [id, rect] : d.rects) {
        const auto k = p.Find({rect.left + rect.width / 2, rect.top + rect.height / 2});
        ASSERT_TRUE(k);
        const WindowId found = p.Windows()[*k];
        EXPECT_EQ(p.WindowRectOf(*k), d.rects[found]) << "window " << found << " found for " << id;
    }
}

TEST(PickList, EmptyListAndVanishedWindows) {
    FakeLister none;
    PickList p;
    p.Build(none);
    EXPECT_EQ(p.size(), 0u);
    EXPECT_FALSE(p.Find({0, 0}));

    FakeLister d = Desktop();
    d.rects.erase(12);  // closed between listing and asking
    p.Build(d);
    EXPECT_EQ(p.Windows(), (std::vector<WindowId>{11, 1, 21, 22, 2, 3}));
    EXPECT_EQ(p.Windows()[*p.Find({200, 210})], 1u);
}

TEST(PickList, RebuildReplacesTheOldList) {
    FakeLister d = Desktop();
    PickList p;
    p.Build(d);
    d.top = {3};
    p.Build(d);
    EXPECT_EQ(p.Windows(), (std::vector<WindowId>{3}));
    EXPECT_EQ(p.Windows()[*p.Find({130, 210})], 3u);
}

}  // namespace
}  // namespace vellumo

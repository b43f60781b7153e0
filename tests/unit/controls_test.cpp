#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "controls/CaptionLabelModel.h"
#include "controls/PropertyBag.h"
#include "controls/ValueSliderModel.h"

namespace vellumo {
namespace {

// ---- value slider ----

struct Kept {
    float v, max;
    bool over;
    float want;
};

TEST(ValueSliderModel, KeptValueTable) {
    const Kept cases[] = {
        {150, 100, false, 100},   // cut to Max
        {150, 100, true, 150},    // over-max allowed
        {100.4f, 100, false, 100},
        {100.5f, 100, true, 100}, // rounded, half to even
        {-3, 100, false, 0},
        {-0.2f, 100, false, 0},
        {0, 100, false, 0},
        {7.5f, 100, false, 8},
        {6.5f, 100, false, 6},
        {0.5f, 100, false, 0},
        {1.5f, 100, false, 2},
        {12.5f, 100, false, 12},
        {99.5f, 100, false, 100},
        {120, 99.5f, false, 99.5f},  // a cut value is not rounded
        {99.5f, 99.5f, false, 100},  // on Max: rounded, so it may exceed Max
        {300, 255, false, 255},
        {254.6f, 255, false, 255},
    };
    for (const Kept& c : cases)
        EXPECT_EQ(SliderValueFor(c.v, c.max, c.over), c.want) << c.v << " max " << c.max << " over " << c.over;
    // Never -0 (it would show as "-0" in the text box).
    EXPECT_FALSE(std::signbit(SliderValueFor(-0.0f, 100, false)));
    EXPECT_FALSE(std::signbit(SliderValueFor(0.3f, 100, false)));
}

TEST(ValueSliderModel, EverySetRedrawsThenRaisesChange) {
    ValueSliderModel m;
    std::vector<std::string> log;
    m.Redraw = [&] { log.push_back("draw"); };
    m.Change = [&] { log.push_back("change " + std::to_string(static_cast<int>(m.Value()))); };
    m.PropertyChanged = [&](std::string_view n) { log.push_back(std::string(n)); };
    EXPECT_EQ(m.Max(), 100);  // fresh control
    m.SetValue(150);
    EXPECT_EQ(m.Value(), 100);
    EXPECT_EQ(log, (std::vector<std::string>{"draw", "change 100", "Value"}));
    log.clear();
    m.SetValue(100);  // unchanged, still one Change
    EXPECT_EQ(log, (std::vector<std::string>{"draw", "change 100", "Value"}));
    log.clear();
    m.SetOverMaxable(true);  // no redraw
    EXPECT_EQ(log, (std::vector<std::string>{"OverMaxable"}));
    m.SetValue(150);
    EXPECT_EQ(m.Value(), 150);
    log.clear();
    m.SetMax(50);  // Value is not cut again by a new Max
    EXPECT_EQ(m.Value(), 150);
    EXPECT_EQ(log, (std::vector<std::string>{"draw", "Max"}));
}

TEST(ValueSliderModel, DragMapsPixelsToScaleAndClampsPastBothEdges) {
    ValueSliderModel m;
    m.SetMax(255);
    m.SetValue(255);
    int changes = 0;
    m.Change = [&] { ++changes; };
    const int width = 121;
    EXPECT_FLOAT_EQ(m.ScaleX(0, width), 0);
    EXPECT_FLOAT_EQ(m.ScaleX(121, width), 255);
    EXPECT_NEAR(m.ScaleX(60.5f, width), 127.5f, 1e-4);

    m.PointerMove(0, m.ScaleX(10, width));  // no button: nothing
    m.PointerMove(2, m.ScaleX(10, width));  // right button: nothing
    EXPECT_EQ(m.Value(), 255);
    EXPECT_EQ(changes, 0);

    // From the middle to far right: exactly Max.
    for (int x = 60; x <= 400; x += 17) m.PointerMove(1, m.ScaleX(static_cast<float>(x), width));
    EXPECT_EQ(m.Value(), 255);
    m.PointerMove(1 | 4, m.ScaleX(60, width));  // left among other buttons
    EXPECT_EQ(m.Value(), 126);                  // 126.45 rounded
    m.PointerMove(1, m.ScaleX(-40, width));     // past the left edge
    EXPECT_EQ(m.Value(), 0);
    EXPECT_EQ(m.ScaleX(5, 0), 0);  // a zero-width window maps everything to 0
}

TEST(ValueSliderModel, PictureGeometry) {
    ValueSliderModel m;  // Max 100
    m.SetValue(50);
    SliderPicture p = m.Picture({121, 9});
    EXPECT_EQ(p.bar, (Rect{0, 3, 121, 2}));
    // 40..60 units = 48.4..72.6 px, each edge rounded.
    EXPECT_EQ(p.thumb, (Rect{48, 0, 25, 9}));
    m.SetValue(0);  // half the thumb off the left edge
    EXPECT_EQ(m.Picture({100, 12}).thumb, (Rect{-10, 0, 20, 12}));
    EXPECT_EQ(m.Picture({100, 12}).bar, (Rect{0, 4, 100, 3}));
    m.SetMax(255);
    m.SetValue(255);  // thumb narrower on a larger scale
    EXPECT_EQ(m.Picture({255, 9}).thumb, (Rect{245, 0, 20, 9}));
    m.SetMax(100);
    m.SetOverMaxable(true);
    m.SetValue(1e30f);  // far beyond: off screen, no overflow
    EXPECT_GT(m.Picture({121, 9}).thumb.left, 121);
    m.SetMax(0);
    EXPECT_TRUE(m.Picture({121, 9}).thumb.empty());
}

TEST(ValueSliderModel, StoredProperties) {
    {  // nothing stored: Max 2500, Value 0 through the setter
        ValueSliderModel m;
        int changes = 0;
        m.Change = [&] { ++changes; };
        m.ReadProperties(PropertyBag{});
        EXPECT_EQ(m.Max(), 2500);
        EXPECT_EQ(m.Value(), 0);
        EXPECT_FALSE(m.OverMaxable());
        EXPECT_EQ(changes, 1);
    }
    {  // a stored 0 becomes 2500; Value read after Max, OverMaxable last
        PropertyBag bag;
        bag.Write("Max", 0.0f);
        bag.Write("Value", 3000.0f);
        bag.Write("OverMaxable", true);
        ValueSliderModel m;
        std::vector<std::string> order;
        m.PropertyChanged = [&](std::string_view n) { order.emplace_back(n); };
        m.ReadProperties(bag);
        EXPECT_EQ(m.Max(), 2500);
        EXPECT_EQ(m.Value(), 2500);  // cut: OverMaxable still False when Value is read
        EXPECT_TRUE(m.OverMaxable());
        EXPECT_EQ(order, (std::vector<std::string>{"Max", "Value", "OverMaxable"}));
    }
    {  // stored value goes through the setter
        PropertyBag bag;
        bag.Write("Max", 255.0f);
        bag.Write("Value", 6.5f);
        ValueSliderModel m;
        m.ReadProperties(bag);
        EXPECT_EQ(m.Max(), 255);
        EXPECT_EQ(m.Value(), 6);
    }
    {  // save omits defaults, keeps the rest, reads back the same
        ValueSliderModel m;
        m.SetMax(2500);
        PropertyBag bag;
        m.WriteProperties(bag);
        EXPECT_EQ(bag.Count(), 0u);
        m.SetMax(100);
        m.SetValue(5);
        m.SetOverMaxable(true);
        m.WriteProperties(bag);
        EXPECT_EQ(bag.Count(), 3u);
        ValueSliderModel back;
        back.ReadProperties(bag);
        EXPECT_EQ(back.Max(), 100);
        EXPECT_EQ(back.Value(), 5);
        EXPECT_TRUE(back.OverMaxable());
        m.SetValue(0);
        m.SetOverMaxable(false);
        m.WriteProperties(bag);  // back to defaults: entries removed
        EXPECT_FALSE(bag.Has("Value"));
        EXPECT_FALSE(bag.Has("OverMaxable"));
        EXPECT_TRUE(bag.Has("Max"));
    }
}

// ---- caption label ----

TEST(CaptionLabelModel, CaptionCentred) {
    EXPECT_EQ(CaptionRect({35, 22}, {25, 16}), (Rect{5, 3, 25, 16}));
    EXPECT_EQ(CaptionRect({35, 22}, {24, 15}), (Rect{5, 3, 24, 15}));  // odd spare pixel goes right/down
    // A longer caption moves left to stay centred, past the edge if it must.
    EXPECT_EQ(CaptionRect({35, 22}, {31, 16}), (Rect{2, 3, 31, 16}));
    EXPECT_EQ(CaptionRect({35, 22}, {40, 16}), (Rect{-3, 3, 40, 16}));
    EXPECT_EQ(CaptionRect({35, 22}, {45, 26}), (Rect{-5, -2, 45, 26}));

    CaptionLabelModel m;
    int recentred = 0;
    m.Recentre = [&] { ++recentred; };
    m.SetCaption(L"A longer caption");
    m.SetFont(FontDesc{L"微软雅黑", 9});
    EXPECT_EQ(recentred, 2);
}

struct EventLog {
    std::vector<std::string> events;
    void Attach(CaptionLabelModel& m) {
        m.MouseMove = [this](int, int, float x, float y) {
            events.push_back("move " + std::to_string(int(x)) + "," + std::to_string(int(y)));
        };
        m.MouseEnter = [this] { events.push_back("enter"); };
        m.MouseLeave = [this] { events.push_back("leave"); };
    }
};

TEST(CaptionLabelModel, InAcrossAndOutRaisesMoveEnterMovesLeaveOnce) {
    CaptionLabelModel m;
    EventLog log;
    log.Attach(m);
    const Size box{35, 22};
    EXPECT_EQ(m.SurfaceMove(0, 0, 0, 10, box), CaptureRequest::Take);  // on the edge is inside
    EXPECT_EQ(m.SurfaceMove(0, 0, 17, 10, box), CaptureRequest::Take);  // capture again on every move
    m.CaptionMove(0, 0, 18, 10);
    EXPECT_EQ(m.SurfaceMove(1, 0, 35, 22, box), CaptureRequest::Take);
    EXPECT_TRUE(m.Hovering());
    EXPECT_EQ(m.SurfaceMove(1, 0, 36, 10, box), CaptureRequest::Release);
    EXPECT_FALSE(m.Hovering());
    m.CaptureLost();  // the release we asked for: no second leave
    EXPECT_EQ(log.events, (std::vector<std::string>{"move 0,10", "enter", "move 17,10", "move 18,10",
                                                    "move 35,22", "leave"}));

    // Out through each side; a capture taken by someone else also ends the hover.
    for (const auto& [x, y] : {std::pair{-1.f, 5.f}, {5.f, -1.f}, {5.f, 23.f}}) {
        log.events.clear();
        m.SurfaceMove(0, 0, 5, 5, box);
        m.SurfaceMove(0, 0, x, y, box);
        EXPECT_EQ(log.events, (std::vector<std::string>{"move 5,5", "enter", "leave"})) << x << "," << y;
    }
    log.events.clear();
    m.SurfaceMove(0, 0, 5, 5, box);
    m.CaptureLost();
    m.CaptureLost();
    m.SurfaceMove(0, 0, 6, 5, box);
    EXPECT_EQ(log.events, (std::vector<std::string>{"move 5,5", "enter", "leave", "move 6,5", "enter"}));
}

TEST(CaptionLabelModel, SettersNotifyAndBorderGetter) {
    CaptionLabelModel m;
    std::vector<std::string> names;
    int repaints = 0;
    m.PropertyChanged = [&](std::string_view n) { names.emplace_back(n); };
    m.Repaint = [&] { ++repaints; };
    EXPECT_EQ(m.BackColor(), kCenterTextBackDefault);
    EXPECT_TRUE(m.WithBorder());
    m.SetBackColor(0x404040);
    m.SetWithBorder(false);
    EXPECT_FALSE(m.WithBorder());
    m.SetForeColor(0xFFFFFF);
    m.SetCaption(L"Color");
    m.SetFont(FontDesc{});
    EXPECT_EQ(names, (std::vector<std::string>{"BackColor", "WithBorder", "ForeColor", "Caption", "Font"}));
    EXPECT_EQ(repaints, 3);
}

TEST(CaptionLabelModel, StoredProperties) {
    {  // defaults on save: 0, 1, the control's name, 0; Font always
        CaptionLabelModel m(L"MoreC");
        m.SetBackColor(0);
        m.SetForeColor(0);
        m.SetCaption(L"MoreC");
        PropertyBag bag;
        m.WriteProperties(bag);
        EXPECT_EQ(bag.Count(), 1u);
        EXPECT_TRUE(bag.Has("Font"));
    }
    CaptionLabelModel m(L"MoreC");
    m.SetBackColor(0x404040);
    m.SetWithBorder(false);
    m.SetCaption(L"Color");
    m.SetForeColor(0xFFFFFF);
    m.SetFont(FontDesc{L"微软雅黑", 9, true});
    PropertyBag bag;
    m.WriteProperties(bag);
    EXPECT_EQ(bag.ReadInt("WithBorder", 7), 0);  // stored as the frame style number
    EXPECT_EQ(bag.Count(), 5u);

    CaptionLabelModel back(L"MoreC");
    std::vector<std::string> order;
    back.PropertyChanged = [&](std::string_view n) { order.emplace_back(n); };
    back.ReadProperties(bag);
    EXPECT_EQ(order, (std::vector<std::string>{"BackColor", "WithBorder", "Caption", "ForeColor", "Font"}));
    EXPECT_EQ(back.BackColor(), 0x404040u);
    EXPECT_FALSE(back.WithBorder());
    EXPECT_EQ(back.Caption(), L"Color");
    EXPECT_EQ(back.ForeColor(), 0xFFFFFFu);
    EXPECT_EQ(back.Font(), (FontDesc{L"微软雅黑", 9, true}));

    // Missing entries keep the current values; system colours survive the
    // 32-bit round trip; WithBorder read as a number, any non-zero is True.
    CaptionLabelModel fresh(L"Sets");
    fresh.SetCaption(L"Font");
    PropertyBag partial;
    partial.Write("WithBorder", std::int32_t{-1});
    fresh.ReadProperties(partial);
    EXPECT_EQ(fresh.BackColor(), kCenterTextBackDefault);
    EXPECT_EQ(fresh.Caption(), L"Font");
    EXPECT_TRUE(fresh.WithBorder());
    fresh.WriteProperties(partial);
    CaptionLabelModel again(L"Sets");
    again.ReadProperties(partial);
    EXPECT_EQ(again.BackColor(), kCenterTextBackDefault);
    EXPECT_EQ(again.ForeColor(), kCenterTextForeDefault);
}

TEST(ControlsPropertyBag, ConversionsAndWrongTypes) {
    PropertyBag bag;
    bag.Write("b", true);
    bag.Write("f", 2.75f);
    bag.Write("t", std::wstring(L"x"));
    EXPECT_EQ(bag.ReadInt("b", 0), -1);
    EXPECT_EQ(bag.ReadFloat("b", 0), -1);
    EXPECT_EQ(bag.ReadInt("f", 0), 2);
    EXPECT_TRUE(bag.ReadBool("f", false));
    EXPECT_EQ(bag.ReadFloat("t", 4), 4);  // text is not a number
    EXPECT_EQ(bag.ReadText("f", L"d"), L"d");
    EXPECT_EQ(bag.ReadFont("t", FontDesc{L"F"}).name, L"F");
    EXPECT_EQ(bag.ReadFloat("missing", 1.5f), 1.5f);
}

}  // namespace
}  // namespace vellumo

// The capture overlay as a user meets it: vellumo.exe under Wine over a
// desktop of known colours (root background + vfixture.exe), driven with real
// pointer and key input, checked by the pixels on screen and by the overlay's
// own windows (read through vprobe.exe). Each test starts the program once.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "tests/e2e/FixtureLayout.h"
#include "tests/e2e/harness/Harness.h"

using namespace e2e;
using namespace vellumo::e2e;

namespace {

constexpr int kScreenW = 1024, kScreenH = 768;
constexpr Pixel kBg{90, 140, 60};
constexpr int kColorHighlight = 13;  // COLOR_HIGHLIGHT
constexpr unsigned kWmClose = 0x0010;

struct Box {
    int l, t, w, h;
    int r() const { return l + w; }
    int b() const { return t + h; }
    int cx() const { return l + w / 2; }
    int cy() const { return t + h / 2; }
    friend bool operator==(const Box&, const Box&) = default;
};
std::string Str(const Box& b) {
    char s[80];
    std::snprintf(s, sizeof s, "(%d,%d %dx%d)", b.l, b.t, b.w, b.h);
    return s;
}
std::string Describe(const std::vector<Box>& boxes) {
    std::string s;
    for (const Box& b : boxes) s += Str(b);
    return s;
}
Box BoxOf(const WinInfo& w) { return {w.left, w.top, w.width(), w.height()}; }

// The fixture on screen: top-level at (100,150) 400x300.
const Box kTop{100, 150, 400, 300};
const Box kA{kTop.l + kPanelARect.left, kTop.t + kPanelARect.top, kPanelARect.width, kPanelARect.height};
const Box kNestedBox{kA.l + kNestedRect.left, kA.t + kNestedRect.top, kNestedRect.width, kNestedRect.height};
const Box kB{kTop.l + kPanelBRect.left, kTop.t + kPanelBRect.top, kPanelBRect.width, kPanelBRect.height};

Box FrameOf(const Box& w) { return {w.l - 2, w.t - 2, w.w + 4, w.h + 4}; }

Pixel Of(const Rgb& c) { return {c.r, c.g, c.b}; }
int DarkChannel(int c) { return (c * 85 + 127) / 255; }
Pixel Dark(const Pixel& c) { return {DarkChannel(c.r), DarkChannel(c.g), DarkChannel(c.b)}; }

std::string SizeText(int w, int h) { return std::to_string(w) + " \xC3\x97 " + std::to_string(h); }

// "RGB(r , g , b)" exactly, or nothing.
std::optional<Pixel> ParseRgb(const std::string& s) {
    Pixel p;
    if (std::sscanf(s.c_str(), "RGB(%d , %d , %d)", &p.r, &p.g, &p.b) != 3) return std::nullopt;
    const std::string again =
        "RGB(" + std::to_string(p.r) + " , " + std::to_string(p.g) + " , " + std::to_string(p.b) + ")";
    if (again != s) return std::nullopt;
    return p;
}

// Where the magnifier should stand for pointer (x, y).
int VaLeft(int x) { return x + 20 + 130 <= kScreenW ? x + 20 : x - 150; }
int VaTop(int y) { return y + 20 + 161 <= kScreenH ? y + 20 : y - 181; }

// The eight handle boxes a completed frame should have, sorted.
std::vector<Box> HandlesFor(const Box& f) {
    std::vector<Box> out;
    const int xs[3] = {f.l, f.l + f.w / 2, f.l + f.w}, ys[3] = {f.t, f.t + f.h / 2, f.t + f.h};
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            if (i != 1 || j != 1) out.push_back({xs[i] - 3, ys[j] - 3, 6, 6});
    std::sort(out.begin(), out.end(), [](const Box& a, const Box& b) { return std::tie(a.t, a.l) < std::tie(b.t, b.l); });
    return out;
}

// The overlay's windows as the Win32 side sees them.
struct OverlayView {
    int overlays = 0;  // top-level overlay windows
    std::optional<WinInfo> top, va, sizeCaption, rgbCaption, tools;
    std::array<std::optional<WinInfo>, 8> si;

    std::vector<Box> Handles() const {
        std::vector<Box> out;
        for (const auto& s : si)
            if (s) out.push_back(BoxOf(*s));
        std::sort(out.begin(), out.end(),
                  [](const Box& a, const Box& b) { return std::tie(a.t, a.l) < std::tie(b.t, b.l); });
        return out;
    }
    bool HandlesHidden() const {
        return std::all_of(si.begin(), si.end(), [](const auto& s) { return s && s->top == -6 && s->bottom == 0; });
    }
    bool ToolsShown() const { return tools && tools->visible; }
};

class OverlayE2E : public ::testing::Test {
protected:
    void SetUp() override {
        exe_ = WinExe("vellumo.exe");
        ASSERT_TRUE(std::filesystem::exists(exe_)) << exe_ << " missing: run make build-win64";
        ASSERT_TRUE(std::filesystem::exists(WinExe("vfixture.exe"))) << "vfixture.exe missing";
        d_ = std::make_unique<Display>(kScreenW, kScreenH);
        d_->SetBackground(kBg);
        fixture_ = d_->Start(WinExe("vfixture.exe"), {std::to_string(kTop.l), std::to_string(kTop.t),
                                                      std::to_string(kTop.w), std::to_string(kTop.h)});
        ASSERT_TRUE(WaitUntil([&] { return FixtureShows(0); }, 10s)) << "the fixture never painted";
        highlight_ = d_->SysColor(kColorHighlight);
        ASSERT_GE(highlight_.r, 0) << "vprobe could not read COLOR_HIGHLIGHT";
    }

    void TearDown() override {
        if (!d_) return;
        ShotIfFailed();
        const std::string name = d_->name();
        d_.reset();
        EXPECT_TRUE(ProcessesOf(name).empty()) << "processes left on " << name;
    }

    // The screen as the first failure left it, once per test.
    void ShotIfFailed() {
        if (!HasFailure() || shot_) return;
        shot_ = true;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string dir = VELLUMO_E2E_SHOT_DIR;
        std::filesystem::create_directories(dir);
        const std::string path = dir + "/" + info->name() + ".png";
        if (d_->SaveScreenshot(path)) std::printf("screenshot of the failure: %s\n", path.c_str());
    }

    bool FixtureShows(int palette) {
        const Palette& p = kPalettes[palette];
        return d_->GetPixel(kNestedBox.cx(), kNestedBox.cy()) == Of(p.nested) &&
               d_->GetPixel(kB.cx(), kB.cy()) == Of(p.panelB) && d_->GetPixel(kTop.l + 2, kTop.b() - 3) == Of(p.top);
    }

    // Starts vellumo.exe with the pointer at (x, y); returns once its overlay is listed.
    void Launch(int x, int y, const std::vector<std::string>& env = {}) {
        Jump(x, y);
        app_ = d_->Start(exe_, {}, env);
        const bool up = WaitUntil(
            [&] {
                const auto v = Overlay();
                return (v.top && v.top->visible) || !d_->Running(app_);
            },
            10s, 50ms);
        ASSERT_TRUE(up && d_->Running(app_)) << "no visible overlay window (class VellumoScrShot) appeared";
    }

    OverlayView Overlay() {
        OverlayView v;
        std::string firstTop;
        for (const WinInfo& w : d_->ListWindows("VellumoScrShot")) {
            if (w.parent == "0") {
                ++v.overlays;
                if (!v.top) {
                    v.top = w;
                    firstTop = w.hwnd;
                }
                continue;
            }
            if (v.overlays != 1) continue;  // children of the first overlay only
            if (w.cls == "VellumoVa") v.va = w;
            if (w.cls == "VellumoTools") v.tools = w;
            if (w.cls == "VellumoSi" && w.title.size() == 5 && w.title.rfind("Si(", 0) == 0 && w.title[4] == ')') {
                const int k = w.title[3] - '0';
                if (k >= 0 && k < 8) v.si[k] = w;
            }
        }
        if (v.va) {
            for (const WinInfo& w : d_->ListWindows("VellumoScrShot")) {
                // Found by control id: the captions' class is the program's business.
                if (w.parent != v.va->hwnd) continue;
                if (w.id == 1) v.sizeCaption = w;
                if (w.id == 2) v.rgbCaption = w;
            }
        }
        return v;
    }

    std::string SizeCaption() {
        const auto v = Overlay();
        return v.sizeCaption ? d_->WindowText(v.sizeCaption->hwnd) : "<no Size caption>";
    }
    std::string RgbCaption() {
        const auto v = Overlay();
        return v.rgbCaption ? d_->WindowText(v.rgbCaption->hwnd) : "<no RGBCO caption>";
    }

    bool PixelNear(int x, int y, const Pixel& want) { return Near(d_->GetPixel(x, y), want, 1); }

    void ExpectPixelSoon(int x, int y, const Pixel& want, const std::string& what, Ms timeout = 1500ms) {
        const bool ok = WaitUntil([&] { return PixelNear(x, y, want); }, timeout);
        EXPECT_TRUE(ok) << what << " at (" << x << "," << y << "): want " << ToString(want) << ", got "
                        << ToString(d_->GetPixel(x, y));
    }

    // The frame's border: `border` pixels of the highlight colour centred on
    // the frame's edge (1 px: its outermost pixels), with no highlight just
    // inside and just outside. Each side is sampled where the overlay's own
    // panels (magnifier, toolbar) and the handles do not cover it; at least
    // three sides must be seen.
    bool RingIs(const Box& f, int border, const std::vector<Box>& covered, std::string* why = nullptr) {
        const int outL = f.l - border / 2, outT = f.t - border / 2;
        const int outR = f.r() + border / 2 - 1, outB = f.b() + border / 2 - 1;  // last pixels
        struct Probe {
            int x, y;
            bool lit;
        };
        auto hidden = [&](int x, int y) {
            return std::any_of(covered.begin(), covered.end(), [&](const Box& c) {
                return x >= c.l - 1 && x <= c.r() && y >= c.t - 1 && y <= c.b();
            });
        };
        int sides = 0;
        for (int side = 0; side < 4; ++side) {
            for (const int eighth : {2, 6, 1, 7, 3, 5}) {
                const int sx = f.l + f.w * eighth / 8, sy = f.t + f.h * eighth / 8;
                std::array<Probe, 4> ps;
                switch (side) {
                    case 0: ps = {{{outL, sy, true}, {outL + border - 1, sy, true}, {outL - 1, sy, false}, {outL + border, sy, false}}}; break;
                    case 1: ps = {{{outR, sy, true}, {outR - border + 1, sy, true}, {outR + 1, sy, false}, {outR - border, sy, false}}}; break;
                    case 2: ps = {{{sx, outT, true}, {sx, outT + border - 1, true}, {sx, outT - 1, false}, {sx, outT + border, false}}}; break;
                    default: ps = {{{sx, outB, true}, {sx, outB - border + 1, true}, {sx, outB + 1, false}, {sx, outB - border, false}}}; break;
                }
                if (std::any_of(ps.begin(), ps.end(), [&](const Probe& p) {
                        return hidden(p.x, p.y) || p.x < 0 || p.y < 0 || p.x >= kScreenW || p.y >= kScreenH;
                    }))
                    continue;
                for (const Probe& p : ps) {
                    const Pixel got = d_->GetPixel(p.x, p.y);
                    if (Near(got, highlight_, 1) != p.lit) {
                        if (why) {
                            char at[40];
                            std::snprintf(at, sizeof at, "(%d,%d) is ", p.x, p.y);
                            *why = at + ToString(got) + (p.lit ? ", not the highlight " : ", the highlight ") +
                                   ToString(highlight_);
                        }
                        return false;
                    }
                }
                ++sides;
                break;
            }
        }
        if (sides < 3 && why) *why = "only " + std::to_string(sides) + " sides in sight";
        return sides >= 3;
    }

    // What of the overlay's own windows may lie over the frame.
    std::vector<Box> Covering() {
        const auto v = Overlay();
        std::vector<Box> out;
        if (v.va && v.va->visible) out.push_back(BoxOf(*v.va));
        if (v.tools && v.tools->visible) out.push_back(BoxOf(*v.tools));
        for (const auto& h : v.si)
            if (h && h->visible) out.push_back(BoxOf(*h));
        return out;
    }

    void ExpectRingSoon(const Box& f, int border, const std::string& what, Ms timeout = 1500ms) {
        std::vector<Box> covered = Covering();
        const bool ok = WaitUntil([&] { return RingIs(f, border, covered); }, timeout);
        std::string why;
        if (!ok) RingIs(f, border, Covering(), &why);
        EXPECT_TRUE(ok) << what << ": no " << border << "-px frame " << Str(f) << ": " << why;
    }

    void Jump(int x, int y) {
        d_->MovePointer(x, y);
        px_ = x;
        py_ = y;
    }

    // A hand on a mouse: small steps, so the magnifier 20 px ahead of the
    // pointer never ends up under it.
    void GlideTo(int x, int y) {
        if (px_ == x && py_ == y) return;
        while (px_ != x || py_ != y) {
            const int dx = std::clamp(x - px_, -8, 8), dy = std::clamp(y - py_, -8, 8);
            Jump(px_ + dx, py_ + dy);
            std::this_thread::sleep_for(3ms);
        }
        WaitVa(x, y);
    }

    // Until the magnifier stands beside (x, y): the program has caught up
    // with the pointer. Not a check; the checks come later.
    void WaitVa(int x, int y) {
        WaitUntil(
            [&] {
                const auto v = Overlay();
                return v.va && v.va->left == VaLeft(x) && v.va->top == VaTop(y);
            },
            400ms, 10ms);
    }

    // A pointer move the program has taken in: its magnifier stands beside
    // the new point (waited for briefly; the checks come later).
    void MoveSeen(int x, int y) {
        Jump(x, y);
        WaitVa(x, y);
    }

    // Press at `from`, `moves` paced moves in a straight line to `to`, release.
    void DragWithMoves(int fx, int fy, int tx, int ty, int moves) {
        GlideTo(fx, fy);
        d_->ButtonDown();
        for (int i = 1; i <= moves; ++i) MoveSeen(fx + (tx - fx) * i / moves, fy + (ty - fy) * i / moves);
        d_->ButtonUp();
    }

    bool WaitSelected() {
        return WaitUntil([&] { return Overlay().ToolsShown(); }, 3s, 50ms);
    }

    // The completed selection `f`: 1-px border, handles on its corners and
    // midpoints, its size in the Size caption.
    void ExpectSelection(const Box& f, const std::string& what) {
        ASSERT_TRUE(WaitSelected()) << what << ": Tools never shown";
        // The magnifier out of the way; the move also refreshes the read-out.
        GlideTo(1000, 740);
        EXPECT_TRUE(WaitUntil([&] { return Overlay().Handles() == HandlesFor(f); }, 1500ms, 50ms))
            << what << ": handles not on the frame " << Str(f);
        const auto v = Overlay();
        ASSERT_EQ(v.Handles().size(), 8u) << what;
        for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(Str(v.Handles()[i]), Str(HandlesFor(f)[i])) << what;
        ExpectRingSoon(f, 1, what);
        EXPECT_TRUE(WaitUntil([&] { return SizeCaption() == SizeText(f.w, f.h); }, 1500ms, 50ms))
            << what << ": Size caption \"" << SizeCaption() << "\", want \"" << SizeText(f.w, f.h) << "\"";
    }

    void ExpectToolsAt(const Box& f, const std::string& what) {
        const int top = f.t + 5 > 113 ? f.t - 118 : (f.b() + 113 + 5 < kScreenH ? f.b() + 5 : f.t);
        const auto v = Overlay();
        ASSERT_TRUE(v.tools) << what << ": no Tools window";
        EXPECT_TRUE(v.tools->visible) << what;
        EXPECT_EQ(Str(BoxOf(*v.tools)), Str(Box{f.l, top, 225, 113})) << what;
    }

    void ExpectBackToDetection(const std::string& what) {
        EXPECT_TRUE(WaitUntil(
            [&] {
                const auto v = Overlay();
                return !v.ToolsShown() && v.HandlesHidden();
            },
            2s, 50ms))
            << what << ": Tools shown " << Overlay().ToolsShown() << ", handles " << Describe(Overlay().Handles())
            << "; under the pointer " << d_->Run(WinExe("vprobe.exe"), {"at", std::to_string(px_), std::to_string(py_)}).out;
    }

    void EndWithEsc() {
        ShotIfFailed();
        ASSERT_TRUE(d_->Running(app_)) << "vellumo.exe ended before Esc";
        d_->Tap(XK_Escape);
        int code = -1;
        EXPECT_TRUE(d_->WaitExit(app_, 5s, &code)) << "Esc did not end the process";
    }

    std::string exe_;
    std::unique_ptr<Display> d_;
    pid_t fixture_ = -1;
    pid_t app_ = -1;
    Pixel highlight_;
    bool shot_ = false;
    int px_ = 0, py_ = 0;  // where the pointer is
};

const Palette& P0 = kPalettes[0];
const Palette& P1 = kPalettes[1];

// Detection, darkening, the click, the read-outs, and the two ways back.
// The list holds each top-level's descendants in EnumChildWindows order (a
// parent before its children), so over the nested control the first listed
// window holding the pointer is panel A.
TEST_F(OverlayE2E, DetectClickReadoutAndBackToDetection) {
    ASSERT_NO_FATAL_FAILURE(Launch(kNestedBox.cx(), kNestedBox.cy()));
    const Box frameA = FrameOf(kA);

    // Panel A framed: bright inside, darkened outside.
    ExpectPixelSoon(900, 700, Dark(kBg), "desktop outside the frame", 5s);
    ExpectPixelSoon(kNestedBox.l + 8, kNestedBox.t + 8, Of(P0.nested), "nested control inside the frame");
    ExpectPixelSoon(kA.l + 5, kA.t + 5, Of(P0.panelA), "panel A inside its frame");
    ExpectPixelSoon(kB.cx(), kB.cy(), Dark(Of(P0.panelB)), "panel B");
    ExpectPixelSoon(kTop.l + 5, kTop.b() - 5, Dark(Of(P0.top)), "fixture background");
    ExpectPixelSoon(5, 5, Dark(kBg), "screen corner");
    ExpectRingSoon(frameA, 4, "frame on panel A");
    const auto first = Overlay();
    ASSERT_TRUE(first.top);
    EXPECT_EQ(Str(BoxOf(*first.top)), Str(Box{0, 0, kScreenW, kScreenH})) << "overlay not full screen";
    EXPECT_EQ(first.top->title, "ScrShot");

    // The frame follows the pointer to panel B, within a few timer ticks.
    GlideTo(kB.cx(), kB.cy());
    ExpectRingSoon(FrameOf(kB), 4, "frame moved to panel B", 1000ms);
    ExpectPixelSoon(kB.l + 10, kB.t + 10, Of(P0.panelB), "panel B inside its frame");
    ExpectPixelSoon(kNestedBox.l + 8, kNestedBox.t + 8, Dark(Of(P0.nested)), "nested control now outside");

    // A click takes the control under the pointer.
    GlideTo(kNestedBox.cx(), kNestedBox.cy());
    ExpectRingSoon(frameA, 4, "frame back on panel A", 1000ms);
    d_->Click();
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(frameA, "click on panel A"));
    ExpectToolsAt(frameA, "toolbar above the selection");
    const int y = frameA.t + frameA.h / 4;
    ExpectPixelSoon(frameA.l - 1, y, Dark(Of(P0.top)), "just outside the 1-px border");
    ExpectPixelSoon(frameA.l + 1, y, Of(P0.top), "just inside the 1-px border");

    // Read-outs: Va 20 px to the lower right, the darkened colour outside.
    MoveSeen(700, 500);
    auto v = Overlay();
    ASSERT_TRUE(v.va);
    EXPECT_EQ(Str(BoxOf(*v.va)), Str(Box{720, 520, 130, 161}));
    std::string rgb;
    EXPECT_TRUE(WaitUntil(
        [&] {
            rgb = RgbCaption();
            const auto c = ParseRgb(rgb);
            return c && Near(*c, Dark(kBg), 1);
        },
        1500ms, 50ms))
        << "RGBCO over the darkened desktop: \"" << rgb << "\", want about RGB" << ToString(Dark(kBg));
    MoveSeen(kNestedBox.l + 10, kNestedBox.t + 10);
    EXPECT_TRUE(WaitUntil(
        [&] {
            rgb = RgbCaption();
            const auto c = ParseRgb(rgb);
            return c && Near(*c, Of(P0.nested), 1);
        },
        1500ms, 50ms))
        << "RGBCO inside the frame: \"" << rgb << "\", want about RGB" << ToString(Of(P0.nested));
    EXPECT_EQ(SizeCaption(), SizeText(frameA.w, frameA.h));

    // Near the right and bottom edges the magnifier flips.
    const std::array<std::array<int, 2>, 3> corners{{{1000, 750}, {1000, 100}, {100, 700}}};
    for (const auto& c : corners) {
        MoveSeen(c[0], c[1]);
        v = Overlay();
        ASSERT_TRUE(v.va);
        EXPECT_EQ(Str(BoxOf(*v.va)), Str(Box{VaLeft(c[0]), VaTop(c[1]), 130, 161}))
            << "pointer at " << c[0] << "," << c[1];
    }

    // A quick hand can land the pointer on the magnifier itself; it must
    // still get out of the way.
    v = Overlay();
    ASSERT_TRUE(v.va);
    const int onVaX = v.va->left + 30, onVaY = v.va->top + 40;
    Jump(onVaX, onVaY);
    EXPECT_TRUE(WaitUntil(
        [&] {
            const auto now = Overlay();
            return now.va && now.va->left == VaLeft(onVaX) && now.va->top == VaTop(onVaY);
        },
        1000ms, 50ms))
        << "the magnifier stayed under the pointer at " << onVaX << "," << onVaY << ": "
        << (Overlay().va ? Str(BoxOf(*Overlay().va)) : "none");

    // R: back to detection; over the bare desktop the frame stays, 4 px wide.
    GlideTo(700, 600);
    d_->Tap(XK_r);
    ExpectBackToDetection("R key");
    ExpectRingSoon(frameA, 4, "frame kept after R");

    // Right button: the same.
    GlideTo(kNestedBox.cx(), kNestedBox.cy());
    d_->Click();
    ASSERT_TRUE(WaitSelected()) << "second click did not select";
    d_->Click(3);
    ExpectBackToDetection("right button");
    GlideTo(kB.cx(), kB.cy());
    ExpectRingSoon(FrameOf(kB), 4, "detection follows the pointer again", 1000ms);

    EndWithEsc();
}

// Click versus drag, dragging in any direction, toolbar placement, handle
// resizing with the opposite edges fixed, moving the selection.
TEST_F(OverlayE2E, DragDrawsAndHandlesResize) {
    ASSERT_NO_FATAL_FAILURE(Launch(kB.cx(), kB.cy()));
    ExpectPixelSoon(900, 700, Dark(kBg), "desktop outside the frame", 5s);
    ExpectRingSoon(FrameOf(kB), 4, "frame on panel B");

    // Six moves with the button held are still a click on panel B.
    DragWithMoves(kB.cx(), kB.cy(), kB.cx() + 18, kB.cy() + 12, 6);
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(FrameOf(kB), "press, 6 moves, release"));
    d_->Click(3);
    ExpectBackToDetection("right button");

    // The seventh move starts a drag: the frame spans press point to pointer.
    DragWithMoves(600, 300, 700, 380, 7);
    const Box dragged{600, 300, 100, 80};
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(dragged, "press, 7 moves, release"));
    ExpectToolsAt(dragged, "toolbar above the dragged frame");
    ExpectPixelSoon(598, 320, Dark(kBg), "outside the dragged frame");
    ExpectPixelSoon(602, 320, kBg, "inside the dragged frame");
    // Right away, where the drag ended: on the corner handle.
    GlideTo(700, 380);
    d_->Click(3);
    ExpectBackToDetection("right button on the corner handle");
    GlideTo(950, 700);  // and again off the handles, so the steps below start from detection
    d_->Click(3);
    ExpectBackToDetection("right button");

    // Up and to the left, near the top: the toolbar goes below the frame.
    DragWithMoves(900, 80, 820, 20, 8);
    Box f{820, 20, 80, 60};
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(f, "drag up-left"));
    ExpectToolsAt(f, "toolbar below a frame near the top");

    // Handle drags: whichever edges a handle sits on follow it, the others stay.
    auto dragHandle = [&](int index, int dx, int dy) {
        const auto v = Overlay();
        ASSERT_TRUE(v.si[index]) << "no Si(" << index << ")";
        const int hx = v.si[index]->left + 3, hy = v.si[index]->top + 3;
        Box want = f;
        if (hx == f.l) want = {f.l + dx, want.t, f.w - dx, want.h};
        if (hx == f.r()) want.w = f.w + dx;
        if (hy == f.t) want = {want.l, f.t + dy, want.w, f.h - dy};
        if (hy == f.b()) want.h = f.h + dy;
        ASSERT_NE(want, f) << "Si(" << index << ") at " << hx << "," << hy << " is on no edge of " << Str(f);
        GlideTo(hx, hy);
        d_->ButtonDown();
        for (int i = 1; i <= 4; ++i) {
            Jump(hx + dx * i / 4, hy + dy * i / 4);
            std::this_thread::sleep_for(40ms);
        }
        d_->ButtonUp();
        ExpectSelection(want, "after dragging Si(" + std::to_string(index) + ")");
        f = want;
    };
    dragHandle(7, 40, 30);
    dragHandle(0, -30, -10);
    ExpectPixelSoon(f.l - 2, f.t + f.h / 4, Dark(kBg), "left of the resized frame");
    ExpectPixelSoon(f.l + 2, f.t + f.h / 4, kBg, "inside the resized frame");

    // With a selection, a left drag elsewhere moves the frame's centre to the pointer.
    GlideTo(500, 600);
    d_->ButtonDown();
    MoveSeen(510, 610);
    MoveSeen(520, 620);
    d_->ButtonUp();
    ExpectSelection({520 - f.w / 2, 620 - f.h / 2, f.w, f.h}, "selection moved by dragging");

    EndWithEsc();
}

// Ctrl+Shift+C: one fresh freeze of the live screen per hold.
TEST_F(OverlayE2E, RestartChordFreezesNewContentOncePerHold) {
    ASSERT_NO_FATAL_FAILURE(Launch(kB.cx(), kB.cy()));
    ExpectPixelSoon(900, 700, Dark(kBg), "desktop outside the frame", 5s);
    const int ax = kA.l + 5, ay = kA.t + 5;
    ExpectPixelSoon(ax, ay, Dark(Of(P0.panelA)), "panel A, frozen");
    const std::string firstOverlay = Overlay().top->hwnd;

    // The fixture changes behind the overlay; the frozen picture does not.
    ASSERT_TRUE(d_->PostToWindow("VellumoFixture", kMsgPalette, 1));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(PixelNear(ax, ay, Dark(Of(P0.panelA)))) << "overlay not frozen: " << ToString(d_->GetPixel(ax, ay));

    d_->KeyDown(XK_Control_L);
    d_->KeyDown(XK_Shift_L);
    d_->KeyDown(XK_c);
    ExpectPixelSoon(ax, ay, Dark(Of(P1.panelA)), "panel A after the restart", 5s);
    ExpectPixelSoon(kB.l + 10, kB.t + 10, Of(P1.panelB), "panel B, under the pointer, after the restart");
    auto v = Overlay();
    EXPECT_EQ(v.overlays, 1);
    ASSERT_TRUE(v.top);
    EXPECT_NE(v.top->hwnd, firstOverlay) << "the overlay was not reloaded";

    // Still held: the fixture changes back, and no second freeze may show it.
    ASSERT_TRUE(d_->PostToWindow("VellumoFixture", kMsgPalette, 0));
    std::this_thread::sleep_for(700ms);
    d_->KeyUp(XK_c);
    d_->KeyUp(XK_Shift_L);
    d_->KeyUp(XK_Control_L);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(PixelNear(ax, ay, Dark(Of(P1.panelA))))
        << "restarted more than once while the keys were held: " << ToString(d_->GetPixel(ax, ay));
    EXPECT_EQ(Overlay().overlays, 1);

    // Released and pressed again: a new freeze.
    d_->KeyDown(XK_Control_L);
    d_->KeyDown(XK_Shift_L);
    d_->KeyDown(XK_c);
    ExpectPixelSoon(ax, ay, Dark(Of(P0.panelA)), "panel A after the second chord", 5s);
    d_->KeyUp(XK_c);
    d_->KeyUp(XK_Shift_L);
    d_->KeyUp(XK_Control_L);

    EndWithEsc();
}

// No window under the pointer: nothing is framed or darkened, nothing breaks.
TEST_F(OverlayE2E, BareDesktopUnderThePointer) {
    ASSERT_NO_FATAL_FAILURE(Launch(800, 600));
    std::this_thread::sleep_for(500ms);  // ten detection ticks
    EXPECT_EQ(d_->GetPixel(800, 650), kBg) << "darkened with no window detected";
    EXPECT_EQ(d_->GetPixel(5, 5), kBg);
    EXPECT_EQ(d_->GetPixel(kA.l + 5, kA.t + 5), Of(P0.panelA));
    for (const auto& p : std::array<std::array<int, 2>, 4>{{{700, 500}, {1023, 767}, {0, 0}, {950, 20}}}) {
        MoveSeen(p[0], p[1]);
        EXPECT_TRUE(d_->Running(app_)) << "ended after a move to " << p[0] << "," << p[1];
    }
    GlideTo(700, 500);
    d_->Click();
    std::this_thread::sleep_for(200ms);
    d_->Click(3);
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(d_->Running(app_)) << "a click on the bare desktop ended the program";

    GlideTo(kB.cx(), kB.cy());
    ExpectRingSoon(FrameOf(kB), 4, "detection after the bare desktop", 1500ms);
    ExpectPixelSoon(900, 700, Dark(kBg), "darkened once a window is detected");
    EndWithEsc();
}

// The listed window dies after the freeze: the overlay carries on.
TEST_F(OverlayE2E, FixtureDestroyedAfterFreeze) {
    ASSERT_NO_FATAL_FAILURE(Launch(kB.cx(), kB.cy()));
    ExpectPixelSoon(900, 700, Dark(kBg), "desktop outside the frame", 5s);
    ASSERT_TRUE(d_->PostToWindow("VellumoFixture", kWmClose, 0));
    ASSERT_TRUE(d_->WaitExit(fixture_, 5s)) << "the fixture did not close";

    for (const auto& p : std::array<std::array<int, 2>, 3>{
             {{kNestedBox.cx(), kNestedBox.cy()}, {kA.l + 5, kA.b() - 5}, {kTop.l + 5, kTop.b() - 5}}}) {
        MoveSeen(p[0], p[1]);
        std::this_thread::sleep_for(150ms);
        ASSERT_TRUE(d_->Running(app_)) << "ended over the dead window at " << p[0] << "," << p[1];
    }
    // Still the frozen picture of the fixture, bright or darkened.
    const Pixel b = d_->GetPixel(kB.l + 10, kB.t + 10);
    EXPECT_TRUE(Near(b, Of(P0.panelB)) || Near(b, Dark(Of(P0.panelB)))) << ToString(b);

    d_->Click();
    EXPECT_TRUE(WaitSelected()) << "no selection after clicking the dead window's place";
    EndWithEsc();
}

// Without GDI+ the overlay still darkens, frames and selects.
TEST_F(OverlayE2E, WorksWithoutGdiPlus) {
    ASSERT_NO_FATAL_FAILURE(
        Launch(kNestedBox.cx(), kNestedBox.cy(), {"WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d;gdiplus=d"}));
    ExpectPixelSoon(900, 700, Dark(kBg), "desktop outside the frame", 5s);
    ExpectPixelSoon(kNestedBox.l + 8, kNestedBox.t + 8, Of(P0.nested), "inside the frame");
    ExpectPixelSoon(kB.l + 5, kB.t + 5, Dark(Of(P0.panelB)), "panel B outside the frame");
    ExpectRingSoon(FrameOf(kA), 4, "frame on panel A");
    d_->Click();
    ASSERT_NO_FATAL_FAILURE(ExpectSelection(FrameOf(kA), "click without GDI+"));
    EndWithEsc();
}

}  // namespace

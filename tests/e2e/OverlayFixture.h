// The capture overlay under test: vellumo.exe under Wine over a desktop of
// known colours (root background + vfixture.exe at (100,150) 400x300), driven
// with real pointer and key input, and read back through the screen's pixels
// and the overlay's own windows (vprobe.exe). The gtest fixture and geometry
// helpers shared by the overlay and output tests.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/e2e/Desktop.h"
#include "tests/e2e/DesktopE2E.h"
#include "tests/e2e/FixtureLayout.h"
#include "tests/e2e/harness/Harness.h"

namespace e2e {

// The fixture on screen: top-level at (100,150) 400x300.
inline const Box kTop = kFixtureHigh;
inline const Box kA = PartOf(kTop, fixture::kPanelARect);
inline const Box kNestedBox = PartOf(kA, fixture::kNestedRect);
inline const Box kB = PartOf(kTop, fixture::kPanelBRect);

inline Box FrameOf(const Box& w) { return {w.l - 2, w.t - 2, w.w + 4, w.h + 4}; }

// "RGB(r , g , b)" exactly, or nothing.
inline std::optional<Pixel> ParseRgb(const std::string& s) {
    Pixel p;
    if (std::sscanf(s.c_str(), "RGB(%d , %d , %d)", &p.r, &p.g, &p.b) != 3) return std::nullopt;
    const std::string again =
        "RGB(" + std::to_string(p.r) + " , " + std::to_string(p.g) + " , " + std::to_string(p.b) + ")";
    if (again != s) return std::nullopt;
    return p;
}

// Where the magnifier should stand for pointer (x, y).
inline int VaLeft(int x) { return x + 20 + 130 <= kScreenW ? x + 20 : x - 150; }
inline int VaTop(int y) { return y + 20 + 161 <= kScreenH ? y + 20 : y - 181; }

// The eight handle boxes a completed frame should have, sorted: `side`
// pixels square (6 at 96 DPI), centred on the frame's corners and midpoints.
inline std::vector<Box> HandlesFor(const Box& f, int side = 6) {
    std::vector<Box> out;
    const int xs[3] = {f.l, f.l + f.w / 2, f.l + f.w}, ys[3] = {f.t, f.t + f.h / 2, f.t + f.h};
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            if (i != 1 || j != 1) out.push_back({xs[i] - side / 2, ys[j] - side / 2, side, side});
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

class OverlayE2E : public DesktopE2E {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartDisplay(kScreenW, kScreenH, desktop_, dpi_));
        ASSERT_NO_FATAL_FAILURE(StartFixture(kTop, [&] { return FixtureShows(0); }));
        highlight_ = d_->SysColor(kColorHighlight);
        ASSERT_GE(highlight_.r, 0) << "vprobe could not read COLOR_HIGHLIGHT";
    }

    bool FixtureShows(int palette) {
        const fixture::Palette& p = fixture::kPalettes[palette];
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
                if (w.id == kSizeCaptionId) v.sizeCaption = w;
                if (w.id == kRgbCaptionId) v.rgbCaption = w;
            }
        }
        return v;
    }

    std::string SizeCaption() {
        const auto v = Overlay();
        return v.sizeCaption ? d_->WindowText(v.sizeCaption->hwnd) : "<no Size caption>";
    }
    // vfixture has repainted itself in `palette` (its title says so after the paint).
    bool FixturePainted(int palette) {
        const std::string want = "Fixture palette=" + std::to_string(palette);
        return WaitUntil([&] {
            const auto f = d_->ListWindows("VellumoFixture");
            return !f.empty() && f.front().title == want;
        }, 3s, 50ms);
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
    bool WaitVa(int x, int y) {
        return WaitUntil(
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
        const int top = f.t + 5 > 134 ? f.t - 139 : (f.b() + 134 + 5 < kScreenH ? f.b() + 5 : f.t);
        const int left = std::max(0, std::min(f.l, kScreenW - 225));  // never past the screen's edge
        const auto v = Overlay();
        ASSERT_TRUE(v.tools) << what << ": no Tools window";
        EXPECT_TRUE(v.tools->visible) << what;
        EXPECT_EQ(Str(BoxOf(*v.tools)), Str(Box{left, top, 225, 134})) << what;
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
        // A restarted overlay is a new window: under a window manager the key
        // focus reaches it a round trip after it shows.
        const auto top = Overlay().top;
        EXPECT_TRUE(top && WaitUntil([&] { return d_->KeysReach(top->hwnd); }, 3s, 20ms))
            << "the key focus is not on the overlay";
        d_->Tap(XK_Escape);
        int code = -1;
        EXPECT_TRUE(d_->WaitExit(app_, 5s, &code)) << "Esc did not end the process";
    }

    Desktop desktop_ = Desktop::Managed;  // set by a fixture before SetUp
    int dpi_ = 96;                        // the Wine prefix's DPI, likewise
    int handleSide_ = 6;                  // the handles' side expected at that DPI
    Pixel highlight_;
    int px_ = 0, py_ = 0;  // where the pointer is
};

}  // namespace e2e

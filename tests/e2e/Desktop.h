// The desktop the end-to-end tests run vellumo.exe over, and the numbers they
// share about it and about the program's windows: the screen, its
// background, where vfixture.exe stands, the control ids the tests look
// windows up by and the messages they post. No gtest here (the tour uses it).
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/FixtureLayout.h"
#include "tests/e2e/harness/Harness.h"

namespace e2e {

namespace fixture = vellumo::e2e;

inline constexpr int kScreenW = 1024, kScreenH = 768;
inline constexpr Pixel kBg{90, 140, 60};

// A screen rectangle: left, top, width, height.
struct Box {
    int l, t, w, h;
    int r() const { return l + w; }
    int b() const { return t + h; }
    int cx() const { return l + w / 2; }
    int cy() const { return t + h / 2; }
    friend bool operator==(const Box&, const Box&) = default;
};
inline std::string Str(const Box& b) {
    char s[80];
    std::snprintf(s, sizeof s, "(%d,%d %dx%d)", b.l, b.t, b.w, b.h);
    return s;
}
inline std::string Describe(const std::vector<Box>& boxes) {
    std::string s;
    for (const Box& b : boxes) s += Str(b);
    return s;
}
inline Box BoxOf(const WinInfo& w) { return {w.left, w.top, w.width(), w.height()}; }

// Where vfixture.exe stands: high in the middle for the overlay's tests, low
// on the left (out of the way of centred Floaters) for the Floaters' and the
// resident program's.
inline constexpr Box kFixtureHigh{100, 150, 400, 300};
inline constexpr Box kFixtureLow{20, 440, 400, 300};
// A fixture part placed in a fixture standing at `at`.
inline Box PartOf(const Box& at, const fixture::PartRect& r) { return {at.l + r.left, at.t + r.top, r.width, r.height}; }

inline Pixel Of(const fixture::Rgb& c) { return {c.r, c.g, c.b}; }
inline int DarkChannel(int c) { return (c * 85 + 127) / 255; }
// A colour under the overlay's darkening.
inline Pixel Dark(const Pixel& c) { return {DarkChannel(c.r), DarkChannel(c.g), DarkChannel(c.b)}; }

// The screen at (left, top) shows, w x h large, the picture `vprobe
// setclipbitmap` puts on the clipboard (pixel x, y = x % 256, y % 256, 160).
inline bool ShowsClipboardPattern(Display& d, int left, int top, int w, int h) {
    const Image img = d.Grab(left, top, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (!(img.at(x, y) == Pixel{x % 256, y % 256, 160})) return false;
    return true;
}

inline std::string SizeText(int w, int h) { return std::to_string(w) + " \xC3\x97 " + std::to_string(h); }

// Window messages the tests post.
inline constexpr unsigned kWmClose = 0x0010;
inline constexpr unsigned kWmCommand = 0x0111;
inline constexpr int kColorHighlight = 13;  // COLOR_HIGHLIGHT

// Control ids of the program's windows.
inline constexpr int kSizeCaptionId = 1, kRgbCaptionId = 2;  // in the magnifier
// The settings window's buttons: "默认热键为Print Screen", "保存", "隐藏" and the "启用" box.
inline constexpr int kSettDefaultKeyId = 102, kSettSaveId = 103, kSettHideId = 104, kSettEnableId = 105;
inline constexpr int kFloaterIdBase = 1000;   // Floater n is window 1000 + n
inline constexpr int kLabelIdBase = 40000;    // its label 40000 + n
inline constexpr int kMessageOkId = 1;        // IDOK in a message box
inline constexpr int kMessageYesId = 6;       // IDYES
inline constexpr int kMessageNoId = 7;        // IDNO

}  // namespace e2e

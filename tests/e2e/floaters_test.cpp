// Floaters as a user meets them: vellumo.exe under Wine pins a capture onto
// the host hoverdeck; image files are dropped on its drop icon through the X
// drag-and-drop protocol (Wine turns an XDND drop into WM_DROPFILES), menus
// are clicked, and the result is read from the screen's pixels, the host's
// windows (vprobe.exe) and the host's X window properties.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <thread>

#include "tests/e2e/harness/BlackPng.h"
#include "tests/e2e/Desktop.h"
#include "tests/e2e/DesktopE2E.h"
#include "tests/e2e/Dialogs.h"
#include "tests/e2e/FixtureLayout.h"
#include "tests/e2e/ImageFiles.h"
#include "tests/e2e/Menus.h"
#include "tests/e2e/harness/Harness.h"
#include "tests/e2e/harness/XDrop.h"

// Last: Xlib's macros (None, Status, Bool) would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace e2e;
using namespace vellumo::e2e;
namespace fs = std::filesystem;

namespace {

constexpr Pixel kKey{64, 0, 64};
constexpr Pixel kLabelBlue{0, 153, 255};
constexpr Pixel kWhite{255, 255, 255};

// The fixture sits low on the left, out of the way of centred Floaters. Its
// panel A (yellow, with the green nested part) is what gets pinned.
constexpr int kFixL = kFixtureLow.l, kFixT = kFixtureLow.t, kFixW = kFixtureLow.w, kFixH = kFixtureLow.h;
constexpr int kPanelL = kFixL + kPanelARect.left, kPanelT = kFixT + kPanelARect.top;
constexpr int kPinW = kPanelARect.width, kPinH = kPanelARect.height;  // 200 x 150
// Floater 1 of a 200 x 150 pin, centred.
constexpr int kF1L = (kScreenW - kPinW) / 2, kF1T = (kScreenH - kPinH) / 2;  // (412, 309)

const Pixel kYellow = Of(kPalettes[0].panelA);
const Pixel kGreen = Of(kPalettes[0].nested);

// The host as vprobe lists it.
struct HostView {
    std::optional<WinInfo> host, icon;
    std::map<int, WinInfo> pictures, labels;  // by index
    std::vector<int> pictureOrder;            // front to back
};

// An X client of the test's own: drops files and reads window properties.
class XClient {
public:
    explicit XClient(const std::string& display) : d_(XOpenDisplay(display.c_str())), drop_(display) {}
    ~XClient() {
        if (d_) XCloseDisplay(d_);
    }
    bool ok() const { return d_ != nullptr && drop_.ok(); }

    // Drops `uri` at (x, y) as an XDND source; true once the target finished.
    bool Drop(int x, int y, const std::string& uri) { return drop_.Drop(x, y, uri); }

    // _NET_WM_WINDOW_OPACITY of the top-level X window named `name`; nothing
    // when the window or the property is missing.
    std::optional<unsigned long> Opacity(const std::string& name) {
        const Window w = Named(DefaultRootWindow(d_), name, 3);
        if (!w) return std::nullopt;
        Atom type;
        int format;
        unsigned long n, after;
        unsigned char* data = nullptr;
        std::optional<unsigned long> out;
        if (XGetWindowProperty(d_, w, Intern("_NET_WM_WINDOW_OPACITY"), 0, 1, False, XA_CARDINAL, &type, &format, &n,
                               &after, &data) == Success &&
            data && n == 1)
            out = *reinterpret_cast<unsigned long*>(data) & 0xFFFFFFFFul;
        if (data) XFree(data);
        return out;
    }

private:
    Atom Intern(const char* name) { return XInternAtom(d_, name, False); }

    Window Named(Window w, const std::string& name, int depth) {
        char* title = nullptr;
        if (XFetchName(d_, w, &title) && title) {
            const bool match = name == title;
            XFree(title);
            if (match) return w;
        }
        if (depth == 0) return None;
        Window rootRet, parent, *children = nullptr;
        unsigned n = 0;
        Window found = None;
        if (XQueryTree(d_, w, &rootRet, &parent, &children, &n)) {
            for (unsigned i = 0; i < n && !found; ++i) found = Named(children[i], name, depth - 1);
            if (children) XFree(children);
        }
        return found;
    }

    ::Display* d_;
    e2e::XDropSource drop_;  // its own connection
};

// Test images, written once per process with ImageMagick.
class Images {
public:
    Images() : dir_("/tmp/floaters-e2e-" + std::to_string(getpid())) {
        fs::create_directories(dir_);
        Make("red.png", "-size 80x60 xc:'rgb(200,30,40)'");
        // Left half opaque blue, right half fully transparent.
        Make("Half.PNG", "-size 40x40 xc:none -fill 'rgb(20,40,220)' -draw 'rectangle 0,0 19,39'");
        Make("teal.bmp", "-size 50x30 xc:'rgb(10,128,128)' -type TrueColor", "BMP3:");
        Make("orange.jpg", "-size 60x40 xc:'rgb(250,140,20)' -quality 95");
        // A GIF whose right half is transparent.
        Make("purple.gif", "-size 30x20 xc:none -fill 'rgb(128,0,128)' -draw 'rectangle 0,0 14,19'");
        Write("broken.png", "this is not a picture");
        Write("notes.txt", "plain words");
        Write("README", "no extension here");
    }
    ~Images() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Uri(const std::string& name) const { return "file://" + dir_ + "/" + name; }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    std::string WinPath(const std::string& name) const {
        std::string p = "Z:" + dir_ + "/" + name;
        for (char& c : p)
            if (c == '/') c = '\\';
        return p;
    }
    bool ok() const { return ok_; }

private:
    void Make(const std::string& name, const std::string& how, const std::string& format = "") {
        const std::string cmd = "convert " + how + " '" + format + dir_ + "/" + name + "' 2>/dev/null";
        ok_ = ok_ && std::system(cmd.c_str()) == 0;
    }
    void Write(const std::string& name, const std::string& text) {
        FILE* f = std::fopen((dir_ + "/" + name).c_str(), "wb");
        if (!f) {
            ok_ = false;
            return;
        }
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    std::string dir_;
    bool ok_ = true;
};

class FloatersE2E : public DesktopE2E {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartDisplay());
        x_ = std::make_unique<XClient>(d_->name());
        ASSERT_TRUE(x_->ok());
        // Every part, not just panel A: its nested part is a child window that
        // paints after it, and a test that grabs panel A as the picture to
        // expect must not catch it half painted.
        const Palette& p = kPalettes[0];
        const int nestedX = kPanelL + kNestedRect.left + kNestedRect.width / 2;
        const int nestedY = kPanelT + kNestedRect.top + kNestedRect.height / 2;
        ASSERT_NO_FATAL_FAILURE(StartFixture(kFixtureLow, [&] {
            return d_->GetPixel(kPanelL + 5, kPanelT + 5) == kYellow &&
                   d_->GetPixel(nestedX, nestedY) == Of(p.nested) &&
                   d_->GetPixel(kFixL + kPanelBRect.left + 5, kFixT + kPanelBRect.top + 5) == Of(p.panelB) &&
                   d_->GetPixel(kFixL + 2, kFixT + kFixH - 3) == Of(p.top);
        }));
    }

    void BeforeDisplayEnds() override { x_.reset(); }

    // Starts vellumo.exe, selects panel A by dragging and presses the pin button.
    void PinPanelA() {
        d_->MovePointer(kPanelL - 5, kPanelT - 5);
        app_ = d_->Start(exe_);
        ASSERT_TRUE(WaitUntil([&] { return !d_->ListWindows("VellumoScrShot").empty(); }, 10s, 50ms))
            << "no capture overlay";
        std::this_thread::sleep_for(300ms);
        DragInSteps(*d_, kPanelL, kPanelT, kPinW, kPinH);
        const std::optional<WinInfo> pin = WaitOverlayChild(*d_, "pinimg");
        ASSERT_TRUE(pin) << "the pin button never showed";
        ClickAt(pin->left + pin->width() / 2, pin->top + pin->height() / 2);
        // The Floater is made before the overlay goes; input is for the host
        // once the overlay has gone.
        ASSERT_TRUE(WaitUntil([&] { return d_->ListWindows("VellumoScrShot").empty(); }, 10s, 50ms))
            << "the overlay stayed after the pin";
    }

    HostView Host() {
        HostView v;
        for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck")) {
            if (w.cls == "VellumoHoverdeck") v.host = w;
            else if (w.cls == "VellumoGetimg") v.icon = w;
            else if (w.cls == "VellumoPicture1") {
                v.pictures[w.id - kFloaterIdBase] = w;
                v.pictureOrder.push_back(w.id - kFloaterIdBase);
            } else if (w.cls == "VellumoText1") v.labels[w.id - kLabelIdBase] = w;
        }
        return v;
    }

    bool WaitForPictures(std::size_t count, Ms timeout = 10s) {
        return WaitUntil([&] { return Host().pictures.size() == count; }, timeout, 50ms);
    }

    void ClickAt(int x, int y, int button = 1) { e2e::ClickAt(*d_, x, y, button); }

    void DoubleClickAt(int x, int y) {
        d_->MovePointer(x, y);
        std::this_thread::sleep_for(50ms);
        d_->Click();
        std::this_thread::sleep_for(60ms);
        d_->Click();
        std::this_thread::sleep_for(300ms);
    }

    // Left drag in paced steps; `first` is a one-pixel step so a move loop
    // started by the first move sees the whole remaining travel.
    void Drag(int x0, int y0, int x1, int y1, bool first = false) {
        d_->MovePointer(x0, y0);
        std::this_thread::sleep_for(50ms);
        d_->ButtonDown();
        std::this_thread::sleep_for(50ms);
        if (first) {
            d_->MovePointer(x0 - 1, y0);
            std::this_thread::sleep_for(100ms);
            x0 -= 1;
        }
        for (int i = 1; i <= 8; ++i) {
            d_->MovePointer(x0 + (x1 - x0) * i / 8, y0 + (y1 - y0) * i / 8);
            std::this_thread::sleep_for(40ms);
        }
        d_->ButtonUp();
        std::this_thread::sleep_for(300ms);
    }

    // The popup menu's item `index` of `count`, clicked.
    void ChooseMenuItem(int index, int count) {
        std::optional<WinInfo> m;
        ASSERT_TRUE(WaitUntil(
            [&] {
                for (const WinInfo& w : d_->ListWindows("#32768"))
                    if (w.visible) m = w;
                return m.has_value();
            },
            5s, 50ms))
            << "no popup menu";
        const int item = (m->height() - 6) / count;
        ClickAt(m->left + 30, m->top + 3 + item * index + item / 2);
        std::this_thread::sleep_for(300ms);
    }

    // Right-click at (x, y), then the floaterMenu_ item titled `text`. Under
    // Wine a press right after a message box closes is now and then lost; it
    // is given once more.
    void FloaterMenu(int x, int y, const std::string& text) {
        const auto menuShown = [&] {
            for (const WinInfo& w : d_->ListWindows("#32768"))
                if (w.visible) return true;
            return false;
        };
        for (int attempt = 0; attempt < 2; ++attempt) {
            ClickAt(x, y, 3);
            if (WaitUntil(menuShown, 2s, 50ms)) break;
        }
        const std::vector<WinInfo> menus = VisibleMenus(*d_);
        ASSERT_FALSE(menus.empty()) << "no popup menu";
        ASSERT_TRUE(PickMenuItem(*d_, menus.front(), text)) << "no \"" << text << "\" in the Floater's menu";
        std::this_thread::sleep_for(300ms);
    }

    void Translucency(int x, int y, int subItem) {
        ClickAt(x, y, 3);
        ASSERT_TRUE(WaitUntil([&] { return !d_->ListWindows("#32768").empty(); }, 3s, 50ms));
        const WinInfo m = d_->ListWindows("#32768").front();
        ASSERT_TRUE(PickMenuItem(*d_, m, "Transparency", false));
        std::vector<WinInfo> sub;
        ASSERT_TRUE(WaitUntil(
            [&] {
                sub.clear();
                for (const WinInfo& w : d_->ListWindows("#32768"))
                    if (w.visible && w.left != m.left) sub.push_back(w);
                return !sub.empty();
            },
            3s, 50ms))
            << "no Transparency submenu";
        const int subItemH = (sub[0].height() - 6) / 3;
        ClickAt(sub[0].left + 30, sub[0].top + 3 + subItemH * subItem + subItemH / 2);
        std::this_thread::sleep_for(300ms);
    }

    // The text of the program's message box, dismissed with OK; nothing when none shows.
    std::optional<std::string> TakeMessage(Ms timeout = 5s) {
        const auto m = e2e::TakeMessage(*d_, timeout);
        if (!m) return std::nullopt;
        EXPECT_TRUE(m->closed) << "the message box did not close";
        return m->text;
    }

    void DropOnIcon(const std::string& uri) {
        const auto icon = Host().icon;
        ASSERT_TRUE(icon);
        ASSERT_TRUE(x_->Drop(icon->left + 18, icon->top + 18, uri)) << "the drop of " << uri << " never finished";
    }

    std::unique_ptr<XClient> x_;
};

TEST_F(FloatersE2E, PinMakesACentredFloaterOnAKeyedHostAndFlashesItsFrame) {
    PinPanelA();
    ASSERT_TRUE(WaitForPictures(1)) << "no Floater after the pin";
    // The frame's left side, outside the picture: two of its three pixels show.
    const int fx = kF1L - 1, fy = kF1T + kPinH / 2;
    std::vector<std::pair<Pixel, std::chrono::steady_clock::time_point>> seen;
    WaitUntil(
        [&] {
            const Pixel p = d_->GetPixel(fx, fy);
            if (seen.empty() || !(seen.back().first == p)) seen.push_back({p, std::chrono::steady_clock::now()});
            return seen.back().first == kBg && seen.size() > 1;
        },
        4s, 15ms);
    std::vector<Pixel> colours;
    for (const auto& s : seen) colours.push_back(s.first);
    // Sampling may begin before the host shows, or after its magenta start;
    // from red on the sequence is fixed.
    while (!colours.empty() && (colours.front() == kBg || colours.front() == (Pixel{255, 0, 255}))) {
        colours.erase(colours.begin());
        seen.erase(seen.begin());
    }
    ASSERT_EQ(colours.size(), 4u) << "frame colours seen: " << [&] {
        std::string s;
        for (const auto& c : seen) s += ToString(c.first) + " ";
        return s;
    }();
    EXPECT_EQ(colours[0], (Pixel{255, 0, 0}));
    EXPECT_EQ(colours[1], (Pixel{255, 255, 0}));
    EXPECT_EQ(colours[2], (Pixel{0, 255, 0}));
    EXPECT_EQ(colours[3], kBg);
    const auto redToGone = std::chrono::duration_cast<Ms>(seen.back().second - seen.front().second);
    EXPECT_NEAR(redToGone.count(), 1500, 400) << "three 500 ms flash steps";

    const HostView v = Host();
    ASSERT_TRUE(v.host && v.icon);
    EXPECT_EQ(v.host->title, "hoverdeck");
    EXPECT_EQ(v.host->parent, "0");
    EXPECT_TRUE(v.host->visible);
    EXPECT_EQ(BoxOf(*v.host), (Box{0, 0, kScreenW, kScreenH}));
    EXPECT_EQ(BoxOf(v.pictures.at(1)), (Box{kF1L, kF1T, kPinW, kPinH})) << Str(BoxOf(v.pictures.at(1)));
    EXPECT_TRUE(v.pictures.at(1).visible);
    EXPECT_EQ(v.labels.at(1).title, "1#");
    EXPECT_FALSE(v.labels.at(1).visible);
    EXPECT_EQ(BoxOf(*v.icon), (Box{kScreenW - 36 - 33, 33, 36, 36}));
    EXPECT_TRUE(v.icon->visible);
    // The pinned image at its natural size; the key colour shows nothing.
    EXPECT_EQ(d_->GetPixel(kF1L + 5, kF1T + 5), kYellow);
    EXPECT_EQ(d_->GetPixel(kF1L + kNestedRect.left + 40, kF1T + kNestedRect.top + 30), kGreen);
    EXPECT_EQ(d_->GetPixel(kF1L + kPinW - 1, kF1T + kPinH - 1), kYellow);
    EXPECT_EQ(d_->GetPixel(kF1L + kPinW, kF1T + kPinH), kBg);
    EXPECT_EQ(d_->GetPixel(200, 100), kBg);
    // The overlay is gone and the host keeps the process alive.
    EXPECT_TRUE(d_->ListWindows("VellumoScrShot").empty());
    EXPECT_TRUE(d_->Running(app_));
    d_->Stop(app_);
}

// What the user pinned is what floats, pixel for pixel, centred on the
// screen: no row shifted, no channel swapped, nothing scaled. Waits for the
// picture rather than for the flash, so it holds on a slow (emulated) run.
TEST_F(FloatersE2E, PinShowsTheSelectionPixelForPixelCentred) {
    const Image before = d_->Grab(kPanelL, kPanelT, kPinW, kPinH);
    PinPanelA();
    ASSERT_TRUE(WaitForPictures(1)) << "no Floater after the pin";
    int wrong = -1;
    const bool same = WaitUntil(
        [&] {
            const Image shown = d_->Grab(kF1L, kF1T, kPinW, kPinH);
            wrong = 0;
            for (std::size_t i = 0; i < shown.pixels.size(); ++i) wrong += !(shown.pixels[i] == before.pixels[i]);
            return wrong == 0;
        },
        10s, 100ms);
    EXPECT_TRUE(same) << wrong << " of " << kPinW * kPinH << " pixels of the centred Floater unlike the selection";
    EXPECT_EQ(BoxOf(Host().pictures.at(1)), (Box{kF1L, kF1T, kPinW, kPinH}));
    d_->Stop(app_);
}

// Between the click on pin and the Floater, the place where it comes shows
// the frozen screen, then the Floater: never the live desktop (turned another
// colour under the overlay, so that a gap shows) nor anything else, which the
// user would see as a blink. The overlay still goes: the live desktop shows
// beside the Floater.
TEST_F(FloatersE2E, ThePinGoesFromTheFrozenScreenToTheFloaterWithoutABlink) {
    struct Spot {
        int x, y;
    };
    const Pixel live{200, 60, 60}, frozen = Dark(kBg);
    const Spot probes[] = {{kF1L + 150, kF1T + 10}, {kF1L + 180, kF1T + 60}, {kF1L + 120, kF1T + 120}};
    const Spot beside{kF1L + kPinW + 40, kF1T + 10};
    const auto shows = [&](const Spot& p, const Pixel& want) { return Near(d_->GetPixel(p.x, p.y), want); };
    d_->MovePointer(kPanelL - 5, kPanelT - 5);
    app_ = d_->Start(exe_);
    ASSERT_TRUE(WaitUntil([&] { return !d_->ListWindows("VellumoScrShot").empty(); }, 10s, 50ms));
    std::this_thread::sleep_for(300ms);
    DragInSteps(*d_, kPanelL, kPanelT, kPinW, kPinH);
    const std::optional<WinInfo> pin = WaitOverlayChild(*d_, "pinimg");
    ASSERT_TRUE(pin) << "the pin button never showed";
    d_->MovePointer(pin->left + pin->width() / 2, pin->top + pin->height() / 2);
    d_->SetBackground(live);
    // The overlay shows the frozen, darkened desktop where the Floater will
    // be and beside it, whatever the live desktop now is.
    for (const Spot& p : probes)
        ASSERT_TRUE(WaitUntil([&] { return shows(p, frozen); }, 5s))
            << "the overlay where the Floater comes shows " << ToString(d_->GetPixel(p.x, p.y));
    ASSERT_TRUE(shows(beside, frozen)) << "the live desktop showed through the overlay";

    d_->Click();
    std::string odd;
    const bool shown = WaitUntil(
        [&] {
            bool all = true;
            for (const Spot& p : probes) {
                const Pixel got = d_->GetPixel(p.x, p.y);
                all = all && Near(got, kYellow);
                if (odd.empty() && !Near(got, kYellow) && !Near(got, frozen))
                    odd = ToString(got) + " at (" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
            }
            return all;
        },
        10s, 0ms);
    ASSERT_TRUE(shown) << "no Floater after the pin";
    EXPECT_EQ(odd, "") << "what showed between the frozen screen and the Floater";
    EXPECT_TRUE(WaitUntil([&] { return shows(beside, live); }, 5s))
        << "beside the Floater the overlay stayed: " << ToString(d_->GetPixel(beside.x, beside.y));
    d_->Stop(app_);
}

TEST_F(FloatersE2E, DragCollapseExpandAndTheClampAtTheScreenEdge) {
    PinPanelA();
    ASSERT_TRUE(WaitForPictures(1));
    Drag(kF1L + 88, kF1T + 71, kF1L + 148, kF1T + 101);
    HostView v = Host();
    const Box moved{kF1L + 60, kF1T + 30, kPinW, kPinH};
    EXPECT_EQ(BoxOf(v.pictures.at(1)), moved) << Str(BoxOf(v.pictures.at(1)));
    const WinInfo label = v.labels.at(1);
    EXPECT_EQ(label.left, moved.l);
    EXPECT_EQ(label.bottom, moved.t) << "the hidden label follows above the picture";
    EXPECT_EQ(d_->GetPixel(moved.l + 2, moved.t + 2), kYellow);
    EXPECT_EQ(d_->GetPixel(kF1L + 2, kF1T + 2), kBg);

    // Collapse: 30 x 30 showing the top-left corner, the label shown above.
    DoubleClickAt(moved.l + 10, moved.t + 10);
    v = Host();
    EXPECT_EQ(BoxOf(v.pictures.at(1)), (Box{moved.l, moved.t, 30, 30})) << Str(BoxOf(v.pictures.at(1)));
    ASSERT_TRUE(v.labels.at(1).visible);
    EXPECT_EQ(v.labels.at(1).left, moved.l);
    EXPECT_EQ(v.labels.at(1).bottom, moved.t);
    EXPECT_EQ(d_->GetPixel(moved.l + 29, moved.t + 29), kYellow);
    EXPECT_EQ(d_->GetPixel(moved.l + 31, moved.t + 29), kBg);
    EXPECT_EQ(d_->GetPixel(v.labels.at(1).right - 2, v.labels.at(1).bottom - 2), kLabelBlue);

    // Expand: natural size again, the label hidden.
    DoubleClickAt(moved.l + 10, moved.t + 10);
    v = Host();
    EXPECT_EQ(BoxOf(v.pictures.at(1)), moved);
    EXPECT_FALSE(v.labels.at(1).visible);
    EXPECT_EQ(d_->GetPixel(moved.l + 150, moved.t + 100), kYellow);

    // Past the top-left corner: collapsing puts the label first, then clamps the picture.
    Drag(moved.l + 190, moved.t + 140, 100, 80);
    v = Host();
    const Box out{100 - 190, 80 - 140, kPinW, kPinH};
    ASSERT_EQ(BoxOf(v.pictures.at(1)), out) << Str(BoxOf(v.pictures.at(1)));
    const int labelH = v.labels.at(1).height();
    DoubleClickAt(50, 30);
    v = Host();
    EXPECT_EQ(BoxOf(v.pictures.at(1)), (Box{0, 0, 30, 30})) << Str(BoxOf(v.pictures.at(1)));
    EXPECT_EQ(v.labels.at(1).left, out.l);
    EXPECT_EQ(v.labels.at(1).top, out.t - labelH);

    // A right-button drag moves nothing.
    DoubleClickAt(10, 10);
    const Box before = BoxOf(Host().pictures.at(1));
    d_->MovePointer(20, 20);
    d_->ButtonDown(3);
    const auto menuShown = [&] {
        for (const WinInfo& w : d_->ListWindows("#32768"))
            if (w.visible) return true;
        return false;
    };
    ASSERT_TRUE(WaitUntil(menuShown, 3s, 50ms)) << "the right press opened no menu";
    d_->Tap(XK_Escape);  // closes the menu the press opened
    ASSERT_TRUE(WaitUntil([&] { return !menuShown(); }, 3s, 50ms)) << "Esc left the menu open";
    for (int i = 1; i <= 5; ++i) {
        d_->MovePointer(20 + 10 * i, 20 + 10 * i);
        std::this_thread::sleep_for(30ms);
    }
    d_->ButtonUp(3);
    // A left drag handled after it moves the Floater by exactly its own
    // travel: the right drag moved nothing.
    Drag(20, 20, 60, 50);
    const Box leftDragged{before.l + 40, before.t + 30, before.w, before.h};
    EXPECT_TRUE(WaitUntil([&] { return BoxOf(Host().pictures.at(1)) == leftDragged; }, 3s))
        << Str(BoxOf(Host().pictures.at(1))) << ", want " << Str(leftDragged);
    d_->Stop(app_);
}

TEST_F(FloatersE2E, TwoFloatersLowestDeleteTranslucencyAndSave) {
    Images img;
    ASSERT_TRUE(img.ok()) << "ImageMagick's convert is needed for the test images";
    PinPanelA();
    ASSERT_TRUE(WaitForPictures(1));
    DropOnIcon(img.Uri("red.png"));
    ASSERT_TRUE(WaitForPictures(2)) << "the dropped PNG made no Floater";
    HostView v = Host();
    const Box f2{(kScreenW - 80) / 2, (kScreenH - 60) / 2, 80, 60};
    EXPECT_EQ(BoxOf(v.pictures.at(2)), f2);
    EXPECT_EQ(v.labels.at(2).title, "2#");
    EXPECT_EQ(v.pictureOrder.front(), 2) << "the newer Floater is in front";
    EXPECT_EQ(d_->GetPixel(f2.l + 5, f2.t + 5), (Pixel{200, 30, 40}));

    // "Lowest": Floater 1 covers it. (Its nested green child lies under the
    // top-left of Floater 2, so the check looks at the bottom-right corner.)
    const int cornerX = f2.l + f2.w - 5, cornerY = f2.t + f2.h - 5;
    EXPECT_EQ(d_->GetPixel(cornerX, cornerY), (Pixel{200, 30, 40}));
    FloaterMenu(f2.l + 5, f2.t + 5, "Lowest");
    ASSERT_TRUE(WaitUntil([&] { return d_->GetPixel(cornerX, cornerY) == kYellow; }, 3s));
    EXPECT_EQ(Host().pictureOrder.back(), 2);

    // "Delete" on Floater 1 (now under the pointer): its picture and label go.
    FloaterMenu(f2.l + 5, f2.t + 5, "Delete");
    ASSERT_TRUE(WaitForPictures(1, 3s));
    v = Host();
    EXPECT_EQ(v.pictures.count(1), 0u);
    EXPECT_EQ(v.labels.count(1), 0u);
    EXPECT_EQ(v.labels.at(2).title, "2#");
    EXPECT_TRUE(WaitUntil([&] { return d_->GetPixel(f2.l + 5, f2.t + 5) == Pixel{200, 30, 40}; }, 3s));
    EXPECT_EQ(d_->GetPixel(kF1L + 2, kF1T + 2), kBg);

    // The index of a deleted Floater is not reused.
    DropOnIcon(img.Uri("red.png"));
    ASSERT_TRUE(WaitForPictures(2));
    EXPECT_EQ(Host().labels.at(3).title, "3#");

    // Save: a name with an extension no encoder writes is refused and said so;
    // a PNG name writes the Floater's image.
    const auto typeName = [&](const std::string& text) {
        ASSERT_TRUE(TypeFileName(*d_, text)) << "no save dialog";
    };
    const fs::path dir = "/tmp/floaters-e2e-" + std::to_string(getpid());
    FloaterMenu(f2.l + 5, f2.t + 5, "Save");
    typeName(img.WinPath("shot.tif"));
    const auto refused = TakeMessage(10s);
    ASSERT_TRUE(refused) << "a refused save said nothing";

    EXPECT_NE(refused->find("tif"), std::string::npos) << *refused;
    EXPECT_FALSE(fs::exists(dir / "shot.tif"));
    FloaterMenu(f2.l + 5, f2.t + 5, "Save");
    typeName(img.WinPath("shot.png"));
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(dir / "shot.png") && fs::file_size(dir / "shot.png") > 0; }, 10s));
    const auto quiet = TakeMessage(500ms);
    EXPECT_FALSE(quiet) << "a good save is quiet: " << quiet.value_or("");

    // Translucent: the whole host at alpha 200, then 125; Xvfb has no
    // compositor, so the key colour shows where it was invisible.
    Translucency(f2.l + 5, f2.t + 5, 0);
    EXPECT_EQ(x_->Opacity("hoverdeck"), 0xC8C8C8C8ul);
    EXPECT_TRUE(WaitUntil([&] { return d_->GetPixel(200, 100) == kKey; }, 3s));
    Translucency(f2.l + 5, f2.t + 5, 1);
    EXPECT_EQ(x_->Opacity("hoverdeck"), 0x7D7D7D7Dul);
    Translucency(f2.l + 5, f2.t + 5, 2);
    EXPECT_FALSE(x_->Opacity("hoverdeck").has_value());
    // Last in this test: after the host is opaque again, a drop on the icon
    // under Wine now and then finds only the window manager's frame there, no
    // window that takes drops (seen under load; not yet understood).
    EXPECT_TRUE(WaitUntil(
        [&] { return d_->GetPixel(200, 100) == kBg && d_->GetPixel(f2.l + 5, f2.t + 5) == Pixel{200, 30, 40}; },
        5s));

    d_->Stop(app_);
}

TEST_F(FloatersE2E, DropIconDragsHidesAndQuitEndsTheHost) {
    PinPanelA();
    ASSERT_TRUE(WaitForPictures(1));
    const WinInfo icon = *Host().icon;
    // Hovering moves nothing; a left drag moves the icon and it stays.
    d_->MovePointer(icon.left + 10, icon.top + 10);
    std::this_thread::sleep_for(100ms);
    d_->MovePointer(icon.left + 20, icon.top + 20);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(BoxOf(*Host().icon), BoxOf(icon));
    Drag(icon.left + 18, icon.top + 18, icon.left + 18 - 300, icon.top + 18 + 100, true);
    // The system's move loop starts at the first move: the icon follows the
    // pointer's travel from there.
    const Box dragged{icon.left - 299, icon.top + 100, 36, 36};
    EXPECT_EQ(BoxOf(*Host().icon), dragged) << Str(BoxOf(*Host().icon));
    d_->MovePointer(300, 400);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(BoxOf(*Host().icon), dragged);

    // A left press on a Floater brings the icon in front of every Floater.
    ClickAt(kF1L + 5, kF1T + 5);
    EXPECT_EQ(Host().pictureOrder.size(), 1u);

    // "Hide Floater": everything disappears, nothing is destroyed.
    ClickAt(dragged.l + 18, dragged.t + 18, 3);
    ChooseMenuItem(0, 2);
    ASSERT_TRUE(WaitUntil([&] { return !Host().host->visible; }, 3s));
    EXPECT_TRUE(WaitUntil([&] { return d_->GetPixel(kF1L + 5, kF1T + 5) == kBg; }, 3s));
    EXPECT_EQ(Host().pictures.size(), 1u);
    EXPECT_TRUE(d_->Running(app_));
    d_->Stop(app_);
}

TEST_F(FloatersE2E, QuitDestroysEveryFloaterAndTheProgramStaysInTheTray) {
    PinPanelA();
    ASSERT_TRUE(WaitForPictures(1));
    const WinInfo icon = *Host().icon;
    ClickAt(icon.left + 18, icon.top + 18, 3);
    ChooseMenuItem(1, 2);
    EXPECT_TRUE(WaitUntil([&] { return d_->ListWindows("VellumoHoverdeck").empty(); }, 5s, 50ms));
    EXPECT_EQ(d_->GetPixel(kF1L + 5, kF1T + 5), kBg);
    // The first pin made the program resident: it lives on in the tray.
    EXPECT_TRUE(ResidentAnswers(*d_)) << "the program did not answer after Quit";
    EXPECT_TRUE(d_->Running(app_)) << "Quit ended a program that lives in the tray";
    d_->Stop(app_);
}

TEST_F(FloatersE2E, DroppedFilesOfEveryKindAndEveryFaultTellsTheUser) {
    Images img;
    ASSERT_TRUE(img.ok()) << "ImageMagick's convert is needed for the test images";
    PinPanelA();
    ASSERT_TRUE(WaitForPictures(1));

    // A PNG named in capitals takes the PNG route: transparent parts white.
    DropOnIcon(img.Uri("Half.PNG"));
    ASSERT_TRUE(WaitForPictures(2));
    Box b = BoxOf(Host().pictures.at(2));
    EXPECT_EQ(b, (Box{(kScreenW - 40) / 2, (kScreenH - 40) / 2, 40, 40}));
    EXPECT_EQ(d_->GetPixel(b.l + 5, b.t + 20), (Pixel{20, 40, 220}));
    EXPECT_EQ(d_->GetPixel(b.l + 35, b.t + 20), kWhite);

    DropOnIcon(img.Uri("teal.bmp"));
    ASSERT_TRUE(WaitForPictures(3));
    b = BoxOf(Host().pictures.at(3));
    EXPECT_EQ(b, (Box{(kScreenW - 50) / 2, (kScreenH - 30) / 2, 50, 30}));
    EXPECT_EQ(d_->GetPixel(b.l + 25, b.t + 15), (Pixel{10, 128, 128}));

    DropOnIcon(img.Uri("orange.jpg"));
    ASSERT_TRUE(WaitForPictures(4));
    b = BoxOf(Host().pictures.at(4));
    EXPECT_EQ(b, (Box{(kScreenW - 60) / 2, (kScreenH - 40) / 2, 60, 40}));
    EXPECT_TRUE(Near(d_->GetPixel(b.l + 30, b.t + 20), {250, 140, 20}, 6)) << ToString(d_->GetPixel(b.l + 30, b.t + 20));

    DropOnIcon(img.Uri("purple.gif"));
    ASSERT_TRUE(WaitForPictures(5));
    b = BoxOf(Host().pictures.at(5));
    EXPECT_EQ(d_->GetPixel(b.l + 3, b.t + 10), (Pixel{128, 0, 128}));
    EXPECT_EQ(d_->GetPixel(b.l + 25, b.t + 10), kWhite) << "a transparent GIF part is white, not a hole";

    // The faults: each is told, none leaves a Floater, none uses up an index.
    DropOnIcon(img.Uri("broken.png"));
    EXPECT_EQ(TakeMessage(), "Error loading picture " + img.WinPath("broken.png"));
    DropOnIcon(img.Uri("notes.txt"));
    EXPECT_EQ(TakeMessage(), "Error loading picture " + img.WinPath("notes.txt"));
    DropOnIcon(img.Uri("missing.gif"));
    EXPECT_EQ(TakeMessage(), "Error loading picture " + img.WinPath("missing.gif"));
    DropOnIcon(img.Uri("README"));
    const auto noDot = TakeMessage();
    ASSERT_TRUE(noDot);
    EXPECT_NE(noDot->find(img.WinPath("README")), std::string::npos) << *noDot;
    DropOnIcon("http://example.com/picture.png");
    EXPECT_EQ(TakeMessage(), "Nothing to open: the drop carried no file.");
    HostView v = Host();
    EXPECT_EQ(v.pictures.size(), 5u);
    EXPECT_EQ(v.labels.size(), 5u);

    // A file dropped on a Floater's picture only shows its path.
    ASSERT_TRUE(x_->Drop(kF1L + 5, kF1T + 5, img.Uri("red.png")));
    EXPECT_EQ(TakeMessage(), img.WinPath("red.png"));
    EXPECT_EQ(Host().pictures.size(), 5u);

    DropOnIcon(img.Uri("red.png"));
    ASSERT_TRUE(WaitForPictures(6));
    EXPECT_EQ(Host().labels.at(6).title, "6#");
    d_->Stop(app_);
}

// ---- Files a hostile user drops ----

// The program's message boxes on screen at this moment.
int VellumoBoxes(e2e::Display& d) {
    int n = 0;
    for (const WinInfo& w : d.ListWindows("#32770")) n += w.parent == "0" && w.visible && w.title == "Vellumo";
    return n;
}

// Fixed fault: a valid 30000 x 30000 PNG (a 17 MB file) reached the decoder,
// which overflowed and ended the process with every Floater.
TEST_F(FloatersE2E, APictureTooLargeToHoldIsRefusedByItsHeaderAndNothingIsLost) {
    Images img;
    ASSERT_TRUE(img.ok()) << "ImageMagick's convert is needed for the test images";
    ASSERT_TRUE(WriteBlackPng(img.Path("huge.png"), 30000, 30000));
    PinPanelA();
    ASSERT_TRUE(WaitForPictures(1));
    ASSERT_EQ(d_->GetPixel(kF1L + 5, kF1T + 5), kYellow) << "the pinned Floater never showed";

    DropOnIcon(img.Uri("huge.png"));
    const auto told = TakeMessage(15s);
    ASSERT_TRUE(told) << "no message; vellumo.exe " << (d_->Running(app_) ? "still runs" : "has ended");
    EXPECT_NE(told->find(img.WinPath("huge.png")), std::string::npos) << *told;
    EXPECT_NE(told->find("30000 \xC3\x97 30000"), std::string::npos) << "the size is not named: " << *told;
    ASSERT_TRUE(d_->Running(app_));
    EXPECT_EQ(Host().pictures.size(), 1u);
    EXPECT_EQ(d_->GetPixel(kF1L + 5, kF1T + 5), kYellow) << "the Floater already there was lost";

    // The refusal used up nothing: the next picture is Floater 2.
    DropOnIcon(img.Uri("red.png"));
    ASSERT_TRUE(WaitForPictures(2));
    EXPECT_EQ(Host().labels.at(2).title, "2#");
    d_->Stop(app_);
}

// Fixed fault: a Floater larger than the screen covered the drop icon, the
// one way to open more pictures or close them all.
TEST_F(FloatersE2E, TheDropIconStaysAboveAFloaterLargerThanTheScreenAndAnswers) {
    Images img;
    ASSERT_TRUE(img.ok());
    ASSERT_TRUE(WriteBlackPng(img.Path("wide.png"), kScreenW + 76, kScreenH + 32));
    PinPanelA();
    ASSERT_TRUE(WaitForPictures(1));
    DropOnIcon(img.Uri("wide.png"));
    ASSERT_TRUE(WaitForPictures(2)) << "the picture larger than the screen made no Floater";
    const WinInfo icon = *Host().icon;
    const Box f2 = BoxOf(Host().pictures.at(2));
    ASSERT_TRUE(f2.l < icon.left && f2.t < icon.top && f2.l + f2.w > icon.right && f2.t + f2.h > icon.bottom)
        << "the Floater " << Str(f2) << " does not cover the icon's place";
    // The Floater shows where the icon is not, the icon where it is.
    EXPECT_TRUE(WaitUntil([&] { return d_->GetPixel(icon.left - 10, icon.top + 18) == (Pixel{0, 0, 0}); }, 3s))
        << "the black Floater is not on screen";
    EXPECT_TRUE(WaitUntil([&] { return d_->GetPixel(icon.left + 5, icon.top + 5) == (Pixel{250, 250, 250}); }, 3s))
        << "the icon is covered: " << ToString(d_->GetPixel(icon.left + 5, icon.top + 5));
    // And it answers: its menu hides the host.
    ClickAt(icon.left + 18, icon.top + 18, 3);
    ChooseMenuItem(0, 2);
    EXPECT_TRUE(WaitUntil([&] { return !Host().host->visible; }, 3s)) << "the icon's menu did not act";
    d_->Stop(app_);
}

// Fixed faults: a drop of 60 files made one Floater and ignored 59 without a
// word, a bad file stopped the files after it, and a drop during a message
// box opened a second box over it.
TEST_F(FloatersE2E, SixtyFilesDroppedAtOnceMakeAFloaterEachAndEveryBadOneIsTold) {
    Images img;
    ASSERT_TRUE(img.ok());
    std::string uris;
    std::vector<std::string> bad;
    for (int i = 0; i < 60; ++i) {
        const std::string name = (i % 20 == 0 || i == 59 ? "bad-" : "good-") + std::to_string(i) + ".png";
        if (name[0] == 'b') {
            std::ofstream(img.Path(name)) << "not a picture";
            bad.push_back(name);
        } else {
            fs::copy_file(img.Path("red.png"), img.Path(name));
        }
        uris += (i ? "\r\n" : "") + img.Uri(name);
    }
    ASSERT_EQ(bad.size(), 4u);
    PinPanelA();
    ASSERT_TRUE(WaitForPictures(1));
    DropOnIcon(uris);

    // The first file is bad: its message comes first. A drop made while it
    // is up waits for it instead of opening a second box.
    ASSERT_TRUE(WaitUntil([&] { return VellumoBoxes(*d_) == 1; }, 10s, 50ms)) << "no message for " << bad[0];
    DropOnIcon(img.Uri("red.png"));
    EXPECT_FALSE(WaitUntil([&] { return VellumoBoxes(*d_) > 1; }, 1500ms, 50ms)) << "a second box over the first";
    for (const std::string& name : bad) {
        int most = 0;
        std::optional<std::string> told;
        WaitUntil(
            [&] {
                most = std::max(most, VellumoBoxes(*d_));
                return most > 0;
            },
            20s, 50ms);
        told = TakeMessage(5s);
        ASSERT_TRUE(told) << "no message for " << name;
        EXPECT_EQ(*told, "Error loading picture " + img.WinPath(name));
        EXPECT_LE(most, 1) << "boxes stacked";
    }
    // 56 good files, then the one dropped during the first message.
    EXPECT_TRUE(WaitForPictures(1 + 56 + 1, 30s)) << Host().pictures.size() << " Floaters";
    const HostView v = Host();
    EXPECT_EQ(v.labels.count(58), 1u);
    EXPECT_EQ(v.labels.count(59), 0u);
    EXPECT_FALSE(TakeMessage(500ms)) << "a message no file asked for";
    d_->Stop(app_);
}

// A picture within this build's pixel budget that the memory left cannot
// hold: told, and everything already there stays. The running program is
// given room for one copy of the picture, not for the second that loading
// it takes; each build gets a picture its budget (48 million pixels in the
// 32-bit one) lets through to the decoder.
TEST_F(FloatersE2E, APictureThereIsNoMemoryForIsToldAndNothingIsLost) {
    const int side = TestArch() == Arch::Win32 ? 6900 : 12000;
    const std::string size = std::to_string(side) + " \xC3\x97 " + std::to_string(side);
    Images img;
    ASSERT_TRUE(img.ok());
    ASSERT_TRUE(WriteBlackPng(img.Path("big.png"), side, side));
    PinPanelA();
    ASSERT_TRUE(WaitForPictures(1)) << "no Floater";
    const long long committed = CommittedBytes(app_);
    ASSERT_GT(committed, 0);
    const rlim_t oneCopy = rlim_t(side) * side * 4;
    rlimit tight{rlim_t(committed) + oneCopy + (32u << 20), RLIM_INFINITY}, before{};
    ASSERT_EQ(prlimit(app_, RLIMIT_DATA, &tight, &before), 0);
    DropOnIcon(img.Uri("big.png"));
    const auto told = TakeMessage(60s);
    ASSERT_TRUE(told) << "nothing said; vellumo.exe " << (d_->Running(app_) ? "still runs" : "has ended");
    EXPECT_NE(told->find("not enough memory"), std::string::npos) << *told;
    EXPECT_NE(told->find(img.WinPath("big.png")), std::string::npos) << *told;
    EXPECT_NE(told->find(size), std::string::npos) << *told;
    ASSERT_TRUE(d_->Running(app_));
    EXPECT_EQ(Host().pictures.size(), 1u);
    EXPECT_EQ(d_->GetPixel(kF1L + 5, kF1T + 5), kYellow) << "the Floater already there was lost";
    // Memory again: the next picture opens.
    ASSERT_EQ(prlimit(app_, RLIMIT_DATA, &before, nullptr), 0);
    DropOnIcon(img.Uri("red.png"));
    ASSERT_TRUE(WaitForPictures(2)) << "no Floater after the refused one";
    EXPECT_EQ(Host().labels.at(2).title, "2#");
    d_->Stop(app_);
}

}  // namespace

namespace {

// A compositing manager on the test's display, as a desktop has one: it
// blends a window of some opacity with what lies under it on the screen.
// Ended (by its pid) when it goes out of scope.
class Compositor {
public:
    explicit Compositor(const std::string& display) {
        pid_ = fork();
        if (pid_ == 0) {
            execlp("xcompmgr", "xcompmgr", "-n", "-d", display.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Compositor() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;
    bool running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

private:
    pid_t pid_ = -1;
};

// Source over: `c` at `alpha` over `under`.
Pixel Blend(const Pixel& c, const Pixel& under, int alpha) {
    auto ch = [&](int s, int d) { return (s * alpha + d * (255 - alpha) + 127) / 255; };
    return {ch(c.r, under.r), ch(c.g, under.g), ch(c.b, under.b)};
}

// The wheel over a Floater zooms it around the pointer in 10% steps, with
// the percentage shown on it for a moment; back at 100% it is the capture
// pixel for pixel; a collapse and expand keep the zoom. Ctrl+wheel sets the
// Floater's own opacity: it becomes a layered window of its own at that
// alpha (read from its X window: Xvfb has no compositor to blend it), and
// back at 100% it returns into the host.
TEST_F(FloatersE2E, WheelZoomsAroundThePointerAndCtrlWheelSetsTheFloatersOwnOpacity) {
    const Image panel = d_->Grab(kPanelL, kPanelT, kPinW, kPinH);
    PinPanelA();
    ASSERT_TRUE(WaitForPictures(1));
    const auto showsPanel = [&](int l, int t) {
        const Image now = d_->Grab(l, t, kPinW, kPinH);
        return now.pixels == panel.pixels;
    };
    // A click selects it, gives the host the keyboard, and so the wheel, and
    // ends the flashing frame, whose border covers the picture's outer pixels.
    ClickAt(kF1L + 50, kF1T + 40);
    ASSERT_TRUE(WaitUntil([&] { return showsPanel(kF1L, kF1T); }, 3s)) << "the Floater is not the capture";
    const auto wheel = [&](int button, int notches, bool ctrl) {
        if (ctrl) d_->KeyDown(XK_Control_L);
        for (int i = 0; i < notches; ++i) d_->Click(button);
        if (ctrl) d_->KeyUp(XK_Control_L);
    };
    const auto pictureBox = [&] {
        const HostView v = Host();
        return v.pictures.count(1) ? BoxOf(v.pictures.at(1)) : Box{};
    };

    // 120% around (462, 349): the picture point (50, 40) under it becomes (60, 48).
    wheel(4, 2, false);
    const Box zoomed{kF1L + 50 - 60, kF1T + 40 - 48, 240, 180};
    EXPECT_TRUE(WaitUntil([&] { return pictureBox() == zoomed; }, 3s)) << Str(pictureBox()) << ", want " << Str(zoomed);
    EXPECT_TRUE(WaitUntil([&] { return d_->GetPixel(zoomed.l + 6, zoomed.t + 6) == Pixel{0, 0, 0}; }, 1s, 10ms))
        << "no percentage badge on the zoomed Floater";
    EXPECT_TRUE(WaitUntil([&] { return d_->GetPixel(zoomed.l + 6, zoomed.t + 6) == kYellow; }, 3s))
        << "the badge stayed: " << ToString(d_->GetPixel(zoomed.l + 6, zoomed.t + 6));
    EXPECT_EQ(d_->GetPixel(zoomed.l + 235, zoomed.t + 175), d_->GetPixel(zoomed.l + 230, zoomed.t + 170))
        << "the zoomed picture does not reach its far corner";

    // Collapsed and expanded: still 120%.
    DoubleClickAt(zoomed.l + 10, zoomed.t + 10);
    EXPECT_TRUE(WaitUntil([&] { return pictureBox() == Box{zoomed.l, zoomed.t, 30, 30}; }, 3s)) << Str(pictureBox());
    DoubleClickAt(zoomed.l + 10, zoomed.t + 10);
    EXPECT_TRUE(WaitUntil([&] { return pictureBox() == zoomed; }, 3s)) << "expanded to " << Str(pictureBox());

    // Back to 100% around the same point: the capture exactly, where it was.
    d_->MovePointer(kF1L + 50, kF1T + 40);
    std::this_thread::sleep_for(100ms);
    wheel(5, 2, false);
    const Box natural{kF1L, kF1T, kPinW, kPinH};
    EXPECT_TRUE(WaitUntil([&] { return pictureBox() == natural; }, 3s)) << Str(pictureBox());
    EXPECT_TRUE(WaitUntil([&] { return showsPanel(kF1L, kF1T); }, 3s)) << "at 100% the Floater is not the capture";

    // Ctrl+wheel: 70% of its own, as a window of its own.
    wheel(5, 3, true);
    EXPECT_TRUE(WaitUntil([&] { return x_->Opacity("Picture1(1)") == 0xB3B3B3B3ul; }, 3s))
        << "no own opacity of 70% on the Floater's window";
    EXPECT_TRUE(x_->Opacity("hoverdeck") == std::nullopt) << "the host itself was made translucent";
    // Once its percentage is gone, it shows where it was, unchanged.
    EXPECT_TRUE(WaitUntil([&] { return showsPanel(kF1L, kF1T); }, 3s)) << "the translucent Floater moved or changed";
    {
        // Composited, the screen shows it blended with the desktop under it.
        // The compositor paints the desktop itself (its own grey, as no root
        // picture is set), so what is under the Floater is read beside it.
        Compositor compositor(d_->name());
        const auto blended = [&] { return Blend(kYellow, d_->GetPixel(kF1L - 10, kF1T + 2), 0xB3); };
        const bool seen = WaitUntil(
            [&] {
                return d_->GetPixel(kF1L - 10, kF1T + 2) != kBg && e2e::Near(d_->GetPixel(kF1L + 2, kF1T + 2), blended(), 3);
            },
            5s);
        ASSERT_TRUE(compositor.running()) << "xcompmgr did not run";
        EXPECT_TRUE(seen) << "composited, the 70% Floater shows " << ToString(d_->GetPixel(kF1L + 2, kF1T + 2))
                          << " beside " << ToString(d_->GetPixel(kF1L - 10, kF1T + 2)) << ", want about "
                          << ToString(blended());
    }
    // Ctrl+wheel back up: in the host again, opaque.
    wheel(4, 3, true);
    EXPECT_TRUE(WaitUntil([&] { return pictureBox() == natural; }, 3s)) << "the Floater did not return into the host";
    EXPECT_FALSE(x_->Opacity("Picture1(1)").has_value());
    EXPECT_TRUE(WaitUntil([&] { return showsPanel(kF1L, kF1T); }, 3s));
    d_->Stop(app_);
}

}  // namespace

// A pin promises the clipboard a "PNG" made only when a program asks for it.
// Deleting the Floater first must not lose it: the PNG is made as the
// picture goes, and a program pasting later finds the pinned pixels.
TEST_F(FloatersE2E, APinsPngOutlivesItsDeletedFloater) {
    Images img;
    ASSERT_TRUE(img.ok()) << "ImageMagick's convert is needed";
    const Image want = d_->Grab(kPanelL, kPanelT, kPinW, kPinH);
    PinPanelA();
    ASSERT_TRUE(WaitForPictures(1)) << "no Floater after the pin";
    ASSERT_TRUE(WaitUntil([&] { return d_->GetPixel(kF1L + 5, kF1T + 5) == kYellow; }, 5s)) << "the Floater never showed";
    FloaterMenu(kF1L + 5, kF1T + 5, "Delete");
    ASSERT_TRUE(WaitForPictures(0, 5s)) << "the Floater was not deleted";

    const RunResult r = d_->Run(WinExe("vpng.exe"), {"clipboard", img.WinPath("clip.png")});
    ASSERT_EQ(r.out, "G\t" + std::to_string(kPinW) + "\t" + std::to_string(kPinH) + "\n")
        << "no \"PNG\" of the pin on the clipboard (exit " << r.exitCode << ")";
    const auto got = Decode(img.Path("clip.png.ppm"));
    ASSERT_TRUE(got) << "GDI+'s decoding cannot be read";
    EXPECT_TRUE(got->image.pixels == want.pixels) << "the \"PNG\" as GDI+ decodes it is not the pinned region";
    d_->Stop(app_);
}

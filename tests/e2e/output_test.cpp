// Copy and save as a user meets them: a region of known colours is dragged on
// the overlay, a toolbar button pressed, the save dialog typed into; the
// clipboard is read back by a second program (vprobe.exe) and saved files are
// opened with ImageMagick. Faults (a name no encoder writes, a missing folder,
// a locked file, a cancelled dialog, a clipboard another program holds) must
// be told and leave the overlay and its selection as they were.
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/Dialogs.h"
#include "tests/e2e/ImageFiles.h"
#include "tests/e2e/OverlayFixture.h"
#include "tests/e2e/SmallDisk.h"
#include "tests/e2e/harness/Harness.h"

using namespace e2e;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Dragged from its top-left to its bottom-right corner: the desktop, the
// fixture's own colour, panel A, the nested part and panel B, five colours.
const Box kRegion{90, 140, 270, 120};
// Away from every colour edge inside kRegion, with the colour expected there.
struct Spot {
    int x, y;  // in kRegion
    Pixel colour;
    const char* what;
};
std::vector<Spot> Spots() {
    const auto& p = fixture::kPalettes[0];
    return {{4, 4, kBg, "desktop"},
            {20, 20, Of(p.top), "fixture"},
            {kA.l + 10 - kRegion.l, kA.t + 10 - kRegion.t, Of(p.panelA), "panel A"},
            {kNestedBox.cx() - kRegion.l, kNestedBox.cy() - kRegion.t, Of(p.nested), "nested part"},
            {kB.l + 8 - kRegion.l, kB.t + 40 - kRegion.t, Of(p.panelB), "panel B"}};
}

Image UpsideDown(const Image& img) {
    Image out = img;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            out.pixels[static_cast<std::size_t>(y) * img.width + x] = img.at(x, img.height - 1 - y);
    return out;
}

// How far `got` is from `want`.
struct Diff {
    int off = 0;           // pixels with a channel more than the tolerance away; -1: another size
    double meanError = 0;  // per channel, over the whole image
    std::string first;     // the first of them
};
Diff Compare(const Image& got, const Image& want, int tolerance) {
    Diff d;
    if (got.width != want.width || got.height != want.height) {
        d.off = -1;
        d.first = "size " + std::to_string(got.width) + "x" + std::to_string(got.height);
        return d;
    }
    double sum = 0;
    for (int y = 0; y < want.height; ++y)
        for (int x = 0; x < want.width; ++x) {
            const Pixel &g = got.at(x, y), &w = want.at(x, y);
            sum += std::abs(g.r - w.r) + std::abs(g.g - w.g) + std::abs(g.b - w.b);
            if (Near(g, w, tolerance)) continue;
            if (d.off++ == 0)
                d.first = "(" + std::to_string(x) + "," + std::to_string(y) + ") " + ToString(g) + " want " +
                          ToString(w);
        }
    d.meanError = sum / (3.0 * want.width * want.height);
    return d;
}

// For a failure message: whether `got` is `want` turned upside down.
std::string UpsideDownNote(const Image& got, const Image& want) {
    const Diff straight = Compare(got, want, 0), flipped = Compare(got, UpsideDown(want), 0);
    return straight.off > 0 && flipped.meanError < straight.meanError / 4 ? " (it is the region upside down)" : "";
}

class OutputE2E : public OverlayE2E {
protected:
    void SetUp() override {
        OverlayE2E::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_FALSE(Output("command -v identify >/dev/null && command -v convert").empty())
            << "ImageMagick's identify and convert are needed";
        dir_ = fs::path("/tmp") / ("vellumo-output-e2e-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // The desktop before any overlay: what a frozen copy of kRegion must hold.
        want_ = d_->Grab(kRegion.l, kRegion.t, kRegion.w, kRegion.h);
        for (const Spot& s : Spots())
            ASSERT_EQ(want_.at(s.x, s.y), s.colour) << "the desktop does not show " << s.what << " in the region";
    }

    void TearDown() override {
        OverlayE2E::TearDown();
        if (HasFailure() && !dir_.empty()) {
            std::printf("files of the failed test kept in %s\n", dir_.c_str());
            return;
        }
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // The clipboard's CF_BITMAP, read back through vprobe, is kRegion's size
    // and exactly the desktop's pixels there.
    void ExpectClipboardIsTheRegion(const std::string& what) {
        const fs::path dump = dir_ / "clipboard.ppm";
        const RunResult r = d_->Run(WinExe("vprobe.exe"), {"clipboard", WinPath(dump)});
        ASSERT_EQ(r.exitCode, 0) << what << ": vprobe could not read the clipboard: " << r.out;
        EXPECT_EQ(r.out, "B\t" + std::to_string(kRegion.w) + "\t" + std::to_string(kRegion.h) + "\n")
            << what << ": the clipboard's CF_BITMAP is not kRegion's size";
        const auto copied = Decode(dump);
        ASSERT_TRUE(copied) << what << ": no bitmap read back from the clipboard";
        const Diff diff = Compare(copied->image, want_, 0);
        EXPECT_EQ(diff.off, 0) << what << ": the clipboard's bitmap differs from the screen: " << diff.first
                               << UpsideDownNote(copied->image, want_);
    }

    // The clipboard's "PNG" is read by a second program (vpng.exe), which
    // decodes it through GDI+ as programs that paste do; ImageMagick reads the
    // same bytes. Both must be exactly the desktop's pixels in kRegion.
    void ExpectClipboardPngIsTheRegion(const std::string& what) {
        const fs::path png = dir_ / "clipboard.png";
        const RunResult r = d_->Run(WinExe("vpng.exe"), {"clipboard", WinPath(png)});
        ASSERT_EQ(r.exitCode, 0) << what << ": vpng could not read the clipboard: " << r.out;
        ASSERT_EQ(r.out, "G\t" + std::to_string(kRegion.w) + "\t" + std::to_string(kRegion.h) + "\n")
            << what << ": the clipboard's \"PNG\" is missing (N) or not kRegion's size";
        const auto viaGdiPlus = Decode(png.string() + ".ppm");
        const auto viaMagick = Decode(png);
        ASSERT_TRUE(viaGdiPlus && viaMagick) << what << ": the decoded pictures cannot be read";
        EXPECT_EQ(viaMagick->format, "PNG") << what;
        for (const auto* got : {&viaGdiPlus->image, &viaMagick->image}) {
            const Diff diff = Compare(*got, want_, 0);
            EXPECT_EQ(diff.off, 0) << what << ": the \"PNG\" as " << (got == &viaGdiPlus->image ? "GDI+" : "ImageMagick")
                                   << " reads it differs from the screen: " << diff.first
                                   << UpsideDownNote(*got, want_);
        }
    }

    // vellumo.exe started over the fixture and kRegion selected by a drag
    // (paced, well past the moves that tell a drag from a click).
    void LaunchAndSelect() {
        ASSERT_NO_FATAL_FAILURE(Launch(kB.cx(), kB.cy()));
        ExpectPixelSoon(900, 700, Dark(kBg), "desktop outside the detected frame", 5s);
        GlideTo(kRegion.l, kRegion.t);
        d_->ButtonDown();
        for (int i = 1; i <= 12; ++i) {
            Jump(kRegion.l + kRegion.w * i / 12, kRegion.t + kRegion.h * i / 12);
            std::this_thread::sleep_for(30ms);
        }
        d_->ButtonUp();
        ASSERT_NO_FATAL_FAILURE(ExpectSelected("the dragged region"));
    }

    // kRegion is the selection: its handles, its size read-out, the toolbar
    // shown, bright inside and darkened outside.
    void ExpectSelected(const std::string& what) {
        OverlayView v;
        const bool placed = WaitUntil(
            [&] {
                v = Overlay();
                return v.ToolsShown() && v.Handles() == HandlesFor(kRegion, handleSide_);
            },
            3s, 50ms);
        ASSERT_TRUE(placed) << what << ": toolbar shown " << v.ToolsShown() << ", handles " << Describe(v.Handles())
                            << ", want them on " << Str(kRegion);
        EXPECT_EQ(v.overlays, 1) << what;
        ASSERT_TRUE(v.sizeCaption) << what;
        // Read as the program sets it: once, just after a message closed, it read empty.
        std::string size;
        EXPECT_TRUE(WaitUntil([&] { return (size = d_->WindowText(v.sizeCaption->hwnd)) == SizeText(kRegion.w, kRegion.h); },
                              1500ms, 50ms))
            << what << ": the size read-out shows \"" << size << "\"";
        // Left of the top-left handle, clear of the magnifier and the toolbar.
        ExpectPixelSoon(kRegion.l + 4, kRegion.t + 10, kBg, what + ", inside the frame");
        ExpectPixelSoon(kRegion.l - 4, kRegion.t + 10, Dark(kBg), what + ", outside the frame");
    }

    // The pointer on the toolbar button titled `title` (copy "Image1", pin
    // "pinimg", save "SavePic"), not yet clicked.
    void PointAt(const std::string& title) {
        // The toolbar is made once the overlay's first frame is out.
        std::optional<WinInfo> button;
        WaitUntil(
            [&] {
                for (const WinInfo& w : d_->ListWindows("VellumoScrShot"))
                    if (w.cls == "VellumoToolButton" && w.title == title && w.visible) button = w;
                return button.has_value();
            },
            3s, 50ms);
        ASSERT_TRUE(button) << "no visible tool button \"" << title << "\"";
        Jump(button->left + button->width() / 2, button->top + button->height() / 2);
        std::this_thread::sleep_for(50ms);
    }

    void Press(const std::string& title) {
        ASSERT_NO_FATAL_FAILURE(PointAt(title));
        d_->Click();
    }

    void SaveAs(const std::string& name) {
        ASSERT_NO_FATAL_FAILURE(Press("SavePic"));
        ASSERT_TRUE(TypeFileName(*d_, name)) << "no save dialog after pressing SavePic";
    }

    // Wine's "already exists, replace it?" question, answered Yes if it comes.
    void ConfirmOverwrite() {
        std::optional<WinInfo> yes;
        const auto asked = [&] {
            yes.reset();
            bool question = false;
            for (const WinInfo& w : d_->ListWindows("#32770")) {
                if (w.parent == "0") question = w.visible && w.title != "Vellumo";
                else if (question && w.cls == "Button" && w.id == 6 && w.visible) yes = w;  // IDYES
            }
            return yes.has_value();
        };
        if (!WaitUntil(asked, 3s, 50ms)) return;
        // Listed is not yet clickable: the box may still be mapping.
        for (int attempt = 0; attempt < 4 && asked(); ++attempt) {
            std::this_thread::sleep_for(200ms);
            ClickAt(*d_, yes->left + yes->width() / 2, yes->top + yes->height() / 2);
            WaitUntil([&] { return !asked(); }, 1s, 50ms);
        }
    }

    // A fault was told: its message box, titled "Vellumo", is read and dismissed.
    std::string ExpectMessage(const std::string& what, Ms timeout = 10s) {
        const auto m = TakeMessage(*d_, timeout);
        EXPECT_TRUE(m) << what << ": no message box titled \"Vellumo\"";
        if (!m) return {};
        EXPECT_TRUE(m->closed) << what << ": the message box did not close";
        return m->text;
    }

    // The overlay still open with the selection it had.
    void ExpectOverlayKept(const std::string& what) {
        ASSERT_TRUE(d_->Running(app_)) << what << ": vellumo.exe ended";
        ExpectSelected(what);
    }

    void ExpectEnded(const std::string& what) {
        const bool ended = d_->WaitExit(app_, 10s);
        std::string why;
        if (!ended) {
            ShotIfFailed();
            const auto m = TakeMessage(*d_, 300ms);
            why = m ? "; it says: " + m->text : "";
        }
        EXPECT_TRUE(ended) << what << ": the capture did not end" << why;
    }

    std::set<std::string> Files() {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(dir_)) out.insert(e.path().filename().string());
        return out;
    }

    // A file the program wrote: the format named, kRegion's size, its pixels
    // those of the desktop (JPEG: near them).
    void ExpectImageFile(const fs::path& file, const std::string& format) {
        ASSERT_TRUE(fs::exists(file)) << file << " was not written; the folder holds " << [&] {
            std::string s;
            for (const auto& f : Files()) s += f + " ";
            return s;
        }();
        const auto d = Decode(file);
        ASSERT_TRUE(d) << "ImageMagick cannot read " << file;
        // ImageMagick names a BITMAPINFOHEADER file BMP3.
        EXPECT_TRUE(d->format == format || (format == "BMP" && d->format == "BMP3")) << file << ": " << d->format;
        if (format == "JPEG") {
            EXPECT_EQ(d->quality, JpegQuality80())
                << file << ": not the quality estimated for this system's own quality-80 JPEG";
            const Diff diff = Compare(d->image, want_, 255);
            ASSERT_GE(diff.off, 0) << file << ": " << diff.first;
            // Around quality 80 these sharp colour edges cost about 3 a
            // channel on average (ImageMagick's own JPEG: 3.0; this GDI+'s: 3.5).
            EXPECT_LT(diff.meanError, 5.0) << file << UpsideDownNote(d->image, want_);
            for (const Spot& s : Spots())
                EXPECT_TRUE(Near(d->image.at(s.x, s.y), s.colour, 8))
                    << file << ", " << s.what << ": " << ToString(d->image.at(s.x, s.y)) << " want about "
                    << ToString(s.colour);
        } else {
            const Diff diff = Compare(d->image, want_, 0);
            EXPECT_EQ(diff.off, 0) << file << " differs from the screen: " << diff.first
                                   << UpsideDownNote(d->image, want_);
        }
    }

    // How ImageMagick estimates the quality of a JPEG this system's GDI+
    // writes at quality 80 (80 where GDI+ honours the quality; Wine's ignores it).
    int JpegQuality80() {
        if (jpegQuality80_ >= 0) return jpegQuality80_;
        const fs::path ref = dir_ / "reference-80.jpg";
        const RunResult r = d_->Run(WinExe("vprobe.exe"), {"jpeg", "80", WinPath(ref)});
        const auto d = Decode(ref);
        EXPECT_TRUE(r.out == "J\t0\n" && d) << "no reference JPEG: " << r.out;
        jpegQuality80_ = d ? d->quality : 0;
        if (jpegQuality80_ != 80)
            std::printf("note: this GDI+ ignores the JPEG quality; its quality-80 JPEG is estimated at %d\n",
                        jpegQuality80_);
        fs::remove(ref);
        return jpegQuality80_;
    }

    fs::path dir_;
    Image want_;
    int jpegQuality80_ = -1;
};

// Pin and copy wait out a short hold of the clipboard, tell a long one and
// keep the overlay; the copy that gets through puts exactly the frozen
// region on the clipboard and ends the program.
TEST_F(OutputE2E, HeldClipboardIsWaitedForThenToldAndCopyPutsTheFrozenRegionOnIt) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    const std::string vprobe = WinExe("vprobe.exe");
    const auto hold = [&](const std::string& seconds, const std::string& tag) {
        const fs::path ready = dir_ / ("held-" + tag);
        const pid_t holder = d_->Start(vprobe, {"holdclipboard", seconds, WinPath(ready)});
        EXPECT_TRUE(WaitUntil([&] { return fs::exists(ready); }, 10s)) << "vprobe never took the clipboard";
        return holder;
    };

    // Held until the holder ends: each action gives up after about a second and says so.
    const pid_t longHold = hold("60", "long");
    for (const std::string button : {"pinimg", "Image1"}) {
        ASSERT_NO_FATAL_FAILURE(Press(button));
        const auto pressed = Clock::now();
        const auto m = TakeMessage(*d_, 5s);
        const auto waited = std::chrono::duration_cast<Ms>(Clock::now() - pressed);
        ASSERT_TRUE(m) << button << " with the clipboard held: no message box titled \"Vellumo\"";
        EXPECT_TRUE(m->closed);
        EXPECT_NE(m->text.find("clipboard"), std::string::npos) << m->text;
        EXPECT_GE(waited.count(), 800) << button << " gave up without retrying for about a second";
        // Generous: the message is found by polling, slow on a loaded machine.
        EXPECT_LE(waited.count(), 4500) << button << " kept trying far longer than a second";
        ASSERT_NO_FATAL_FAILURE(ExpectOverlayKept(button + " with the clipboard held"));
    }
    for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck"))
        EXPECT_NE(w.cls, "VellumoPicture1") << "a failed pin still made a Floater";
    d_->Stop(longHold);

    // Held for 0.6 s from just before the click: the copy waits it out.
    ASSERT_NO_FATAL_FAILURE(PointAt("Image1"));
    const pid_t shortHold = hold("0.6", "short");
    d_->Click();
    ExpectEnded("copy after a short hold");
    EXPECT_TRUE(d_->WaitExit(shortHold, 5s));

    ExpectClipboardIsTheRegion("copy after a short hold");
}

// Every refused save is told and changes nothing: a name no encoder writes,
// a missing folder, a file another program holds, a cancelled dialog. Then a
// PNG name saves and ends the capture.
TEST_F(OutputE2E, RefusedSavesAreToldAndKeepTheSelectionThenPngSaves) {
    const fs::path held = dir_ / "held.png";
    const std::string heldBytes = "held open by another program";
    std::ofstream(held, std::ios::binary) << heldBytes;
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());

    ASSERT_NO_FATAL_FAILURE(SaveAs(WinPath(dir_ / "shot.tif")));
    std::string text = ExpectMessage("shot.tif");
    EXPECT_NE(text.find("shot.tif"), std::string::npos) << "the message does not name the file: " << text;
    EXPECT_EQ(Files(), (std::set<std::string>{"held.png"}));
    ASSERT_NO_FATAL_FAILURE(ExpectOverlayKept("after shot.tif"));

    ASSERT_NO_FATAL_FAILURE(SaveAs(WinPath(dir_ / "missing" / "shot.png")));
    text = ExpectMessage("a missing folder");
    EXPECT_NE(text.find("missing"), std::string::npos) << "the message does not name the path: " << text;
    EXPECT_EQ(Files(), (std::set<std::string>{"held.png"}));
    ASSERT_NO_FATAL_FAILURE(ExpectOverlayKept("after a missing folder"));

    const fs::path ready = dir_ / "locked";
    const pid_t locker = d_->Start(WinExe("vprobe.exe"), {"lock", WinPath(held), "60", WinPath(ready)});
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(ready); }, 10s)) << "vprobe could not lock " << held;
    ASSERT_NO_FATAL_FAILURE(SaveAs(WinPath(held)));
    ConfirmOverwrite();
    text = ExpectMessage("a locked file");
    EXPECT_NE(text.find("held.png"), std::string::npos) << "the message does not name the file: " << text;
    EXPECT_EQ(ReadFile(held), heldBytes) << "the locked file was changed";
    EXPECT_EQ(Files(), (std::set<std::string>{"held.png", "locked"}));
    ASSERT_NO_FATAL_FAILURE(ExpectOverlayKept("after a locked file"));
    d_->Stop(locker);

    // Esc in the dialog: nothing said, nothing written.
    ASSERT_NO_FATAL_FAILURE(Press("SavePic"));
    std::optional<WinInfo> edit;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const WinInfo& w : d_->ListWindows("#32770"))
                if (w.cls == "Edit" && w.visible) edit = w;
            return edit.has_value();
        },
        10s, 100ms))
        << "no save dialog";
    ClickAt(*d_, edit->left + 10, edit->top + edit->height() / 2);  // the dialog has the keyboard
    d_->Tap(XK_Escape);
    EXPECT_TRUE(WaitUntil([&] { return d_->ListWindows("#32770").empty(); }, 5s, 100ms)) << "the dialog stayed";
    const auto quiet = TakeMessage(*d_, 500ms);
    EXPECT_FALSE(quiet) << "a cancel was answered with: " << quiet->text;
    ASSERT_NO_FATAL_FAILURE(ExpectOverlayKept("after a cancelled dialog"));

    ASSERT_NO_FATAL_FAILURE(SaveAs(WinPath(dir_ / "shot.png")));
    ExpectEnded("save as shot.png");
    ExpectImageFile(dir_ / "shot.png", "PNG");
    EXPECT_EQ(Files(), (std::set<std::string>{"held.png", "locked", "shot.png"}));
}

// JPEG, GIF and BMP by their extensions (in any case), and a name typed
// without one takes the chosen filter entry's: one capture each.
TEST_F(OutputE2E, EachExtensionWritesItsFormatAndTheFilterEntryFillsAMissingOne) {
    struct Case {
        std::string name, format;
    };
    for (const Case& c : {Case{"shot.jpg", "JPEG"}, Case{"shot.gif", "GIF"}, Case{"Shot.BMP", "BMP"}}) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
        ASSERT_NO_FATAL_FAILURE(SaveAs(WinPath(dir_ / c.name)));
        ExpectEnded("save as " + c.name);
        ExpectImageFile(dir_ / c.name, c.format);
    }
    // The BMP: uncompressed, 24 bits a pixel.
    const std::string bmp = ReadFile(dir_ / "Shot.BMP");
    ASSERT_GE(bmp.size(), 54u);
    const auto u16 = [&](std::size_t at) {
        return static_cast<unsigned char>(bmp[at]) | static_cast<unsigned char>(bmp[at + 1]) << 8;
    };
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(u16(28), 24) << "bits per pixel";
    EXPECT_EQ(u16(30), 0) << "compression";

    // The JPEG entry chosen in "Save as type" (a drop-down list: opened with
    // a click, moved with Down, taken with Enter), then a bare name.
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(Press("SavePic"));
    std::optional<WinInfo> types;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const WinInfo& w : d_->ListWindows("#32770"))
                if (w.cls == "ComboBox" && w.id == 0x470 && w.visible) types = w;  // cmb1
            return types.has_value();
        },
        10s, 100ms))
        << "no file type list in the save dialog";
    ClickAt(*d_, types->left + types->width() / 2, types->top + types->height() / 2);
    std::this_thread::sleep_for(300ms);
    d_->Tap(XK_Down);
    d_->Tap(XK_Return);
    ASSERT_TRUE(WaitUntil([&] { return d_->WindowText(types->hwnd).rfind("JPEG", 0) == 0; }, 2s, 100ms))
        << "the JPEG entry was not chosen: \"" << d_->WindowText(types->hwnd) << "\"";
    ASSERT_TRUE(TypeFileName(*d_, WinPath(dir_ / "plain")));
    ExpectEnded("save as plain with the JPEG entry");
    ExpectImageFile(dir_ / "plain.jpg", "JPEG");
    EXPECT_EQ(Files(), (std::set<std::string>{"Shot.BMP", "plain.jpg", "shot.gif", "shot.jpg"}));
}

// ---- What a hostile user does to the output ----

// The file dialog's name box, when one shows.
bool FileDialogShown(Display& d) {
    for (const WinInfo& w : d.ListWindows("#32770"))
        if (w.cls == "Edit" && w.visible) return true;
    return false;
}

// Fixed fault: Save on a name past 260 characters killed the dialog's thread
// (a buffer overflow in Wine's dialogs) and left a dead, frozen screen. Such
// a name is now refused in the dialog, which stays open; the capture stays.
TEST_F(OutputE2E, NamesOf300And325CharactersAreRefusedInTheDialogAndTheCaptureStays) {
    // A 300-character path of names a file system allows, its folders made.
    const fs::path deep = dir_ / std::string(120, 'a') / std::string(120, 'b');
    fs::create_directories(deep);
    const std::string folder = WinPath(deep) + "\\";
    const std::string path300 = folder + std::string(300 - folder.size() - 4, 's') + ".png";
    const std::string name325 = std::string(321, 'n') + ".png";
    ASSERT_EQ(path300.size(), 300u);
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(Press("SavePic"));
    for (const std::string& typed : {path300, name325}) {
        SCOPED_TRACE(typed.size());
        ASSERT_TRUE(TypeFileName(*d_, typed)) << "no save dialog";
        const std::string text = ExpectMessage("a " + std::to_string(typed.size()) + "-character name");
        EXPECT_NE(text.find("too long"), std::string::npos) << text;
        ASSERT_TRUE(d_->Running(app_)) << "vellumo.exe died";
        EXPECT_TRUE(WaitUntil([&] { return FileDialogShown(*d_); }, 3s, 100ms)) << "the dialog did not stay open";
    }
    // Esc in the dialog: the capture is still there, nothing was written.
    d_->Tap(XK_Escape);
    ASSERT_TRUE(WaitUntil([&] { return !FileDialogShown(*d_); }, 5s, 100ms)) << "the dialog stayed";
    ASSERT_NO_FATAL_FAILURE(ExpectOverlayKept("after the long names"));
    EXPECT_TRUE(fs::is_empty(deep));
    EXPECT_EQ(Files(), (std::set<std::string>{std::string(120, 'a')}));
    // A name the dialog takes still saves.
    ASSERT_NO_FATAL_FAILURE(SaveAs(WinPath(dir_ / "shot.png")));
    ExpectEnded("save under a short name");
    ExpectImageFile(dir_ / "shot.png", "PNG");
}

// Fixed fault: a zero-size selection asked for a name and then wrote and said
// nothing; copy and pin silently did nothing.
TEST_F(OutputE2E, AnEmptySelectionIsToldByCopyPinAndSaveBeforeAnyDialog) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    // The right-middle handle dragged onto the left edge.
    const Box right = HandlesFor(kRegion)[4];
    ASSERT_EQ(right.cx(), kRegion.r());
    ASSERT_EQ(right.cy(), kRegion.cy());
    GlideTo(right.cx(), right.cy());
    d_->ButtonDown();
    for (int i = 1; i <= 10; ++i) MoveSeen(kRegion.r() - kRegion.w * i / 10, right.cy());
    d_->ButtonUp();
    GlideTo(1000, 740);
    ASSERT_TRUE(WaitUntil([&] { return SizeCaption() == SizeText(0, kRegion.h); }, 3s, 50ms))
        << "the selection is not empty: " << SizeCaption();
    ASSERT_TRUE(Overlay().ToolsShown());

    struct Case {
        const char* button;
        const char* said;
    };
    for (const Case& c : {Case{"SavePic", "Nothing to save"}, Case{"Image1", "Nothing to copy"},
                          Case{"pinimg", "Nothing to pin"}}) {
        ASSERT_NO_FATAL_FAILURE(Press(c.button));
        const auto m = TakeMessage(*d_, 5s);
        ASSERT_TRUE(m) << c.button << " said nothing";
        EXPECT_EQ(m->text.rfind(c.said, 0), 0u) << m->text;
        EXPECT_NE(m->text.find(SizeText(0, kRegion.h)), std::string::npos) << m->text;
        EXPECT_FALSE(WaitUntil([&] { return FileDialogShown(*d_); }, 700ms, 100ms)) << c.button << " asked for a name";
        ASSERT_TRUE(d_->Running(app_));
        EXPECT_TRUE(Overlay().ToolsShown()) << "the capture went after " << c.button;
    }
    // The host may be there, made hidden while selecting: an empty pin
    // neither shows it nor gives it a Floater, and Esc still ends the process.
    for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck")) {
        EXPECT_FALSE(w.visible) << "an empty pin showed the Floater host's " << w.cls;
        EXPECT_NE(w.cls, "VellumoPicture1") << "an empty pin made a Floater";
    }
    EXPECT_TRUE(Files().empty());
    EndWithEsc();
}

// Fixed faults: nul.png and con.bmp "saved" into a device or said "Invalid
// handle."; a save into a name that leads to a device was told as a success.
TEST_F(OutputE2E, DeviceNamesAreRefusedAndAWriteThatLandsNowhereIsTold) {
    fs::create_symlink("/dev/null", dir_ / "void.png");
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    for (const std::string name : {"nul.png", "con.bmp"}) {
        ASSERT_NO_FATAL_FAILURE(SaveAs(WinPath(dir_ / name)));
        ConfirmOverwrite();  // Wine's dialog finds the device there and asks
        const std::string text = ExpectMessage(name);
        EXPECT_NE(text.find("\"" + name + "\""), std::string::npos) << text;
        EXPECT_NE(text.find("device"), std::string::npos) << text;
        ASSERT_NO_FATAL_FAILURE(ExpectOverlayKept("after " + name));
    }
    // A link to /dev/null: the name is fine, the file is not a file.
    ASSERT_NO_FATAL_FAILURE(SaveAs(WinPath(dir_ / "void.png")));
    ConfirmOverwrite();
    const std::string text = ExpectMessage("void.png");
    EXPECT_NE(text.find("void.png"), std::string::npos) << text;
    ASSERT_NO_FATAL_FAILURE(ExpectOverlayKept("after void.png"));
    EXPECT_EQ(Files(), (std::set<std::string>{"void.png"}));
    EXPECT_TRUE(fs::is_symlink(dir_ / "void.png"));
    EndWithEsc();
}

// Fixed fault: a save over an existing file on a full disk opened it anew
// (emptied), failed, and deleted it: the old file was lost. Now the disk
// full is told, the old file stays byte for byte, and nothing is left
// beside it; with room again the same save replaces it.
TEST_F(OutputE2E, ASaveOverAFileOnAFullDiskKeepsTheOldFileAndWithRoomReplacesIt) {
    const fs::path folder = dir_ / "small";
    SmallDisk disk(folder);
    if (!disk.mounted()) GTEST_SKIP() << "a tmpfs cannot be mounted here (needs root)";
    const fs::path shot = folder / "shot.bmp";
    const std::string oldBytes = "the picture saved yesterday";
    std::ofstream(shot, std::ios::binary) << oldBytes;
    ASSERT_GT(disk.Fill("filler"), 100000u) << "the small disk took next to nothing";
    const auto files = [&] {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(folder)) out.insert(e.path().filename().string());
        return out;
    };
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(SaveAs(WinPath(shot)));
    ConfirmOverwrite();
    const std::string text = ExpectMessage("a save onto a full disk");
    EXPECT_NE(text.find("shot.bmp"), std::string::npos) << "the message does not name the file: " << text;
    EXPECT_EQ(ReadFile(shot), oldBytes) << "the old file was lost or changed by the failed save";
    EXPECT_EQ(files(), (std::set<std::string>{"filler", "shot.bmp"})) << "something was left beside it";
    ASSERT_NO_FATAL_FAILURE(ExpectOverlayKept("after the full disk"));

    fs::remove(folder / "filler");
    ASSERT_NO_FATAL_FAILURE(SaveAs(WinPath(shot)));
    ConfirmOverwrite();
    ExpectEnded("the save with room again");
    ExpectImageFile(shot, "BMP");
    EXPECT_EQ(files(), (std::set<std::string>{"shot.bmp"}));
}

// Fixed fault: pin read the picture back from the clipboard, so a clipboard
// manager that held the clipboard after each change, or replaced the picture
// with text, left "Nothing to pin" and lost the capture.
TEST_F(OutputE2E, PinSurvivesAClipboardProgramThatHoldsOrReplacesEveryChange) {
    const Box floater{(kScreenW - kRegion.w) / 2, (kScreenH - kRegion.h) / 2, kRegion.w, kRegion.h};
    for (const std::string mode : {"hold", "text"}) {
        SCOPED_TRACE(mode);
        const fs::path log = dir_ / ("clipwatch-" + mode + ".log");
        std::vector<std::string> args{"clipwatch", mode};
        if (mode == "hold") args.push_back("2");
        args.push_back(WinPath(log));
        const pid_t watcher = d_->Start(WinExe("vother.exe"), args);
        ASSERT_TRUE(WaitUntil([&] { return ReadFile(log).find("watching") != std::string::npos; }, 10s))
            << "the clipboard program never started";

        ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
        ASSERT_NO_FATAL_FAILURE(Press("pinimg"));
        const bool pinned = WaitUntil(
            [&] {
                for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck"))
                    if (w.cls == "VellumoPicture1" && w.visible) return d_->ListWindows("VellumoScrShot").empty();
                return false;
            },
            10s, 50ms);
        if (!pinned) {
            const auto m = TakeMessage(*d_, 500ms);
            FAIL() << "no Floater after the pin" << (m ? "; it says: " + m->text : std::string());
        }
        // The clipboard program did act on the pin's copy.
        const std::string acted = mode == "hold" ? "held" : "replaced";
        EXPECT_TRUE(WaitUntil([&] { return ReadFile(log).find(acted) != std::string::npos; }, 10s))
            << "the clipboard program never " << acted << " the pin's copy";
        // The Floater is the frozen region itself.
        const Diff diff = Compare(d_->Grab(floater.l, floater.t, floater.w, floater.h), want_, 0);
        EXPECT_EQ(diff.off, 0) << "the Floater differs from the region: " << diff.first;
        if (mode == "text") {
            const RunResult r = d_->Run(WinExe("vprobe.exe"), {"clipboard", WinPath(dir_ / "after.ppm")});
            EXPECT_EQ(r.out, "B\t0\t0\n") << "the text replaced the picture, so the clipboard holds no bitmap";
        }
        d_->Stop(app_);
        d_->Stop(watcher);
    }
}

// Pin leaves its picture on the clipboard for other programs: a clipboard
// manager that reads every change at once gets it (never an empty promise),
// and so does a program that reads once the Floater is up.
TEST_F(OutputE2E, PinLeavesTheRegionOnTheClipboardForProgramsThatReadAtOnceOrLater) {
    const fs::path log = dir_ / "clipwatch-read.log";
    const pid_t watcher = d_->Start(WinExe("vother.exe"), {"clipwatch", "read", WinPath(log)});
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(log).find("watching") != std::string::npos; }, 10s))
        << "the clipboard program never started";
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(Press("pinimg"));
    const std::string read = "read " + std::to_string(kRegion.w) + " " + std::to_string(kRegion.h);
    EXPECT_TRUE(WaitUntil([&] { return ReadFile(log).find(read) != std::string::npos; }, 10s))
        << "the clipboard program never read the pin's bitmap; its log:\n" << ReadFile(log);
    EXPECT_EQ(ReadFile(log).find("read 0 0"), std::string::npos)
        << "the clipboard program found no bitmap behind a change; its log:\n" << ReadFile(log);
    EXPECT_TRUE(WaitUntil(
        [&] {
            for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck"))
                if (w.cls == "VellumoPicture1" && w.visible) return d_->ListWindows("VellumoScrShot").empty();
            return false;
        },
        10s, 50ms))
        << "no Floater after the pin";

    ExpectClipboardIsTheRegion("pin");
    d_->Stop(app_);
    d_->Stop(watcher);
}

// Copy and pin put the region on the clipboard also as "PNG", the format
// browsers, chat and office programs prefer, and another program finds the
// region's pixels in it: the copy's after Vellumo has ended, the pin's made
// when that program asks for it.
TEST_F(OutputE2E, CopyAndPinPutAPngThatOtherProgramsDecodeToTheRegion) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(Press("Image1"));
    ExpectEnded("copy");
    ASSERT_NO_FATAL_FAILURE(ExpectClipboardPngIsTheRegion("copy"));
    ExpectClipboardIsTheRegion("copy");

    // Emptied between, so the pin's "PNG" cannot be the copy's left over.
    ASSERT_EQ(d_->Run(WinExe("vprobe.exe"), {"emptyclipboard"}).out, "OK\n");
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(Press("pinimg"));
    EXPECT_TRUE(WaitUntil(
        [&] {
            for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck"))
                if (w.cls == "VellumoPicture1" && w.visible) return d_->ListWindows("VellumoScrShot").empty();
            return false;
        },
        10s, 50ms))
        << "no Floater after the pin";
    ASSERT_NO_FATAL_FAILURE(ExpectClipboardPngIsTheRegion("pin"));
    ExpectClipboardIsTheRegion("pin");
    d_->Stop(app_);
}

// The same desktop in a Wine prefix at 144 DPI (150%).
class ScaledOutputE2E : public OutputE2E {
protected:
    ScaledOutputE2E() {
        dpi_ = 144;
        handleSide_ = 9;  // 6 at 96 DPI
    }
};

// At 150% the overlay's parts are half as large again as at 96 DPI (whose
// sizes the other tests check: toolbar 225 x 134, magnifier 130 x 161,
// handles 6, a 1-pixel frame), while what the user takes away stays at the
// screen's true pixels: a copy is exactly the region, and so is a Floater.
TEST_F(ScaledOutputE2E, PartsScaleByTheDpiWhileCopyAndPinKeepTruePixels) {
    const auto expectScaled = [](int got, int at96, const std::string& what) {
        EXPECT_LE(std::abs(2 * got - 3 * at96), 1) << what << ": " << got << ", want 1.5 x " << at96;
    };
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());  // handles of 9 on the frame
    const OverlayView v = Overlay();
    ASSERT_TRUE(v.tools && v.va && v.sizeCaption && v.rgbCaption);
    expectScaled(v.tools->width(), 225, "toolbar width");
    expectScaled(v.tools->height(), 134, "toolbar height");
    expectScaled(v.va->width(), 130, "magnifier width");
    expectScaled(v.va->height(), 161, "magnifier height");
    expectScaled(v.rgbCaption->height(), 17, "colour caption height");
    for (const WinInfo& w : d_->ListWindows("VellumoScrShot")) {
        if (w.cls != "VellumoToolButton") continue;
        const int at96 = w.title == "Exi" ? 25 : 16;
        expectScaled(w.width(), at96, w.title + " button width");
        expectScaled(w.height(), at96, w.title + " button height");
    }
    ExpectRingSoon(kRegion, 2, "the 1-pixel frame at 150%");

    ASSERT_NO_FATAL_FAILURE(Press("Image1"));
    ExpectEnded("copy at 144 DPI");
    ExpectClipboardIsTheRegion("copy at 144 DPI");

    // Pinned, the region floats centred on the screen at its own size.
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    ASSERT_NO_FATAL_FAILURE(Press("pinimg"));
    std::optional<WinInfo> floater;
    const bool pinned = WaitUntil(
        [&] {
            floater.reset();
            for (const WinInfo& w : d_->ListWindows("VellumoHoverdeck"))
                if (w.cls == "VellumoPicture1" && w.visible) floater = w;
            return floater && d_->ListWindows("VellumoScrShot").empty();
        },
        10s, 50ms);
    ASSERT_TRUE(pinned) << "no Floater after the pin";
    const Box centred{(kScreenW - kRegion.w) / 2, (kScreenH - kRegion.h) / 2, kRegion.w, kRegion.h};
    EXPECT_EQ(Str(BoxOf(*floater)), Str(centred));
    Diff pinDiff;
    EXPECT_TRUE(WaitUntil(
        [&] {
            pinDiff = Compare(d_->Grab(centred.l, centred.t, centred.w, centred.h), want_, 0);
            return pinDiff.off == 0;
        },
        3s, 100ms))
        << "the Floater differs from the region: " << pinDiff.first;
    d_->Stop(app_);
}

}  // namespace

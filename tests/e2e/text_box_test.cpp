// The text box and the toolbar's handling as a user meets them: the tool
// tips of the toolbar's buttons (found by their text, wherever a button
// stands), a reopened text box that adds to the last text, a text box dragged
// to where its text then prints, text printed when another tool is chosen or
// the region is saved, the toolbar dragged by its background and by its
// colour panel, and the font dialog whose face, size and style reach the box
// and the printed text (its Cancel keeps the font).
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/Dialogs.h"
#include "tests/e2e/ImageFiles.h"
#include "tests/e2e/MarkFixture.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

constexpr Box kSel = kMarkSel;
constexpr Pixel kToolsBack{40, 40, 44};   // the toolbar's own background
constexpr Pixel kPanelBack{52, 52, 56};   // the colour panel's background

// What each button of the toolbar says when the pointer rests on it (the
// save button also names the quick save's keys).
const std::string kSaveTip = "Save to (Ctrl+Shift+S: quick save, no dialog)";
const std::string kTextTip = "Add Text (Tab: on a box)";
const std::vector<std::string> kTips = {"Add Rectangle", "Add Vertebral round", kTextTip, "Add Arrow", "Eraser",
                                        "Copy to clipboard", "Pin", kSaveTip, "Quit"};

class TextBoxE2E : public MarkE2E {
protected:
    TextBoxE2E() : MarkE2E("textbox") {}

    Box Toolbar() { return BoxOf(*Overlay().tools); }

    // The toolbar's buttons (those of `only`, by handle, when given), each
    // with the tip it shows: the pointer rests on each until a tip shows,
    // then leaves for the bare toolbar until it hides.
    std::map<std::string, WinInfo> ButtonsByTip(const std::set<std::string>& only = {}) {
        std::map<std::string, WinInfo> out;
        const auto tools = Overlay().tools;
        if (!tools) return out;
        const auto shownTip = [&]() -> std::optional<std::string> {
            for (const WinInfo& w : d_->ListWindows("tooltips_class32"))
                if (w.parent == "0" && w.visible) return d_->WindowText(w.hwnd);
            return std::nullopt;
        };
        const auto bare = BarePoint();
        for (const WinInfo& b : d_->ListWindows("VellumoScrShot")) {
            if (b.parent != tools->hwnd || b.cls != "VellumoToolButton" || !b.visible) continue;
            if (!only.empty() && !only.contains(b.hwnd)) continue;
            if (bare) MoveSeen(bare->first, bare->second);
            WaitUntil([&] { return !shownTip(); }, 3s, 50ms);
            // Two moves: a tooltip starts its wait on a move over its tool.
            MoveSeen(b.left + b.width() / 2 - 1, b.top + b.height() / 2);
            MoveSeen(b.left + b.width() / 2, b.top + b.height() / 2);
            std::optional<std::string> tip;
            if (WaitUntil([&] { return (tip = shownTip()) && !tip->empty(); }, 4s, 50ms)) out[*tip] = b;
        }
        if (bare) MoveSeen(bare->first, bare->second);
        return out;
    }

    // The class of the window at screen point (x, y), as Windows finds it.
    std::string ClassAt(int x, int y) {
        std::istringstream in(d_->Run(WinExe("vprobe.exe"), {"at", std::to_string(x), std::to_string(y)}).out);
        std::string tag, hwnd, cls;
        std::getline(in, tag, '\t');
        std::getline(in, hwnd, '\t');
        std::getline(in, cls, '\t');
        return cls;
    }

    // A screen point inside `within` showing `colour` with the same colour
    // round it, where Windows finds a window of class `cls`.
    std::optional<std::pair<int, int>> PlainPoint(const Box& within, const Pixel& colour, const std::string& cls) {
        const Image img = d_->Grab(within.l, within.t, within.w, within.h);
        for (int y = 2; y + 2 < img.height; y += 2)
            for (int x = 2; x + 2 < img.width; x += 3) {
                bool plain = true;
                for (int dy = -2; dy <= 2 && plain; ++dy)
                    for (int dx = -2; dx <= 2 && plain; ++dx) plain = img.at(x + dx, y + dy) == colour;
                if (plain && ClassAt(within.l + x, within.t + y) == cls) return std::pair{within.l + x, within.t + y};
            }
        return std::nullopt;
    }
    std::optional<std::pair<int, int>> BarePoint() { return PlainPoint(Toolbar(), kToolsBack, "VellumoTools"); }

    void ClickButton(const WinInfo& b) {
        GlideTo(b.left + b.width() / 2, b.top + b.height() / 2);
        std::this_thread::sleep_for(50ms);
        d_->Click();
    }

    std::optional<WinInfo> TextBox() {
        for (const WinInfo& w : d_->ListWindows("VellumoScrShot"))
            if (w.parent == overlay_ && w.cls == "Edit") return w;
        return std::nullopt;
    }
    // A text area dragged at (l, t) w x h; the box then shows there.
    WinInfo OpenTextArea(int l, int t, int w, int h) {
        Stroke(l, t, l + w, t + h, 4);
        std::optional<WinInfo> box;
        EXPECT_TRUE(WaitUntil([&] { return (box = TextBox()) && box->visible && box->left == l && box->top == t; },
                              2s, 50ms))
            << "no text box at (" << l << "," << t << ")";
        return box.value_or(WinInfo{});
    }
    bool TextBoxHidden() {
        return WaitUntil([&] { return !TextBox() || !TextBox()->visible; }, 2s, 50ms);
    }

    // Pixels of screen box `b` that differ from the desktop before the capture.
    int ChangedIn(const Box& b) {
        const Image now = d_->Grab(b.l, b.t, b.w, b.h);
        int changed = 0;
        for (int y = 0; y < b.h; ++y)
            for (int x = 0; x < b.w; ++x) changed += !(now.at(x, y) == Original(b.l + x, b.t + y));
        return changed;
    }
};

// One capture: the tips, a reopened box typed into at its end, the box
// dragged and its text printed there by choosing another tool, the toolbar
// dragged by its background and by its colour panel, and text still in the
// box printed into the saved file.
TEST_F(TextBoxE2E, TipsCaretDraggedBoxToolChangeToolbarDragAndSaveWithPendingText) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());

    // Every tip, each on a button of its own.
    auto buttons = ButtonsByTip();
    for (const std::string& tip : kTips) EXPECT_EQ(buttons.count(tip), 1u) << "no button shows the tip \"" << tip << "\"";
    for (const auto& [tip, title] : {std::pair{"Copy to clipboard", "Image1"}, {"Pin", "pinimg"},
                                     {kSaveTip.c_str(), "SavePic"}, {"Quit", "Exi"}})
        if (buttons.count(tip)) EXPECT_EQ(buttons.at(tip).title, title) << "\"" << tip << "\" on the wrong button";
    ASSERT_TRUE(buttons.count(kTextTip) && buttons.count("Add Rectangle") && buttons.count(kSaveTip));

    // Text printed once; a second area starts with it, the caret after it.
    ClickButton(buttons.at(kTextTip));
    WinInfo box = OpenTextArea(120, 465, 130, 25);
    ClickAt(*d_, box.left + 10, box.top + box.height() / 2);
    TypeText(*d_, "mmmm");
    ASSERT_TRUE(WaitUntil([&] { return d_->WindowText(box.hwnd) == "mmmm"; }, 2s, 50ms));
    d_->Tap(XK_Return);
    ASSERT_TRUE(TextBoxHidden()) << "Enter left the box shown";
    box = OpenTextArea(300, 115, 150, 25);
    TypeText(*d_, "x");
    EXPECT_TRUE(WaitUntil([&] { return d_->WindowText(box.hwnd) == "mmmmx"; }, 2s, 50ms))
        << "typing into the reopened box gave \"" << d_->WindowText(box.hwnd) << "\", not the text with x after it";

    // The box dragged 240 px down by its inside; choosing the rectangle tool
    // prints the waiting text there, and nothing where the box was opened.
    const int grabX = box.left + box.width() - 12, grabY = box.top + box.height() / 2;
    GlideTo(grabX, grabY);
    d_->ButtonDown();
    for (int i = 1; i <= 8; ++i) {
        Jump(grabX, grabY + 240 * i / 8);
        std::this_thread::sleep_for(40ms);
    }
    std::this_thread::sleep_for(100ms);
    d_->ButtonUp();
    std::optional<WinInfo> moved;
    EXPECT_TRUE(WaitUntil([&] { return (moved = TextBox()) && moved->left == 300 && moved->top == 355; }, 2s, 50ms))
        << "the dragged box stands at " << (moved ? Str(BoxOf(*moved)) : "nowhere") << ", want (300,355)";
    ClickButton(buttons.at("Add Rectangle"));
    ASSERT_TRUE(TextBoxHidden()) << "choosing another tool left the text box shown";
    GlideTo(1000, 740);
    const Box openedAt{300, 115, 150, 25}, draggedTo{300, 355, 150, 25};
    EXPECT_TRUE(WaitUntil([&] { return ChangedIn(draggedTo) > 30; }, 2s))
        << "no text printed where the box was dragged: " << ChangedIn(draggedTo) << " pixels changed";
    EXPECT_EQ(ChangedIn(openedAt), 0) << "text printed where the box was opened";

    // The toolbar dragged by its bare background, then by its colour panel's.
    Box before = Toolbar();
    const auto bare = BarePoint();
    ASSERT_TRUE(bare) << "no bare background on the toolbar " << Str(before);
    Stroke(bare->first, bare->second, bare->first + 40, bare->second + 30, 6);
    EXPECT_TRUE(WaitUntil([&] { return Toolbar() == Box{before.l + 40, before.t + 30, before.w, before.h}; }, 2s, 50ms))
        << "dragged by its background the toolbar went from " << Str(before) << " to " << Str(Toolbar());
    before = Toolbar();
    std::optional<WinInfo> panel;
    for (const WinInfo& w : d_->ListWindows("VellumoScrShot"))
        if (w.cls == "VellumoOps" && w.visible) panel = w;
    ASSERT_TRUE(panel) << "no colour panel";
    const auto panelBare = PlainPoint(BoxOf(*panel), kPanelBack, "VellumoOps");
    ASSERT_TRUE(panelBare) << "no bare background on the colour panel";
    Stroke(panelBare->first, panelBare->second, panelBare->first - 30, panelBare->second + 20, 6);
    EXPECT_TRUE(WaitUntil([&] { return Toolbar() == Box{before.l - 30, before.t + 20, before.w, before.h}; }, 2s, 50ms))
        << "dragged by its colour panel the toolbar went from " << Str(before) << " to " << Str(Toolbar());

    // Text left in a box when the region is saved is in the file.
    // Every tip took two seconds to hover: the moved toolbar's are read on
    // the two buttons used next.
    buttons = ButtonsByTip({buttons.at(kTextTip).hwnd, buttons.at(kSaveTip).hwnd});
    ASSERT_TRUE(buttons.count(kTextTip) && buttons.count(kSaveTip)) << "the moved toolbar lost its tips";
    ClickButton(buttons.at(kTextTip));
    box = OpenTextArea(150, 420, 150, 25);
    TypeText(*d_, "mm");
    ASSERT_TRUE(WaitUntil([&] { return d_->WindowText(box.hwnd) == "mmmmxmm"; }, 2s, 50ms))
        << "the box holds \"" << d_->WindowText(box.hwnd) << "\"";
    ClickButton(buttons.at(kSaveTip));
    const fs::path file = dir_ / "pending.png";
    ASSERT_TRUE(TypeFileName(*d_, WinPath(file))) << "no save dialog";
    ASSERT_TRUE(d_->WaitExit(app_, 10s)) << "the save did not end the capture";
    const auto saved = Decode(file);
    ASSERT_TRUE(saved) << "nothing readable saved at " << file;
    ASSERT_EQ(saved->image.width, kSel.w);
    int inFile = 0, elsewhere = 0;
    for (int y = 420; y < 445; ++y)
        for (int x = 150; x < 300; ++x) inFile += !(saved->image.at(x - kSel.l, y - kSel.t) == Original(x, y));
    for (int y = 115; y < 140; ++y)
        for (int x = 300; x < 450; ++x) elsewhere += !(saved->image.at(x - kSel.l, y - kSel.t) == Original(x, y));
    EXPECT_GT(inFile, 30) << "the text waiting in the box is not in the saved file";
    EXPECT_EQ(elsewhere, 0) << "the saved file has text where the dragged box was opened";
}

}  // namespace

namespace {

// The box around the pixels of `b` (screen) that differ from the desktop
// before the capture; empty when none do.
struct Ink {
    int left = 0, top = 0, right = -1, bottom = -1, count = 0;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

class TextFontE2E : public TextBoxE2E {
protected:
    Ink InkIn(const Box& b) {
        const Image now = d_->Grab(b.l, b.t, b.w, b.h);
        Ink ink{b.w, b.h, -1, -1, 0};
        for (int y = 0; y < b.h; ++y)
            for (int x = 0; x < b.w; ++x)
                if (!(now.at(x, y) == Original(b.l + x, b.t + y))) {
                    ink.left = std::min(ink.left, x);
                    ink.right = std::max(ink.right, x);
                    ink.top = std::min(ink.top, y);
                    ink.bottom = std::max(ink.bottom, y);
                    ++ink.count;
                }
        return ink;
    }
    // How much further right the ink of its top third lies than that of its
    // bottom third: a slant.
    double Slant(const Box& b, const Ink& ink) {
        const Image now = d_->Grab(b.l, b.t, b.w, b.h);
        const auto meanX = [&](int from, int to) {
            double sum = 0;
            int n = 0;
            for (int y = from; y < to; ++y)
                for (int x = ink.left; x <= ink.right; ++x)
                    if (!(now.at(x, y) == Original(b.l + x, b.t + y))) sum += x, ++n;
            return n ? sum / n : 0.0;
        };
        const int third = ink.height() / 3;
        return meanX(ink.top, ink.top + third) - meanX(ink.bottom + 1 - third, ink.bottom + 1);
    }

    // Rows of the open text box that show text in the red the tools start with.
    int TextRowsInBox() {
        const auto box = TextBox();
        if (!box) return 0;
        const Image img = d_->Grab(box->left, box->top, box->width(), box->height());
        int rows = 0;
        for (int y = 0; y < img.height; ++y) {
            bool red = false;
            for (int x = 0; x < img.width && !red; ++x) {
                const Pixel& p = img.at(x, y);
                red = p.r > 150 && p.g < 110 && p.b < 110;
            }
            rows += red;
        }
        return rows;
    }

    // Text typed into a text area at `area`, replacing what the box offers,
    // then printed with Enter; the ink it left.
    Ink Print(const Box& area, const std::string& text, int* rowsInBox = nullptr) {
        const WinInfo box = OpenTextArea(area.l, area.t, area.w, area.h);
        d_->Tap(XK_Home);
        d_->KeyDown(XK_Shift_L);
        d_->Tap(XK_End);
        d_->KeyUp(XK_Shift_L);
        d_->Tap(XK_Delete);
        TypeText(*d_, text);
        EXPECT_TRUE(WaitUntil([&] { return d_->WindowText(box.hwnd) == text; }, 2s, 50ms))
            << "the box holds \"" << d_->WindowText(box.hwnd) << "\"";
        if (rowsInBox) WaitUntil([&] { return (*rowsInBox = TextRowsInBox()) > 0; }, 2s, 50ms);
        d_->Tap(XK_Return);
        EXPECT_TRUE(TextBoxHidden()) << "Enter left the box shown";
        GlideTo(1000, 740);
        Ink ink;
        WaitUntil([&] { return (ink = InkIn(area)).count > 0; }, 2s);
        return ink;
    }

    // The font dialog, opened with the toolbar's "Font" (found by its caption).
    std::optional<WinInfo> OpenFontDialog() {
        std::optional<WinInfo> label;
        for (const WinInfo& w : d_->ListWindows("VellumoScrShot"))
            if (w.cls == "VellumoCenterText" && w.title == "Font" && w.visible) label = w;
        EXPECT_TRUE(label) << "no \"Font\" on the toolbar";
        if (!label) return std::nullopt;
        ClickAt(*d_, label->left + label->width() / 2, label->top + label->height() / 2);
        std::optional<WinInfo> dialog;
        WaitUntil(
            [&] {
                for (const WinInfo& w : d_->ListWindows("#32770"))
                    if (w.parent == "0" && w.visible) dialog = w;
                return dialog && DialogItem(1138);
            },
            10s, 100ms);
        return dialog;
    }
    std::optional<WinInfo> DialogItem(int id) {
        for (const WinInfo& w : d_->ListWindows("#32770"))
            if (w.parent != "0" && w.id == id) return w;
        return std::nullopt;
    }
    // The edit box of the font dialog's combo box `id`: its text replaced by `text`.
    void TypeIntoCombo(int id, const std::string& text) {
        const auto combo = DialogItem(id);
        ASSERT_TRUE(combo) << "no combo box " << id << " in the font dialog";
        std::optional<WinInfo> edit;
        for (const WinInfo& w : d_->ListWindows("#32770"))
            if (w.parent == combo->hwnd && w.cls == "Edit") edit = w;
        ASSERT_TRUE(edit) << "combo box " << id << " has no edit box";
        ClickAt(*d_, edit->left + 5, edit->top + edit->height() / 2);
        d_->Tap(XK_Home);
        d_->KeyDown(XK_Shift_L);
        d_->Tap(XK_End);
        d_->KeyUp(XK_Shift_L);
        d_->Tap(XK_Delete);
        TypeText(*d_, text);
        EXPECT_TRUE(WaitUntil([&] { return d_->WindowText(edit->hwnd) == text; }, 2s, 50ms))
            << "combo box " << id << " shows \"" << d_->WindowText(edit->hwnd) << "\"";
    }
    void CloseDialogWith(int id) {
        const auto button = DialogItem(id);
        ASSERT_TRUE(button) << "no button " << id << " in the font dialog";
        std::this_thread::sleep_for(200ms);
        ClickAt(*d_, button->left + button->width() / 2, button->top + button->height() / 2);
        ASSERT_TRUE(WaitUntil([&] { return d_->ListWindows("#32770").empty(); }, 5s, 100ms)) << "the dialog stayed";
        // Answers once the click's handler has returned from the dialog.
        ASSERT_EQ(d_->WindowText(overlay_), "ScrShot");
    }
};

// Text printed in the overlay's font; the font dialog's Cancel changes
// nothing; a face (a monospaced one), a size (36 pt) and a style (italic)
// chosen there reach the text box and the printed text.
TEST_F(TextFontE2E, TheChosenFaceSizeAndStyleReachTheBoxAndThePrintAndCancelKeepsTheFont) {
    ASSERT_NO_FATAL_FAILURE(LaunchAndSelect());
    const auto buttons = ButtonsByTip();
    ASSERT_TRUE(buttons.count(kTextTip)) << "no button shows the tip \"Add Text\"";
    ClickButton(buttons.at(kTextTip));

    // The overlay's own font is proportional: eight m's reach further than
    // eight i's by more than one m. In a monospaced face they differ only by
    // what of its cell each glyph inks, less than one cell.
    const auto monospaced = [](const Ink& m8, const Ink& i8) { return (m8.width() - i8.width()) * 8 < m8.width(); };
    int rows0 = 0;
    const Box m0{110, 335, 380, 50}, i0{110, 395, 380, 50};
    const Ink inkM0 = Print(m0, "mmmmmmmm", &rows0);
    const Ink inkI0 = Print(i0, "iiiiiiii");
    ASSERT_GT(inkM0.count, 10) << "no text printed";
    EXPECT_FALSE(monospaced(inkM0, inkI0)) << "the overlay's font is monospaced already; the face check means nothing";

    // Cancel: the same text prints the same.
    ASSERT_TRUE(OpenFontDialog()) << "no font dialog";
    ASSERT_NO_FATAL_FAILURE(CloseDialogWith(2));
    const Box m1{502, 160, 116, 40};
    const Ink inkM1 = Print(m1, "mmmmmmmm");
    EXPECT_EQ(inkM1.height(), inkM0.height()) << "Cancel changed the font";
    EXPECT_EQ(inkM1.width(), inkM0.width()) << "Cancel changed the font";

    // DejaVu Sans Mono, italic, 36 pt.
    ASSERT_TRUE(OpenFontDialog()) << "no font dialog the second time";
    ASSERT_NO_FATAL_FAILURE(TypeIntoCombo(1136, "DejaVu Sans Mono"));
    ASSERT_NO_FATAL_FAILURE(TypeIntoCombo(1138, "36"));
    ASSERT_NO_FATAL_FAILURE(TypeIntoCombo(1137, "Italic"));
    // Down and back Up in the style's list: the dialog takes the three in.
    d_->Tap(XK_Down);
    d_->Tap(XK_Up);
    std::this_thread::sleep_for(300ms);
    ASSERT_NO_FATAL_FAILURE(CloseDialogWith(1));

    int rows = 0;
    const Box m2{65, 105, 300, 43}, i2{370, 105, 245, 43};  // below the top handles
    const Ink inkM2 = Print(m2, "mmmmmmmm", &rows);
    const Ink inkI2 = Print(i2, "iiiiiiii");
    EXPECT_GE(rows, 2 * rows0) << "the text box shows its text " << rows << " rows high, not at 36 pt (" << rows0
                               << " rows before)";
    EXPECT_GE(inkM2.height(), 2 * inkM0.height()) << "printed " << inkM2.height() << " px high, not at 36 pt";
    EXPECT_TRUE(monospaced(inkM2, inkI2)) << "eight m's " << inkM2.width() << " px, eight i's " << inkI2.width()
                                           << " px: not the monospaced face";
    EXPECT_GT(Slant(i2, inkI2), 3) << "the i's lean no more than upright ones: not italic";
    EXPECT_LT(std::abs(Slant(i0, inkI0)), 2) << "the overlay's own font already leans";
}

}  // namespace

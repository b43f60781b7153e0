// The hotkey control as a user meets it: vhotkey.exe hosts it in a window
// under Wine, real key presses go in through XTest, and the control's state
// is read from the host's title ("HK|text|KeyCode|ModKeyCode|enabled|
// pressed|clicks") and from the text box itself (vprobe.exe).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/harness/Harness.h"

// Last: Xlib's macros would break the headers above.
#include <X11/keysym.h>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

constexpr unsigned kCommand = 0x8001;  // WM_APP + 1: 1 enable, 0 disable, 2 save

struct HkState {
    std::string text;
    int keyCode = -1, modKeyCode = -1;
    bool enabled = false;
    int pressed = 0, clicks = 0;
};

std::optional<HkState> Parse(const std::string& title) {
    std::vector<std::string> f;
    std::stringstream in(title);
    for (std::string part; std::getline(in, part, '|');) f.push_back(part);
    if (f.size() != 7 || f[0] != "HK") return std::nullopt;
    return HkState{f[1], std::stoi(f[2]), std::stoi(f[3]), f[4] == "1", std::stoi(f[5]), std::stoi(f[6])};
}

class HotKeyE2E : public testing::Test {
protected:
    static void SetUpTestSuite() { display_ = std::make_unique<Display>(); }
    static void TearDownTestSuite() { display_.reset(); }
    void TearDown() override {
        for (pid_t p : started_) display_->Stop(p);
        started_.clear();
    }

    Display& d() { return *display_; }

    // Starts a host of class `cls` and waits for its window.
    void Start(const std::string& cls, std::vector<std::string> args = {}, const std::vector<std::string>& env = {}) {
        args.insert(args.begin(), {"--class", cls});
        started_.push_back(d().Start(WinExe("vhotkey.exe"), args, env));
        ASSERT_TRUE(WaitUntil([&] { return State(cls).has_value(); }, 10s)) << cls << " did not start";
    }

    std::optional<HkState> State(const std::string& cls) {
        for (const WinInfo& w : d().ListWindows(cls))
            if (w.cls == cls) return Parse(w.title);
        return std::nullopt;
    }

    // What the control's text box itself holds.
    std::string BoxText(const std::string& cls) {
        const auto box = Box(cls);
        return box ? d().WindowText(box->hwnd) : "<no box>";
    }

    // The control's text box, or the plain one beside it.
    std::optional<WinInfo> Box(const std::string& cls, bool hotKeyBox = true) {
        const auto list = d().ListWindows(cls);
        std::string parent;
        for (const WinInfo& w : list)
            if (w.cls == (hotKeyBox ? "VellumoHotKey" : cls)) parent = w.hwnd;
        for (const WinInfo& w : list)
            if (w.cls == "Edit" && w.parent == parent) return w;
        return std::nullopt;
    }

    void ClickInto(const std::string& cls, bool hotKeyBox = true, int button = 1) {
        const auto box = Box(cls, hotKeyBox);
        ASSERT_TRUE(box);
        d().MovePointer(box->left + 20, (box->top + box->bottom) / 2);
        d().Click(button);
    }

    // Waits until the host's state satisfies `ok`; the last state seen.
    bool WaitState(const std::string& cls, const std::function<bool(const HkState&)>& ok, HkState* last = nullptr,
                   Ms timeout = 3s) {
        HkState seen;
        const bool done = WaitUntil(
            [&] {
                auto s = State(cls);
                if (s) seen = *s;
                return s && ok(*s);
            },
            timeout, 50ms);
        if (last) *last = seen;
        return done;
    }

    bool WaitCombination(const std::string& cls, const std::string& text, int key, int mod) {
        HkState s;
        const bool ok = WaitState(
            cls, [&](const HkState& st) { return st.text == text && st.keyCode == key && st.modKeyCode == mod; }, &s);
        EXPECT_TRUE(ok) << "want " << text << " " << key << "/" << mod << ", have " << s.text << " " << s.keyCode
                        << "/" << s.modKeyCode;
        return ok;
    }

    void Chord(std::initializer_list<unsigned long> held, unsigned long key) {
        for (unsigned long k : held) d().KeyDown(k);
        d().Tap(key);
        for (auto it = std::rbegin(held); it != std::rend(held); ++it) d().KeyUp(*it);
    }

    // The visible message box titled "错误", with its text.
    struct MessageBox {
        WinInfo box;
        std::string text;
        std::optional<WinInfo> ok;
    };
    std::optional<MessageBox> ErrorBox() {
        std::optional<MessageBox> found;
        for (const WinInfo& w : d().ListWindows("#32770")) {
            if (w.cls == "#32770" && w.visible && w.title == "错误") found = MessageBox{w, "", std::nullopt};
            else if (found && w.parent == found->box.hwnd && w.cls == "Static" && !w.title.empty())
                found->text += w.title;
            else if (found && w.parent == found->box.hwnd && w.cls == "Button")
                found->ok = w;
        }
        return found;
    }
    std::optional<MessageBox> WaitErrorBox() {
        std::optional<MessageBox> box;
        WaitUntil([&] { return (box = ErrorBox()) && !box->text.empty(); }, 5s, 100ms);
        return box;
    }
    void Dismiss(const MessageBox& box) {
        ASSERT_TRUE(box.ok);
        d().MovePointer((box.ok->left + box.ok->right) / 2, (box.ok->top + box.ok->bottom) / 2);
        d().Click();
        EXPECT_TRUE(WaitUntil([&] { return !ErrorBox(); }, 3s, 100ms));
    }

    bool AnyMenuOpen() {
        for (const WinInfo& w : d().ListWindows("#32768"))
            if (w.visible) return true;
        return false;
    }

    static std::unique_ptr<Display> display_;
    std::vector<pid_t> started_;
};
std::unique_ptr<Display> HotKeyE2E::display_;

}  // namespace

// Key presses compose what the box shows; nothing typed is inserted.
TEST_F(HotKeyE2E, RealKeyPressesCompose) {
    Start("VhkCompose");
    ClickInto("VhkCompose");
    HkState s;
    ASSERT_TRUE(WaitState("VhkCompose", [](const HkState& st) { return st.clicks == 1; }, &s)) << s.clicks;
    EXPECT_EQ(s.text, "NULL");

    Chord({XK_Control_L, XK_Shift_L}, XK_s);
    WaitCombination("VhkCompose", "Ctrl + Shift + S", 83, 6);
    EXPECT_EQ(BoxText("VhkCompose"), "Ctrl + Shift + S");

    // Alt first or Shift first: the same words in the same order.
    Chord({XK_Alt_L, XK_Shift_L}, XK_F5);
    WaitCombination("VhkCompose", "Alt + Shift + F5", 116, 5);
    Chord({XK_Control_L}, XK_s);
    WaitCombination("VhkCompose", "Ctrl + S", 83, 2);
    Chord({XK_Shift_L, XK_Alt_L}, XK_F5);
    WaitCombination("VhkCompose", "Alt + Shift + F5", 116, 5);

    // The menu key changes nothing.
    d().Tap(XK_Menu);
    WaitCombination("VhkCompose", "Alt + Shift + F5", 116, 5);

    // Typing letters shows the last one as a key, never the typed text.
    for (unsigned long k : {XK_a, XK_b, XK_c}) d().Tap(k);
    WaitCombination("VhkCompose", "C", 67, 0);
    EXPECT_EQ(BoxText("VhkCompose"), "C");

    // Modifiers alone: shown while held, "NULL" once released.
    d().KeyDown(XK_Control_L);
    WaitCombination("VhkCompose", "Ctrl + ", 0, 2);
    d().KeyUp(XK_Control_L);
    WaitCombination("VhkCompose", "NULL", 0, 0);

    Chord({XK_Super_L}, XK_a);
    WaitCombination("VhkCompose", "Win + A", 65, 8);
    EXPECT_EQ(BoxText("VhkCompose"), "Win + A");
}

// What the owner sets of the control's look reaches its text box: the
// background and text colours, the border style, the tooltip; disabled, the
// box shows grey text and takes no keys.
TEST_F(HotKeyE2E, ColoursBorderTooltipAndEnabledAreHandedToTheTextBox) {
    const auto edgeAndInside = [&](const std::string& cls) {
        const auto box = Box(cls);
        const int y = (box->top + box->bottom) / 2;
        return std::pair{d().GetPixel(box->left, y), d().GetPixel(box->right - 4, y)};
    };
    // As it always was: a sunken edge round the system's window colour.
    Start("VhkDefaultLook");
    const Pixel window = d().SysColor(5);  // COLOR_WINDOW
    ASSERT_TRUE(WaitUntil([&] { return edgeAndInside("VhkDefaultLook").second == window; }, 3s));
    EXPECT_NE(edgeAndInside("VhkDefaultLook").first, window) << "the default box has no edge";
    d().Stop(started_.back());
    started_.pop_back();

    // Yellow background, blue text, no border, a tooltip.
    const Pixel yellow{255, 255, 0}, blue{0, 0, 255};
    Start("VhkLook", {"--look", "0x00FFFF", "0xFF0000", "0", "1", "Press the keys"});
    EXPECT_TRUE(WaitUntil([&] { return edgeAndInside("VhkLook").second == yellow; }, 3s))
        << "the box's background is " << ToString(edgeAndInside("VhkLook").second);
    EXPECT_EQ(edgeAndInside("VhkLook").first, yellow) << "border style 0 left an edge";
    const auto box = Box("VhkLook");
    const Image inside = d().Grab(box->left, box->top, box->right - box->left, box->bottom - box->top);
    int blueText = 0;
    for (const Pixel& p : inside.pixels) blueText += p == blue;
    EXPECT_GT(blueText, 5) << "no blue text in the box";
    const auto tip = [&]() -> std::string {
        for (const WinInfo& w : d().ListWindows("tooltips_class32"))
            if (w.parent == "0" && w.visible) return d().WindowText(w.hwnd);
        return "";
    };
    d().MovePointer(box->left + 30, (box->top + box->bottom) / 2);
    std::this_thread::sleep_for(50ms);
    d().MovePointer(box->left + 32, (box->top + box->bottom) / 2);
    EXPECT_TRUE(WaitUntil([&] { return tip() == "Press the keys"; }, 5s, 100ms)) << "the tip shows \"" << tip() << "\"";
    d().Stop(started_.back());
    started_.pop_back();

    // Disabled: grey text, and keys change nothing.
    Start("VhkOff", {"--disabled"});
    const auto off = Box("VhkOff");
    const Pixel grey = d().SysColor(17);  // COLOR_GRAYTEXT
    EXPECT_TRUE(WaitUntil(
        [&] {
            const Image img = d().Grab(off->left, off->top, off->right - off->left, off->bottom - off->top);
            return std::count(img.pixels.begin(), img.pixels.end(), grey) > 5;
        },
        3s))
        << "no grey text in the disabled box";
    ClickInto("VhkOff");
    Chord({XK_Control_L}, XK_s);
    HkState s;
    EXPECT_FALSE(WaitState("VhkOff", [](const HkState& st) { return st.text != "NULL"; }, &s, 1500ms))
        << "the disabled box took the keys: " << s.text;
    EXPECT_EQ(BoxText("VhkOff"), "NULL");
}

// Right-click in the hotkey box opens no menu; the same click on a plain
// edit box beside it does (so the check can see one).
TEST_F(HotKeyE2E, RightClickOpensNoContextMenu) {
    Start("VhkMenu");
    ClickInto("VhkMenu", /*hotKeyBox=*/false, 3);
    ASSERT_TRUE(WaitUntil([&] { return AnyMenuOpen(); }, 3s, 100ms)) << "the plain edit box shows no menu";
    d().Tap(XK_Escape);
    ASSERT_TRUE(WaitUntil([&] { return !AnyMenuOpen(); }, 3s, 100ms));

    ClickInto("VhkMenu", /*hotKeyBox=*/true, 3);
    EXPECT_FALSE(WaitUntil([&] { return AnyMenuOpen(); }, 1500ms, 100ms));
    // Shift+F10 from the keyboard neither opens one.
    ClickInto("VhkMenu");
    Chord({XK_Shift_L}, XK_F10);
    EXPECT_FALSE(WaitUntil([&] { return AnyMenuOpen(); }, 1000ms, 100ms));
    EXPECT_EQ(BoxText("VhkMenu"), "Shift + F10");
}

// Enabling registers the composed combination; pressing it anywhere raises
// HotKeyPressed once per press.
TEST_F(HotKeyE2E, RegisteredCombinationRaisesHotKeyPressed) {
    Start("VhkFire");
    ClickInto("VhkFire");
    Chord({XK_Control_L, XK_Alt_L}, XK_k);
    ASSERT_TRUE(WaitCombination("VhkFire", "Ctrl + Alt + K", 75, 3));
    ASSERT_TRUE(d().PostToWindow("VhkFire", kCommand, 1));
    HkState s;
    ASSERT_TRUE(WaitState("VhkFire", [](const HkState& st) { return st.enabled; }, &s));

    ClickInto("VhkFire", /*hotKeyBox=*/false);  // focus elsewhere
    Chord({XK_Control_L, XK_Alt_L}, XK_k);
    EXPECT_TRUE(WaitState("VhkFire", [](const HkState& st) { return st.pressed == 1; }, &s)) << s.pressed;
    Chord({XK_Control_L, XK_Alt_L}, XK_k);
    EXPECT_TRUE(WaitState("VhkFire", [](const HkState& st) { return st.pressed == 2; }, &s)) << s.pressed;
    // Another key does not fire it.
    Chord({XK_Control_L, XK_Alt_L}, XK_j);
    EXPECT_FALSE(WaitState("VhkFire", [](const HkState& st) { return st.pressed != 2; }, &s, 700ms));

    // Disabling unregisters: the press fires no more.
    ASSERT_TRUE(d().PostToWindow("VhkFire", kCommand, 0));
    ASSERT_TRUE(WaitState("VhkFire", [](const HkState& st) { return !st.enabled; }));
    Chord({XK_Control_L, XK_Alt_L}, XK_k);
    EXPECT_FALSE(WaitState("VhkFire", [](const HkState& st) { return st.pressed != 2; }, &s, 700ms));
}

// Once Print Screen has been seen the box shows "Prt + " and keeps storing
// 68-based values, but registers only the Ctrl/Alt bits with the key.
TEST_F(HotKeyE2E, PrtLatchedCombinationStillRegisters) {
    Start("VhkPrt");
    ClickInto("VhkPrt");
    d().Tap(XK_Print);
    HkState s;
    ASSERT_TRUE(WaitState("VhkPrt", [](const HkState& st) { return st.keyCode == 44; }, &s)) << s.text;
    EXPECT_EQ(s.modKeyCode, 68);
    EXPECT_EQ(s.text.rfind("Prt + ", 0), 0u) << s.text;
    Chord({XK_Control_L}, XK_k);
    ASSERT_TRUE(WaitCombination("VhkPrt", "Prt + Ctrl + K", 75, 70));
    ASSERT_TRUE(d().PostToWindow("VhkPrt", kCommand, 1));
    ASSERT_TRUE(WaitState("VhkPrt", [](const HkState& st) { return st.enabled; }, &s))
        << "refused; box: " << (ErrorBox() ? ErrorBox()->text : "none");
    ClickInto("VhkPrt", /*hotKeyBox=*/false);
    Chord({XK_Control_L}, XK_k);
    EXPECT_TRUE(WaitState("VhkPrt", [](const HkState& st) { return st.pressed == 1; }, &s)) << s.pressed;
}

// A combination another program holds is refused with "热键正在使用" and
// the box reverts to "NULL"; enabling with no key asks for one.
TEST_F(HotKeyE2E, CombinationHeldElsewhereIsRefused) {
    Start("VhkFirst", {"--set", "Ctrl + Shift + F6", "117", "6", "--enable"});
    ASSERT_TRUE(WaitState("VhkFirst", [](const HkState& st) { return st.enabled; }));

    Start("VhkSecond", {"--set", "Ctrl + Shift + F6", "117", "6", "--enable"});
    auto box = WaitErrorBox();
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(box->text, "热键正在使用");
    Dismiss(*box);
    HkState s;
    EXPECT_TRUE(WaitState("VhkSecond", [](const HkState& st) { return st.text == "NULL"; }, &s)) << s.text;
    EXPECT_EQ(s.keyCode, 0);
    EXPECT_EQ(s.modKeyCode, 0);
    EXPECT_FALSE(s.enabled);
    EXPECT_EQ(BoxText("VhkSecond"), "NULL");
    // The first keeps it.
    EXPECT_TRUE(State("VhkFirst")->enabled);

    Start("VhkEmpty", {"--ini", "vhk-missing.ini", "--enable"});
    box = WaitErrorBox();
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(box->text, "请设置热键");
    Dismiss(*box);
    EXPECT_FALSE(State("VhkEmpty")->enabled);
}

// SaveSettings writes set.ini beside the exe; a new start reads it back.
TEST_F(HotKeyE2E, SavedCombinationLoadsInNextStart) {
    const fs::path ini = fs::path(WinExe("vhk-e2e.ini"));
    fs::remove(ini);
    Start("VhkSave", {"--ini", "vhk-e2e.ini"});
    ClickInto("VhkSave");
    Chord({XK_Control_L, XK_Shift_L}, XK_s);
    ASSERT_TRUE(WaitCombination("VhkSave", "Ctrl + Shift + S", 83, 6));
    ASSERT_TRUE(d().PostToWindow("VhkSave", kCommand, 2));
    auto saved = [&] {
        std::ifstream in(ini, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    };
    ASSERT_TRUE(WaitUntil([&] { return saved().find("ModKeyCode") != std::string::npos; }, 3s)) << saved();
    for (pid_t p : started_) d().Stop(p);
    started_.clear();

    EXPECT_EQ(saved(), "[hotkey]\r\nHotKey1Text=Ctrl + Shift + S\r\nHotKey1KeyCode=83\r\nHotKey1ModKeyCode=6\r\n");

    Start("VhkSave", {"--ini", "vhk-e2e.ini"});
    WaitCombination("VhkSave", "Ctrl + Shift + S", 83, 6);
    EXPECT_EQ(BoxText("VhkSave"), "Ctrl + Shift + S");
    EXPECT_FALSE(State("VhkSave")->enabled);  // loading registers nothing
    fs::remove(ini);
}

// On a Chinese system the file is in its code page (GBK), and a Chinese
// text saved by one start reads back the same in the next.
TEST_F(HotKeyE2E, ChineseTextRoundTripsOnAChineseSystem) {
    // The machine need not have the locale installed: build it beside the tests.
    const fs::path loc = fs::temp_directory_path() / "vellumo-e2e-locale";
    if (!fs::exists(loc / "zh_CN.UTF-8" / "LC_CTYPE")) {
        fs::create_directories(loc);
        const std::string cmd = "localedef -i zh_CN -f UTF-8 '" + (loc / "zh_CN.UTF-8").string() + "' >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0 || !fs::exists(loc / "zh_CN.UTF-8" / "LC_CTYPE"))
            GTEST_SKIP() << "cannot build the zh_CN.UTF-8 locale (localedef)";
    }
    const std::vector<std::string> zh = {"LOCPATH=" + loc.string(), "LANG=zh_CN.UTF-8", "LC_ALL=zh_CN.UTF-8"};
    const fs::path ini = fs::path(WinExe("vhk-zh.ini"));
    fs::remove(ini);
    Start("VhkZh", {"--ini", "vhk-zh.ini", "--set", "打印 + 键", "44", "0"}, zh);
    ASSERT_TRUE(d().PostToWindow("VhkZh", kCommand, 2));
    auto saved = [&] {
        std::ifstream in(ini, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    };
    ASSERT_TRUE(WaitUntil([&] { return saved().find("ModKeyCode") != std::string::npos; }, 3s)) << saved();
    for (pid_t p : started_) d().Stop(p);
    started_.clear();
    // "打印 + 键" in GBK.
    EXPECT_NE(saved().find("HotKey1Text=\xB4\xF2\xD3\xA1 + \xBC\xFC\r\n"), std::string::npos) << saved();

    Start("VhkZh", {"--ini", "vhk-zh.ini"}, zh);
    WaitCombination("VhkZh", "打印 + 键", 44, 0);
    fs::remove(ini);
}

// The store and the subclassing checked from inside the process.
TEST_F(HotKeyE2E, StoreAndSubclassSelfTest) {
    const RunResult r = d().Run(WinExe("vhotkey.exe"), {"--selftest"}, 20s);
    int ok = 0, fail = 0;
    std::stringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("OK ", 0) == 0) ++ok;
        if (line.rfind("FAIL ", 0) == 0) ++fail;
    }
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(fail, 0) << r.out;
    EXPECT_EQ(ok, 22) << r.out;
}

// Common dialogs and message boxes of a program under test, worked as a user
// works them: found through vprobe.exe, driven with real pointer and keys.
// Shared by the end-to-end tests and the `make run` tour (no gtest here).
#pragma once
#include <X11/keysym.h>

#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "tests/e2e/Desktop.h"
#include "tests/e2e/harness/Harness.h"

namespace e2e {

// True when the resident program's settings window (title "Form1") answers a
// sent message twice, one probe after the other: a handler that returned
// before the first answer has done all it does, and a program that had
// already posted itself a quit does not live to give the second.
inline bool ResidentAnswers(Display& d) {
    for (int i = 0; i < 2; ++i) {
        const auto sett = d.ListWindows("VellumoSett");
        if (sett.empty() || d.WindowText(sett.front().hwnd) != "Form1") return false;
    }
    return true;
}

inline void ClickAt(Display& d, int x, int y, int button = 1) {
    d.MovePointer(x, y);
    std::this_thread::sleep_for(50ms);
    d.Click(button);
}

// A drag with the left button from (x, y) to (x + w, y + h) in ten steps.
inline void DragInSteps(Display& d, int x, int y, int w, int h) {
    d.MovePointer(x, y);
    d.ButtonDown();
    for (int i = 1; i <= 10; ++i) {
        d.MovePointer(x + w * i / 10, y + h * i / 10);
        std::this_thread::sleep_for(30ms);
    }
    d.ButtonUp();
}

// The capture overlay's visible child titled `title` (a toolbar button), once it shows.
inline std::optional<WinInfo> WaitOverlayChild(Display& d, const std::string& title, Ms timeout = 5s) {
    std::optional<WinInfo> found;
    WaitUntil(
        [&] {
            for (const WinInfo& w : d.ListWindows("VellumoScrShot"))
                if (w.title == title && w.visible) found = w;
            return found.has_value();
        },
        timeout, 50ms);
    return found;
}

// Types text on a US keyboard: letters, digits and . : \ / - _ space.
inline void TypeText(Display& d, const std::string& text) {
    const auto shifted = [&](unsigned long keysym) {
        d.KeyDown(XK_Shift_L);
        d.Tap(keysym);
        d.KeyUp(XK_Shift_L);
    };
    for (char c : text) {
        if (c == ':') shifted(XK_semicolon);
        else if (c == '_') shifted(XK_minus);
        else if (c >= 'A' && c <= 'Z') shifted(XK_a + (c - 'A'));
        else d.Tap(static_cast<unsigned long>(static_cast<unsigned char>(c)));  // these keysyms are their ASCII codes
    }
}

// The visible file dialog's name box, cleared, given `name`, and Enter
// (unless `enter` is false). False when no file dialog shows within `timeout`.
// The file dialog's name box, while a dialog shows one.
inline std::optional<WinInfo> FileNameBox(Display& d) {
    std::optional<WinInfo> edit;
    for (const WinInfo& w : d.ListWindows("#32770"))
        if (w.cls == "Edit" && w.visible) edit = w;
    return edit;
}

inline bool TypeFileName(Display& d, const std::string& name, Ms timeout = 10s, bool enter = true) {
    std::optional<WinInfo> edit;
    const bool shown = WaitUntil([&] { return (edit = FileNameBox(d)).has_value(); }, timeout, 100ms);
    if (!shown) return false;
    // The dialog may offer a previous name: select it all, the typing replaces it.
    ClickAt(d, edit->left + 10, edit->top + edit->height() / 2);
    d.Tap(XK_Home);
    d.KeyDown(XK_Shift_L);
    d.Tap(XK_End);
    d.KeyUp(XK_Shift_L);
    d.Tap(XK_Delete);
    TypeText(d, name);
    if (enter) d.Tap(XK_Return);
    return true;
}

struct Message {
    std::string text;
    bool closed = false;  // OK took it away
};

// The program's message box (a top-level "#32770" titled `title`): its
// text, dismissed with OK; nothing when none shows within `timeout`.
// `whileShown` runs once the box shows, before OK is pressed.
// `button`: the id of the button that answers it (OK unless told).
inline std::optional<Message> TakeMessage(Display& d, Ms timeout = 5s, const std::string& title = "Vellumo",
                                          const std::function<void()>& whileShown = {},
                                          int button = kMessageOkId) {
    std::optional<WinInfo> text, ok;
    const bool shown = WaitUntil(
        [&] {
            text.reset();
            ok.reset();
            bool box = false;
            for (const WinInfo& w : d.ListWindows("#32770")) {
                if (w.parent == "0") box = w.visible && w.title == title;
                else if (box && w.cls == "Static" && !w.title.empty()) text = w;
                else if (box && w.cls == "Button" && w.id == button) ok = w;
            }
            return text && ok;
        },
        timeout, 50ms);
    if (!shown) return std::nullopt;
    if (whileShown) whileShown();
    // The listing holds a title's first line only; the whole text:
    std::string said = d.WindowText(text->hwnd);
    if (said.empty()) said = text->title;
    // Listed is not yet clickable: the box may still be mapping. Gone means
    // this box is destroyed (vprobe answers that it is no window), not that a
    // listing came back without it.
    const std::string box = text->parent;
    const auto gone = [&] { return d.Run(WinExe("vprobe.exe"), {"text", box}).exitCode == 2; };
    for (int attempt = 0; attempt < 4 && !gone(); ++attempt) {
        std::this_thread::sleep_for(200ms);
        ClickAt(d, ok->left + ok->width() / 2, ok->top + ok->height() / 2);
        WaitUntil(gone, 1s, 50ms);
    }
    return Message{said, gone()};
}

}  // namespace e2e

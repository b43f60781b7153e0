// Popup menus of a program under test, read by their items' text (vprobe.exe
// reads a menu inside the program that shows it) and worked with the pointer.
#pragma once
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/Dialogs.h"
#include "tests/e2e/harness/Harness.h"

namespace e2e {

struct MenuItem {
    std::string text;
    std::string flags;  // g greyed, s separator, p opens a submenu
    friend bool operator==(const MenuItem&, const MenuItem&) = default;
};
inline std::ostream& operator<<(std::ostream& os, const MenuItem& m) { return os << '"' << m.text << "\" " << m.flags; }

// The visible popup menu windows, the first opened first.
inline std::vector<WinInfo> VisibleMenus(Display& d) {
    std::vector<WinInfo> out;
    for (const WinInfo& w : d.ListWindows("#32768"))
        if (w.visible) out.push_back(w);
    return out;
}

// The items of popup menu window `hwnd`; empty when it cannot be read.
inline std::vector<MenuItem> MenuItems(Display& d, const std::string& hwnd) {
    std::vector<MenuItem> out;
    std::istringstream in(d.Run(WinExe("vprobe.exe"), {"menu", hwnd}).out);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("M\t", 0) != 0) continue;
        const std::size_t tab = line.find('\t', 2);
        out.push_back({line.substr(2, tab - 2), tab == std::string::npos ? "" : line.substr(tab + 1)});
    }
    return out;
}

// Clicks (or with `click` false, points at) the item titled `text` of menu
// window `m`; false when the menu has no such item. Every item of these
// menus is a text item of one height.
inline bool PickMenuItem(Display& d, const WinInfo& m, const std::string& text, bool click = true) {
    const std::vector<MenuItem> items = MenuItems(d, m.hwnd);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].text != text) continue;
        const int item = (m.height() - 6) / static_cast<int>(items.size());
        const int x = m.left + 30, y = m.top + 3 + item * static_cast<int>(i) + item / 2;
        if (click) ClickAt(d, x, y);
        else d.MovePointer(x, y);
        return true;
    }
    return false;
}

}  // namespace e2e

// The notification-area icon and the main menu `cd` as data: how a tray
// notification reaching the settings window is read, which entries the menu
// has, and the two web pages it opens. No platform headers.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vellumo {

// The icon's callback message: notifications arrive as the settings window's
// mouse moves (WM_MOUSEMOVE), the mouse message itself in lParam.
inline constexpr unsigned kTrayCallbackMessage = 0x200;
inline constexpr unsigned kMouseMove = 0x200;
inline constexpr unsigned kLButtonUp = 514;
inline constexpr unsigned kRButtonUp = 517;
inline constexpr std::uint64_t kLeftButtonFlag = 0x0001;  // MK_LBUTTON

// What one mouse move on the settings window asks for.
struct SettMouseMove {
    bool dragWindow = false;   // a real move with the left button held
    bool openTrayMenu = false; // a tray notification of a button release
    friend bool operator==(const SettMouseMove&, const SettMouseMove&) = default;
};

// A notification carries the icon's id in wParam (the first-generation
// protocol the icon uses). Only a real, queued move may start the window drag:
// the system's move loop entered for a notification would grab the pointer.
SettMouseMove DecodeSettMouseMove(std::uint64_t wParam, std::int64_t lParam, std::uint64_t trayIconId,
                                  bool sentMessage);

// Both button releases open the menu; moves, presses and double-clicks do not.
bool TrayMessageOpensMenu(unsigned mouseMessage);

// The entries of the main menu `cd`, in display order. The values are the
// menu's command ids.
enum class CdItem : unsigned {
    ycck = 301,  // hide icon
    xsck,        // show icon
    tmd,         // transparency (submenu)
    tmw,
    tmq,
    zhengchan,
    kjj,         // set hotkey
    dfer,        // Display Floater
    bdi,         // the maker's image page
    abouthis,    // About (submenu)
    aapp,
    exit,
    pinclip = 320,  // "Pin clipboard image"; an id of its own, the others keep theirs
};

struct CdEntry {
    CdItem item;
    const char* name;
    const wchar_t* caption;
    bool inUse;                    // entries out of use are shown greyed
    std::optional<CdItem> parent;  // the submenu it sits in
    bool opensSubmenu;
};

std::span<const CdEntry> CdMenu();
const CdEntry* FindCdEntry(CdItem item);

// The maker's web site and the two pages the menu opens.
inline constexpr wchar_t kMakerSite[] = L"https://www.vellumo.app";
std::wstring MakerImagePage();
std::wstring ProductPage();

}  // namespace vellumo

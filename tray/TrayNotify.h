// The notification-area icon and its menu as data: how a tray
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
struct SettingsMouseMove {
    bool dragWindow = false;   // a real move with the left button held
    bool openTrayMenu = false; // a tray notification of a button release
    friend bool operator==(const SettingsMouseMove&, const SettingsMouseMove&) = default;
};

// A notification carries the icon's id in wParam (the first-generation
// protocol the icon uses). Only a real, queued move may start the window drag:
// the system's move loop entered for a notification would grab the pointer.
SettingsMouseMove DecodeSettingsMouseMove(std::uint64_t wParam, std::int64_t lParam, std::uint64_t trayIconId,
                                  bool sentMessage);

// Both button releases open the menu; moves, presses and double-clicks do not.
bool TrayMessageOpensMenu(unsigned mouseMessage);

// The entries of the tray menu, in display order. The values are the
// menu's command ids.
enum class TrayMenuItem : unsigned {
    HideFloaters = 301,  // hides the Floater host
    ShowFloaters,        // shows it again
    TranslucencyMenu,    // the transparency submenu
    TranslucentLight,
    TranslucentStrong,
    BackToNormal,
    SetHotkey,           // shows the settings window
    ShowFloaterHost,     // "Display Floater": a host closed by "Quit" comes back empty
    MakerImagePageItem,  // the maker's image page
    AboutMenu,           // the About submenu
    ProductPageItem,
    Exit,
    PinClipboardImage = 320,  // "Pin clipboard image"; an id of its own, the others keep theirs
    CaptureLastRegion = 321,  // a capture with the last selection already made
    RecentCaptures = 322,         // the capture history's submenu
    OpenHistoryFolder,
    ClearHistory,             // asks first
    CopyLastCapture,
    TakeClicksAgain = 340,    // every Floater takes the pointer again (clear of the recent captures' ids)
    ReopenClosedFloater,      // the last Floater deleted, back
    DelayedCaptureMenu = 360,  // the submenu of delayed captures
    CaptureIn3s,               // each waits, then captures; chosen again, cancels
    CaptureIn5s,
    CaptureIn10s,
};

// The delay, in seconds, of a delayed-capture entry; nothing for any other.
std::optional<int> CaptureDelayOf(TrayMenuItem item);

// The "Recent captures" submenu lists the newest captures above its fixed
// entries, under these ids (the newest first), filled as the menu opens.
inline constexpr unsigned kFirstRecentCaptureId = 330;
inline constexpr unsigned kRecentCaptureIds = 10;
// Which of the listed captures an id chooses; nothing for any other id.
std::optional<unsigned> RecentCaptureIndex(unsigned commandId);

struct TrayMenuEntry {
    TrayMenuItem item;
    const wchar_t* caption;
    bool inUse;                    // entries out of use are shown greyed
    std::optional<TrayMenuItem> parent;  // the submenu it sits in
    bool opensSubmenu;
};

std::span<const TrayMenuEntry> TrayMenuEntries();
const TrayMenuEntry* FindTrayMenuEntry(TrayMenuItem item);

// When to ask the shell again for an icon it refused (a shell still starting,
// or busy): with every Floater hidden the icon is the only way back. A few
// tries a short while apart, then none until the shell says its taskbar is
// there again ("TaskbarCreated"), which starts the tries afresh.
class TrayAddRetries {
public:
    static constexpr int kTries = 10;
    static constexpr unsigned kDelayMs = 2000;

    // The shell refused an add: the delay before the next try, or nothing
    // once the tries are spent.
    std::optional<unsigned> Refused() {
        if (refusals_ >= kTries) return std::nullopt;
        ++refusals_;
        return kDelayMs;
    }
    // An add the shell took, or a new taskbar: the tries start again.
    void Reset() { refusals_ = 0; }
    int refusals() const { return refusals_; }

private:
    int refusals_ = 0;
};

// The maker's web site and the two pages the menu opens.
inline constexpr wchar_t kMakerSite[] = L"https://www.vellumo.app";
std::wstring MakerImagePage();
std::wstring ProductPage();

}  // namespace vellumo

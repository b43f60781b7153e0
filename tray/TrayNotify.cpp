#include "tray/TrayNotify.h"

#include <array>

namespace vellumo {

SettingsMouseMove DecodeSettingsMouseMove(std::uint64_t wParam, std::int64_t lParam, std::uint64_t trayIconId,
                                  bool sentMessage) {
    SettingsMouseMove out;
    if (wParam == trayIconId) {
        out.openTrayMenu = TrayMessageOpensMenu(static_cast<unsigned>(lParam & 0xFFFF));
        return out;
    }
    out.dragWindow = !sentMessage && (wParam & kLeftButtonFlag) != 0;
    return out;
}

bool TrayMessageOpensMenu(unsigned mouseMessage) {
    return mouseMessage == kLButtonUp || mouseMessage == kRButtonUp;
}

namespace {
using enum TrayMenuItem;
constexpr std::array<TrayMenuEntry, 24> kTrayMenu{{
    {HideFloaters, L"\u9690\u85CF\u56FE\u6807", false, std::nullopt, false},       // 隐藏图标
    {ShowFloaters, L"\u663E\u793A\u56FE\u6807", false, std::nullopt, false},       // 显示图标
    {TranslucencyMenu, L"\u900F\u660E\u5EA6", false, std::nullopt, true},                // 透明度
    {TranslucentLight, L"50%\u900F\u660E", false, TranslucencyMenu, false},                           // 50%透明
    {TranslucentStrong, L"75%\u900F\u660E", false, TranslucencyMenu, false},                           // 75%透明
    {BackToNormal, L"\u6062\u590D\u6B63\u5E38", false, TranslucencyMenu, false},      // 恢复正常
    // In use: the only way to choose another key when the stored one cannot be had.
    {SetHotkey, L"\u8BBE\u7F6E\u70ED\u952E", true, std::nullopt, false},          // 设置热键
    {ShowFloaterHost, L"Display Floater", true, std::nullopt, false},
    {PinClipboardImage, L"Pin clipboard image", true, std::nullopt, false},
    {CaptureLastRegion, L"Capture last region", true, std::nullopt, false},
    {TakeClicksAgain, L"Take clicks again", true, std::nullopt, false},
    {ReopenClosedFloater, L"Reopen closed Floater", true, std::nullopt, false},
    {DelayedCaptureMenu, L"Capture after a delay", true, std::nullopt, true},
    {CaptureIn3s, L"Capture in 3 s", true, DelayedCaptureMenu, false},
    {CaptureIn5s, L"Capture in 5 s", true, DelayedCaptureMenu, false},
    {CaptureIn10s, L"Capture in 10 s", true, DelayedCaptureMenu, false},
    {RecentCaptures, L"Recent captures", true, std::nullopt, true},
    {CopyLastCapture, L"Copy last capture", true, RecentCaptures, false},
    {OpenHistoryFolder, L"Open history folder", true, RecentCaptures, false},
    {ClearHistory, L"Clear history", true, RecentCaptures, false},
    {MakerImagePageItem, L"Orrindal:image:", true, std::nullopt, false},
    {AboutMenu, L"About", true, std::nullopt, true},
    {ProductPageItem, L"About App", true, AboutMenu, false},
    {Exit, L"Exit", true, std::nullopt, false},
}};
}  // namespace

std::span<const TrayMenuEntry> TrayMenuEntries() { return kTrayMenu; }

const TrayMenuEntry* FindTrayMenuEntry(TrayMenuItem item) {
    for (const TrayMenuEntry& e : kTrayMenu)
        if (e.item == item) return &e;
    return nullptr;
}

std::optional<int> CaptureDelayOf(TrayMenuItem item) {
    switch (item) {
        case CaptureIn3s: return 3;
        case CaptureIn5s: return 5;
        case CaptureIn10s: return 10;
        default: return std::nullopt;
    }
}

std::optional<unsigned> RecentCaptureIndex(unsigned commandId) {
    if (commandId < kFirstRecentCaptureId || commandId >= kFirstRecentCaptureId + kRecentCaptureIds) return std::nullopt;
    return commandId - kFirstRecentCaptureId;
}

std::wstring MakerImagePage() { return std::wstring(kMakerSite) + L"/do/image.html"; }
std::wstring ProductPage() { return std::wstring(kMakerSite) + L"/apps/vellumo/index.html?v=1.0"; }

}  // namespace vellumo

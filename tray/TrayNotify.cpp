#include "tray/TrayNotify.h"

#include <array>

namespace vellumo {

SettMouseMove DecodeSettMouseMove(std::uint64_t wParam, std::int64_t lParam, std::uint64_t trayIconId,
                                  bool sentMessage) {
    SettMouseMove out;
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
using enum CdItem;
constexpr std::array<CdEntry, 13> kCd{{
    {ycck, "ycck", L"\u9690\u85CF\u56FE\u6807", false, std::nullopt, false},       // 隐藏图标
    {xsck, "xsck", L"\u663E\u793A\u56FE\u6807", false, std::nullopt, false},       // 显示图标
    {tmd, "tmd", L"\u900F\u660E\u5EA6", false, std::nullopt, true},                // 透明度
    {tmw, "tmw", L"50%\u900F\u660E", false, tmd, false},                           // 50%透明
    {tmq, "tmq", L"75%\u900F\u660E", false, tmd, false},                           // 75%透明
    {zhengchan, "zhengchan", L"\u6062\u590D\u6B63\u5E38", false, tmd, false},      // 恢复正常
    // In use: the only way to choose another key when the stored one cannot be had.
    {kjj, "kjj", L"\u8BBE\u7F6E\u70ED\u952E", true, std::nullopt, false},          // 设置热键
    {dfer, "dfer", L"Display Floater", true, std::nullopt, false},
    {pinclip, "pinclip", L"Pin clipboard image", true, std::nullopt, false},
    {bdi, "bdi", L"Orrindal:image:", true, std::nullopt, false},
    {abouthis, "abouthis", L"About", true, std::nullopt, true},
    {aapp, "aapp", L"About App", true, abouthis, false},
    {exit, "exit", L"Exit", true, std::nullopt, false},
}};
}  // namespace

std::span<const CdEntry> CdMenu() { return kCd; }

const CdEntry* FindCdEntry(CdItem item) {
    for (const CdEntry& e : kCd)
        if (e.item == item) return &e;
    return nullptr;
}

std::wstring MakerImagePage() { return std::wstring(kMakerSite) + L"/do/image.html"; }
std::wstring ProductPage() { return std::wstring(kMakerSite) + L"/apps/vellumo/index.html?v=1.0"; }

}  // namespace vellumo

#include "settings/HotkeyActions.h"

#include <array>

namespace vellumo {

namespace {
using enum HotkeyAction;
constexpr std::array<HotkeyActionEntry, 8> kActions{{
    {Capture, L"HotKey1", L"Capture"},
    {LastRegion, L"LastRegion", L"Capture last region"},
    {Delayed, L"Delayed", L"Capture after a delay"},
    {PinClipboard, L"PinClipboard", L"Pin clipboard image"},
    {CopyLast, L"CopyLast", L"Copy last capture"},
    {ReopenFloater, L"ReopenFloater", L"Reopen closed Floater"},
    {TakeClicks, L"TakeClicks", L"Take clicks again"},
    {HideFloaters, L"HideFloaters", L"Hide / show Floaters"},
}};

std::wstring Shown(const hotkey::Combination& c) { return IsHotkey(c) ? c.text : std::wstring(L"none"); }
}  // namespace

std::span<const HotkeyActionEntry> HotkeyActions() { return kActions; }

const HotkeyActionEntry& HotkeyActionOf(HotkeyAction action) {
    for (const HotkeyActionEntry& a : kActions)
        if (a.action == action) return a;
    return kActions.front();
}

bool IsHotkey(const hotkey::Combination& c) { return hotkey::IsUsableHotKeyCode(c.keyCode); }

bool SameHotkey(const hotkey::Combination& a, const hotkey::Combination& b) {
    return IsHotkey(a) && IsHotkey(b) && a.keyCode == b.keyCode &&
           hotkey::RegisteredModifiers(a.modKeyCode) == hotkey::RegisteredModifiers(b.modKeyCode);
}

std::vector<HotkeyClash> ResolveHotkeyClashes(std::vector<hotkey::Combination>& shown,
                                              const std::vector<hotkey::Combination>& saved) {
    std::vector<HotkeyClash> clashes;
    const auto changed = [&](std::size_t i) { return i >= saved.size() || !(shown[i] == saved[i]); };
    const auto holderOf = [&](std::size_t i) -> std::optional<std::size_t> {
        for (std::size_t j = 0; j < shown.size(); ++j)
            if (j != i && SameHotkey(shown[i], shown[j])) return j;
        return std::nullopt;
    };
    // Each pass settles at least one action for good (a reverted action
    // that clashes again drops to none), so the loop ends.
    for (bool again = true; again;) {
        again = false;
        for (std::size_t i = 0; i < shown.size() && !again; ++i) {
            const auto j = holderOf(i);
            if (!j) continue;
            std::size_t refused = std::max(i, *j);
            if (changed(i) != changed(*j)) refused = changed(i) ? i : *j;
            const std::size_t holder = refused == i ? *j : i;
            clashes.push_back({refused, holder, shown[refused]});
            const bool alreadyBack = refused < saved.size() && shown[refused] == saved[refused];
            shown[refused] = alreadyBack || refused >= saved.size() ? hotkey::Combination{} : saved[refused];
            again = true;
        }
    }
    return clashes;
}

std::wstring HotkeyClashMessage(const HotkeyClash& clash, const hotkey::Combination& keptInstead) {
    const auto& actions = HotkeyActions();
    return clash.combination.text + L" is already the hotkey of \u201C" + actions[clash.holder].caption +
           L"\u201D: two actions cannot share one combination.\n\n\u201C" + actions[clash.refused].caption +
           L"\u201D keeps its old hotkey (" + Shown(keptInstead) + L").";
}

std::wstring HotkeyTakenMessage(std::span<const std::wstring> combinations) {
    // The first line is what the hotkey control has always said.
    std::wstring names;
    for (std::size_t i = 0; i < combinations.size(); ++i)
        names += (i == 0 ? L"" : i + 1 == combinations.size() ? L" and " : L", ") + combinations[i];
    const bool one = combinations.size() == 1;
    return L"\u70ED\u952E\u6B63\u5728\u4F7F\u7528\n\n" + names + (one ? L" is" : L" are") +
           L" held by another program, so Vellumo cannot use " + (one ? L"it" : L"them") +
           L". The usual holders: the system's own Print Screen setting (\u201CUse the Print Screen key to open "
           L"screen capture\u201D), OneDrive (its \u201CSave screenshots I capture to OneDrive\u201D), and screen "
           L"recorders. Turn the key off there, or choose another combination.\n\n"
           L"Open the settings window now?";
}

}  // namespace vellumo

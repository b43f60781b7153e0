// The settings window's optional hotkeys, one row per action after the
// capture hotkey: each a hotkey control stored under the action's name,
// registered at load when it holds a usable key; the marks of hotkeys the
// system refused, the message that tells them, and the pointer box.
#include <algorithm>

#include "gfx/Log_win.h"
#include "hotkey/HotKey_win.h"
#include "settings/SettingsLayout.h"
#include "settings/SettingsWindow_win.h"
#include "store/CaptureSettings.h"

namespace vellumo::win {

namespace {
// The caption of the hotkey control's own messages, kept for the new one.
constexpr wchar_t kErrorCaption[] = L"\u9519\u8BEF";  // 错误

HWND MakeChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, const Rect& twips, int dpi,
               int id = 0) {
    const HWND child = ::CreateWindowExW(0, cls, text, WS_CHILD | style, TwipsToPixels(twips.left, dpi),
                                         TwipsToPixels(twips.top, dpi), TwipsToPixels(twips.width, dpi),
                                         TwipsToPixels(twips.height, dpi), parent,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
    if (LogIfNull(child, L"CreateWindowExW(settings child)"))
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}
}  // namespace

void SettingsWindow::CreateActionHotkeys(int dpi) {
    captureMark_ = MakeChild(hwnd(), L"STATIC", kHotkeyNotRegisteredMark, 0, kCaptureHotkeyMarkTwips, dpi);
    hotkey_->Refused = [this] { OnHotkeyRefused(0); };
    const auto actions = HotkeyActions();
    for (std::size_t i = 1; i < actions.size(); ++i) {
        const HotkeyActionEntry& entry = actions[i];
        MakeChild(hwnd(), L"STATIC", entry.caption, WS_VISIBLE, HotkeyRowTwips(i - 1, HotkeyRowPart::Caption), dpi);
        ActionHotkeyRow row{entry.action, std::make_unique<HotKey>(), nullptr};
        const Rect box = HotkeyRowTwips(i - 1, HotkeyRowPart::Box);
        HotKey::Options options;
        options.instanceName = entry.name;
        row.box->HotKeyPressed = [this, action = entry.action] { events_.OnActionHotkey(action); };
        row.box->Refused = [this, i] { OnHotkeyRefused(i); };
        row.box->Create(hwnd(), TwipsToPixels(box.left, dpi), TwipsToPixels(box.top, dpi),
                        TwipsToPixels(box.width, dpi), TwipsToPixels(box.height, dpi), store_, options);
        row.mark = MakeChild(hwnd(), L"STATIC", kHotkeyNotRegisteredMark, 0,
                             HotkeyRowTwips(i - 1, HotkeyRowPart::Mark), dpi);
        actionRows_.push_back(std::move(row));
    }
    refused_.assign(actions.size(), false);
}

HotKey& SettingsWindow::HotkeyOfRow(std::size_t row) { return row == 0 ? *hotkey_ : *actionRows_[row - 1].box; }

std::vector<hotkey::Combination> SettingsWindow::ShownHotkeys() {
    std::vector<hotkey::Combination> shown;
    for (std::size_t row = 0; row <= actionRows_.size(); ++row) {
        const HotKey& box = HotkeyOfRow(row);
        shown.push_back({box.Text(), box.KeyCode(), box.ModKeyCode()});
    }
    return shown;
}

void SettingsWindow::RegisterActionHotkeys() {
    // The stored combinations are what a save's clash rule compares with;
    // a file with two actions on one key registers the first only.
    std::vector<hotkey::Combination> shown = ShownHotkeys();
    savedHotkeys_ = shown;
    for (const HotkeyClash& clash : ResolveHotkeyClashes(shown, savedHotkeys_))
        LogFailure((L"Two actions share the hotkey " + clash.combination.text + L"; only one is registered").c_str(), 0);
    for (std::size_t row = 1; row < shown.size(); ++row)
        if (IsHotkey(shown[row]) && shown[row] == savedHotkeys_[row]) HotkeyOfRow(row).SetHotKeyEnabled(true);
    RefreshHotkeyMarks();
}

void SettingsWindow::RefuseSharedHotkeys() {
    std::vector<hotkey::Combination> shown = ShownHotkeys();
    for (const HotkeyClash& clash : ResolveHotkeyClashes(shown, savedHotkeys_)) {
        const hotkey::Combination& back = shown[clash.refused];
        HotkeyOfRow(clash.refused).SetCombination(back.text, back.keyCode, back.modKeyCode);
        ::MessageBoxW(MessageBoxOwner(), HotkeyClashMessage(clash, back).c_str(), L"Vellumo",
                      MB_OK | MB_ICONWARNING | MB_TOPMOST | MB_SETFOREGROUND);
    }
}

void SettingsWindow::RegisterChangedActionHotkeys() {
    const std::vector<hotkey::Combination> shown = ShownHotkeys();
    for (std::size_t row = 1; row < shown.size(); ++row) {
        HotKey& box = HotkeyOfRow(row);
        // A registered hotkey that changed was let go as its first key went
        // down; one that did not change stays as it is.
        if (box.HotKeyEnabled() && shown[row] == savedHotkeys_[row]) continue;
        box.SetHotKeyEnabled(false);
        refused_[row] = false;
        if (!IsHotkey(shown[row])) continue;
        // Tried now, so a refusal is marked while the user is here to see it.
        box.SetHotKeyEnabled(true);
        if (actionHotkeysSuspended_) box.SetHotKeyEnabled(false);
    }
    savedHotkeys_ = shown;
    RefreshHotkeyMarks();
}

void SettingsWindow::SuspendActionHotkeys(bool suspend) {
    if (suspend == actionHotkeysSuspended_ || savedHotkeys_.empty()) return;
    actionHotkeysSuspended_ = suspend;
    for (std::size_t row = 1; row < savedHotkeys_.size(); ++row) {
        HotKey& box = HotkeyOfRow(row);
        if (suspend) {
            box.SetHotKeyEnabled(false);
            continue;
        }
        const hotkey::Combination& saved = savedHotkeys_[row];
        // A box edited and not yet saved waits for the save (or the hide);
        // one refused stays marked and is not asked for again until a save.
        const bool edited = !(hotkey::Combination{box.Text(), box.KeyCode(), box.ModKeyCode()} == saved);
        if (IsHotkey(saved) && !edited && !refused_[row]) box.SetHotKeyEnabled(true);
    }
    RefreshHotkeyMarks();
}

void SettingsWindow::DropUnsavedHotkeys() {
    if (savedHotkeys_.empty()) return;
    for (std::size_t row = 1; row < savedHotkeys_.size(); ++row) {
        HotKey& box = HotkeyOfRow(row);
        const hotkey::Combination& saved = savedHotkeys_[row];
        if (!(hotkey::Combination{box.Text(), box.KeyCode(), box.ModKeyCode()} == saved))
            box.SetCombination(saved.text, saved.keyCode, saved.modKeyCode);
    }
    // Registered afresh, whether or not the window still had the keyboard.
    actionHotkeysSuspended_ = true;
    SuspendActionHotkeys(false);
}

void SettingsWindow::OnHotkeyRefused(std::size_t row) {
    refused_[row] = true;
    const bool first = refusedUntold_.empty();
    // The capture hotkey is tried at load and again as the Floater host applies its flag.
    const std::wstring text = HotkeyOfRow(row).Text();
    if (std::find(refusedUntold_.begin(), refusedUntold_.end(), text) == refusedUntold_.end())
        refusedUntold_.push_back(text);
    if (first) LogLastErrorIf(!::PostMessageW(hwnd(), kTellRefusedHotkeys, 0, 0), L"PostMessageW(refused hotkeys)");
    RefreshHotkeyMarks();
}

void SettingsWindow::RefreshHotkeyMarks() {
    for (std::size_t row = 0; row < refused_.size(); ++row) {
        if (HotkeyOfRow(row).HotKeyEnabled()) refused_[row] = false;
        const HWND mark = row == 0 ? captureMark_ : actionRows_[row - 1].mark;
        if (mark) ::ShowWindow(mark, refused_[row] ? SW_SHOWNA : SW_HIDE);
    }
}

void SettingsWindow::TellRefusedHotkeys() {
    if (refusedUntold_.empty()) return;
    const std::wstring text = HotkeyTakenMessage(refusedUntold_);
    refusedUntold_.clear();
    if (::MessageBoxW(MessageBoxOwner(), text.c_str(), kErrorCaption,
                      MB_YESNO | MB_ICONSTOP | MB_TOPMOST | MB_SETFOREGROUND) == IDYES)
        ShowSettings();
}

void SettingsWindow::CreateCursorBox(int dpi) {
    cursorBox_ = MakeChild(hwnd(), L"BUTTON", kCursorBoxCaption, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
                           kCursorBoxTwips, dpi, kCursorBoxId);
}

void SettingsWindow::ShowCursorState() {
    if (!cursorBox_) return;
    const std::wstring stored = store_.Read(std::wstring(kCaptureCursor.section), kCaptureCursor.Key(L""),
                                            std::wstring(kCaptureCursor.defaultValue));
    ::SendMessageW(cursorBox_, BM_SETCHECK, settings::ReadNumber(kCaptureCursor, stored) ? BST_CHECKED : BST_UNCHECKED,
                   0);
}

void SettingsWindow::OnCursorBoxClicked() {
    const bool on = ::SendMessageW(cursorBox_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    const DWORD error = store_.Write(std::wstring(kCaptureCursor.section), kCaptureCursor.Key(L""), on ? L"1" : L"0");
    if (!error) return;
    ::SendMessageW(cursorBox_, BM_SETCHECK, on ? BST_UNCHECKED : BST_CHECKED, 0);
    TellIfNotSaved(error);
}

}  // namespace vellumo::win

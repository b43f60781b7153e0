// HotKey: the reusable hotkey control. Its whole surface is the text box
// txtHotKey, where the user presses a combination; the control shows it,
// registers it for a hidden "#32770" window of its own when asked, raises
// HotKeyPressed when the system reports it, and stores it.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "gfx/Handles_win.h"
#include "gfx/Subclass_win.h"
#include "gfx/Window_win.h"
#include "hotkey/HotKeyLook.h"
#include "hotkey/KeyCombo.h"
#include "store/Ini_win.h"

namespace vellumo::win {

struct HotKeyOptions {
    std::wstring instanceName = L"HotKey1";  // prefix of the stored keys
    int settingLocation = 0;  // 0: the owner's INI file; else HKCU\Software\Vellumo\<regKeyName>
    std::wstring regKeyName = L"hotkey";
};

class HotKey : public Window<HotKey> {
public:
    // Defined outside so that `= {}` can default it below.
    using Options = HotKeyOptions;

    HotKey();
    ~HotKey() override;

    // Run-time load: the child window with txtHotKey (Arial 9 pt), the hidden
    // message window, both hooked, and the stored combination read from
    // `store` (the owner's settings file; it is also where SaveSettings
    // writes). Registers nothing.
    bool Create(HWND parent, int x, int y, int w, int h, IniFile store, const Options& options = {});

    const std::wstring& Text() const { return composer_.combination().text; }
    int KeyCode() const { return composer_.combination().keyCode; }
    int ModKeyCode() const { return composer_.combination().modKeyCode; }

    bool HotKeyEnabled() const { return enabled_; }
    // True registers (or explains with a message box why not); false unregisters.
    void SetHotKeyEnabled(bool v);

    // Sets the combination without registering (the Print Screen default on a first start).
    void SetCombination(const std::wstring& text, int keyCode, int modKeyCode);
    // 0, or the first error code of the three writes (all are tried).
    unsigned long SaveSettings();

    // The look the control hands to txtHotKey as it is set: colours
    // (system colours allowed), enabled, border style and appearance, the
    // tooltip (none when empty), and the font.
    const hotkey::Look& Look() const { return look_; }
    void SetBackColor(OleColor c);
    void SetForeColor(OleColor c);
    void SetEnabled(bool enabled);
    void SetBorderStyle(int borderStyle);
    void SetAppearance(int appearance);
    void SetToolTipText(const std::wstring& text);
    void SetFont(const LOGFONTW& font);

    HWND txtHotKey() const { return edit_; }
    HWND hotKeyWindow() const { return hidden_.get(); }

    // Events; KeyDown sees a key before the control composes it and may change it.
    std::function<void()> HotKeyPressed, Click, DblClick;
    std::function<void(int& keyCode, int& shift)> KeyDown, KeyUp;
    std::function<void(int& button, int& shift, float& x, float& y)> MouseDown, MouseMove, MouseUp;
    // Not one of the control's own events: the displayed combination was rebuilt.
    std::function<void()> Changed;
    // Not one of the control's own events either: when set, a registration
    // the system refuses calls it instead of the control's message, and the
    // combination stays shown (its owner tells the user and marks the box).
    std::function<void()> Refused;

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    void OnDestroyed() override;

private:
    LRESULT OnHiddenWindowMessage(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnEditMessage(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnEditInput(UINT msg, WPARAM wp, LPARAM lp);
    void OnKeyDown(int keyCode);
    void OnKeyUp(int keyCode);
    void OnMouse(UINT msg, WPARAM wp, LPARAM lp);
    void ShowCombination();
    void LoadSettings();
    bool RegisterKey();
    void UnregisterKey();
    void ShowError(const wchar_t* text);
    void ApplyFrame();
    LRESULT ColourEdit(HDC dc);

    Options options_;
    IniFile store_{L""};
    hotkey::KeyComposer composer_;
    bool enabled_ = false;
    HWND edit_ = nullptr;  // child of the control, destroyed with it
    unique_hwnd hidden_;
    // Declared after the windows they hook, so they let go first.
    SubclassGuard hiddenHook_;  // every WM_HOTKEY raises HotKeyPressed
    SubclassGuard editHook_;    // no context menu, no typed characters
    unique_hfont font_;
    hotkey::Look look_;
    unique_hbrush backBrush_;  // look_.backColor's, made when first painted
    HWND tooltip_ = nullptr;   // owned by the control, destroyed with it
};

}  // namespace vellumo::win

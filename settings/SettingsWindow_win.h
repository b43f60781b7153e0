// The settings window: the hidden owner of the capture hotkey
// (hotkey), of the tray icon and its menu. The first load of the Floater
// host brings it; it stays loaded, hidden, until the program ends.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "gfx/Window_win.h"
#include "gfx/Handles_win.h"
#include "gfx/StartCapture_win.h"
#include "gfx/Subclass_win.h"
#include "hotkey/KeyCombo.h"
#include "settings/HotkeyActions.h"
#include "store/Ini_win.h"
#include "tray/TrayNotify.h"

namespace vellumo::win {

class HotKey;

// What the settings window tells the coordinator (app/).
class SettingsEvents : public StartCaptureListener {
public:
    // The capture hotkey was pressed.
    virtual void OnCaptureHotkey() = 0;
    // The hotkey of another action (HotkeyActions' rows after the capture
    // hotkey) was pressed.
    virtual void OnActionHotkey(HotkeyAction action) = 0;
    // An entry of the tray icon's menu was chosen (other than the settings
    // window's own "set hotkey" and "Exit").
    virtual void OnTrayMenuChosen(TrayMenuItem item) = 0;
    // The tray menu is about to show: entries that change (the recent
    // captures) are filled in.
    virtual void OnTrayMenuOpening(HMENU menu) = 0;
    // "Exit", the window closed or the session ending: the coordinator
    // saves what must be saved, then ends the program (ExitProgram).
    virtual void OnExitAsked() = 0;

protected:
    ~SettingsEvents() = default;
};

class SettingsWindow : public Window<SettingsWindow> {
public:
    // The settings are kept in `store` (set.ini beside the exe).
    SettingsWindow(SettingsEvents& events, IniFile store);
    ~SettingsWindow() override;
    // Creates the hidden window, its hotkey and the tray icon. False if the
    // system refuses the window.
    bool Load() { return CreateWindows(); }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

    // The Floater host's load applies the stored enable flag `checka`.
    void ApplyStoredEnableFlag();
    int EnableBoxValue() const;
    HotKey& hotkey() { return *hotkey_; }

    void SaveSettings();
    void HideSettings();
    void StoreDefaultHotkey();
    void OnEnableBoxReleased();
    void OnHotkeyPressed();
    void ShowSettings();
    // Hidden, and out of the topmost band, as its hide button leaves it.
    void HideForCapture() { HideSettings(); }
    // The last step of leaving: the icon removed, the hotkey released, the
    // process ended at once.
    [[noreturn]] void ExitProgram();

private:
    // The refusals are told after the handler that met them has returned: at
    // load that is before the window is even shown, and several come together.
    static constexpr UINT kTellRefusedHotkeys = WM_APP + 7;

    bool CreateWindows();
    void CreateControls(int dpi);
    void OnMouseMove(WPARAM wp, LPARAM lp);
    void OnPaint();
    void OnTrayMenuItem(TrayMenuItem item);
    void SetCheck(int value);
    // The start-with-Windows box (StartUpBox_win.cpp): made after the table's
    // controls, checked while the Run value is there, which is put right if
    // it names another exe; a click adds or removes the value.
    void CreateStartUpBox(int dpi);
    // The optional hotkeys, a row each (ActionHotkeys_win.cpp): a box
    // stored in set.ini [hotkey] like the capture hotkey's, under the
    // action's name, and a mark shown while its hotkey is not registered.
    void CreateActionHotkeys(int dpi);
    void RegisterActionHotkeys();
    HotKey& HotkeyOfRow(std::size_t row);
    std::vector<hotkey::Combination> ShownHotkeys();
    // A save refuses a combination two actions would share (the one just
    // changed keeps its old one) and registers the optional hotkeys anew.
    void RefuseSharedHotkeys();
    void RegisterChangedActionHotkeys();
    // A refused registration: the box marked, the user told once the
    // current message has returned (every refusal since, in one message).
    void OnHotkeyRefused(std::size_t row);
    // While the shown window has the keyboard its own optional hotkeys are
    // let go, so a combination one of them holds can be typed into another
    // box (a registered hotkey never reaches the box); they come back when
    // it loses the keyboard (a box edited and not saved waits) or hides.
    void SuspendActionHotkeys(bool suspend);
    // Hidden, the boxes edited and not saved show their saved combination
    // again, and every saved one is registered.
    void DropUnsavedHotkeys();
    void RefreshHotkeyMarks();
    void TellRefusedHotkeys();
    // The box of "[Capture] Cursor=" (ActionHotkeys_win.cpp).
    void CreateCursorBox(int dpi);
    void ShowCursorState();
    void OnCursorBoxClicked();
    void ShowStartUpState();
    void OnStartUpBoxClicked();
    // A refused settings write (a read-only set.ini or folder) is told.
    void TellIfNotSaved(DWORD error);

    SettingsEvents& events_;
    IniFile store_;
    std::unique_ptr<HotKey> hotkey_;
    HWND enableBox_ = nullptr;  // children go with the window
    HWND startUpBox_ = nullptr;
    HWND cursorBox_ = nullptr;
    struct ActionHotkeyRow {
        HotkeyAction action;
        std::unique_ptr<HotKey> box;
        HWND mark = nullptr;  // a child: goes with the window
    };
    std::vector<ActionHotkeyRow> actionRows_;
    HWND captureMark_ = nullptr;
    // What each action's box held at load or at the last save (row order).
    std::vector<hotkey::Combination> savedHotkeys_;
    std::vector<bool> refused_;
    bool actionHotkeysSuspended_ = false;
    std::vector<std::wstring> refusedUntold_;
    // enableBox_ reacts to the mouse release over the box only; a toggle from
    // the keyboard changes just its check mark.
    SubclassGuard enableBoxHook_;
    HICON icon_ = nullptr;     // shared: never destroyed
    unique_hmenu trayMenu_;
};

}  // namespace vellumo::win

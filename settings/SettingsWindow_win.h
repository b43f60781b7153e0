// The settings window: the hidden owner of the capture hotkey
// (hotkey), of the tray icon and its menu. The first load of the Floater
// host brings it; it stays loaded, hidden, until the program ends.
#pragma once
#include <windows.h>

#include <memory>

#include "gfx/Window_win.h"
#include "gfx/Handles_win.h"
#include "gfx/StartCapture_win.h"
#include "gfx/Subclass_win.h"
#include "store/Ini_win.h"
#include "tray/TrayNotify.h"

namespace vellumo::win {

class HotKey;

// What the settings window tells the coordinator (app/).
class SettingsEvents : public StartCaptureListener {
public:
    // The capture hotkey was pressed.
    virtual void OnCaptureHotkey() = 0;
    // The LastRegion hotkey was pressed.
    virtual void OnLastRegionHotkey() = 0;
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
    // The last step of leaving: the icon removed, the hotkey released, the
    // process ended at once.
    [[noreturn]] void ExitProgram();

private:
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
    // The optional LastRegion hotkey stored in set.ini [hotkey] like the
    // capture hotkey (LastRegionKeyCode, LastRegionModKeyCode), registered
    // on this window (LastRegionHotkey_win.cpp).
    void RegisterLastRegionHotkey();
    void ShowStartUpState();
    void OnStartUpBoxClicked();
    // A refused settings write (a read-only set.ini or folder) is told.
    void TellIfNotSaved(DWORD error);

    SettingsEvents& events_;
    IniFile store_;
    std::unique_ptr<HotKey> hotkey_;
    HWND enableBox_ = nullptr;  // children go with the window
    HWND startUpBox_ = nullptr;
    // enableBox_ reacts to the mouse release over the box only; a toggle from
    // the keyboard changes just its check mark.
    SubclassGuard enableBoxHook_;
    HICON icon_ = nullptr;     // shared: never destroyed
    unique_hmenu trayMenu_;
};

}  // namespace vellumo::win

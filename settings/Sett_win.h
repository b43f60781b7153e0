// sett, the settings window: the hidden owner of the capture hotkey
// (HotKey1), of the tray icon and its menu. The first load of the Floater
// host brings it; it stays loaded, hidden, until the program ends.
#pragma once
#include <windows.h>

#include <memory>

#include "gfx/Window_win.h"
#include "gfx/Handles_win.h"
#include "gfx/StartCapture_win.h"
#include "store/Ini_win.h"
#include "tray/TrayNotify.h"

namespace vellumo::win {

class HotKey;

// What the settings window tells the coordinator (app/).
class SettingsEvents : public StartCaptureListener {
public:
    // The capture hotkey was pressed.
    virtual void OnCaptureHotkey() = 0;
    // An entry of the tray icon's menu was chosen (other than the settings
    // window's own "set hotkey" and "Exit").
    virtual void OnTrayMenuChosen(CdItem item) = 0;

protected:
    ~SettingsEvents() = default;
};

class Sett : public Window<Sett> {
public:
    // The settings are kept in `store` (set.ini beside the exe).
    Sett(SettingsEvents& events, IniFile store);
    ~Sett() override;
    // Creates the hidden window, its hotkey and the tray icon. False if the
    // system refuses the window.
    bool Load() { return Form_Load(); }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

    // The Floater host's load applies the stored enable flag `checka`.
    void ApplyStoredEnableFlag();
    int chkCheck1Value() const;
    HotKey& HotKey1() { return *HotKey1_; }

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void chkCheck1_MouseUp();
    void HotKey1_HotKeyPressed();
    void kjj_Click();
    // "Exit": the icon removed, the hotkey released, the process ended at once.
    [[noreturn]] void ExitProgram();

private:
    bool Form_Load();
    void CreateControls(int dpi);
    void Form_MouseMove(WPARAM wp, LPARAM lp);
    void Form_Paint();
    [[noreturn]] void Form_QueryUnload();
    void MainMenu_Click(CdItem item);
    void SetCheck(int value);
    // A refused settings write (a read-only set.ini or folder) is told.
    void TellIfNotSaved(DWORD error);

    SettingsEvents& events_;
    IniFile store_;
    std::unique_ptr<HotKey> HotKey1_;
    HWND chkCheck1 = nullptr;  // children go with the window
    HICON icon_ = nullptr;     // shared: never destroyed
    unique_hmenu cd_;
};

}  // namespace vellumo::win

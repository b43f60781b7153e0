// sett, the settings window: the hidden owner of the capture hotkey
// (HotKey1), of the tray icon and its menu. The first load of the Floater
// host loads it; it stays loaded, hidden, until the program ends.
#pragma once
#include <windows.h>

#include <memory>

#include "gfx/Window_win.h"
#include "gfx/Handles_win.h"
#include "tray/TrayNotify.h"

namespace vellumo::win {

class HotKey;
class Sett;

// The settings window, loaded on first use. Null only if it cannot be created.
Sett* LoadSett();
// The settings window if loaded, else null.
Sett* LoadedSett();

// What a press of the capture hotkey does: returns a translucent Floater host
// to normal, or else discards any capture, hides the Floaters, pauses the
// topmost keeper and starts a fresh capture.
void HotKeyCapture();

// A second start asks the running copy for a capture with this message.
UINT StartCaptureMessage();
// Cheap enough for every message: only registered messages are compared.
inline bool IsStartCaptureMessage(UINT msg) { return msg >= 0xC000 && msg == StartCaptureMessage(); }

// At start, before anything is shown: true when this copy is the one that
// runs. Otherwise another copy runs; this one has waited for it to answer,
// however long that took, and it has taken the capture over: this one ends.
bool ClaimSingleInstance();
// The running copy's answer to a second start: a capture is on its way.
inline constexpr LRESULT kCaptureAccepted = 1;
LRESULT AcceptStartCapture();

class Sett : public Window<Sett> {
public:
    ~Sett() override;
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
    friend Sett* LoadSett();
    Sett();
    bool Form_Load();
    void CreateControls(int dpi);
    void Form_MouseMove(WPARAM wp, LPARAM lp);
    void Form_Paint();
    [[noreturn]] void Form_QueryUnload();
    void MainMenu_Click(CdItem item);
    void SetCheck(int value);
    // A refused settings write (a read-only set.ini or folder) is told.
    void TellIfNotSaved(DWORD error);

    std::unique_ptr<HotKey> HotKey1_;
    HWND chkCheck1 = nullptr;  // children go with the window
    HICON icon_ = nullptr;     // shared: never destroyed
    unique_hmenu cd_;
};

}  // namespace vellumo::win

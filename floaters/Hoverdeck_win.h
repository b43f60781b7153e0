// hoverdeck, the Floater host: one screen-sized, topmost, colour-keyed window
// per process that carries every Floater (pinned image), its label, the
// highlight frame and the drop icon. Loaded on first use, unloaded by "Quit".
#pragma once
#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/App_win.h"
#include "app/Window_win.h"
#include "floaters/DropQueue.h"
#include "floaters/FloaterBook.h"
#include "floaters/FloaterParts_win.h"
#include "floaters/FloaterZoom.h"
#include "gfx/Handles_win.h"
#include "overlay/Selection.h"

namespace vellumo::win {

class Hoverdeck;

// The host's timer that takes the zoom and opacity percentages off the Floaters.
inline constexpr UINT_PTR kBadgeTimer = 3;

inline constexpr COLORREF kKeyColorRef = RGB(kKeyColour.r, kKeyColour.g, kKeyColour.b);

// The loaded host, loading a fresh one (hidden, no Floaters, next index 1)
// when there is none; its first load also loads the settings window (the
// hotkey and the tray icon). Null only if the window cannot be created.
Hoverdeck* LoadHoverdeck();
// The host window alone: the settings come with ShowPinned, once no capture
// overlay covers the messages they may show.
Hoverdeck* LoadHoverdeckWindow();
// The loaded host, or null.
Hoverdeck* LoadedHoverdeck();

// The title of any window, at most 255 characters.
std::wstring HwndToTitle(HWND w);

class Hoverdeck : public Window<Hoverdeck>, public Disposable {
public:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    void OnDestroyed() override;

    // The pin contract with the capture output: a Floater at the next index
    // made from the capture's own bitmap, handed over, not copied. False,
    // with the reason in `why`, when it cannot be made; nothing is left then.
    bool PinCapture(unique_hbitmap bitmap, std::wstring& why);
    // After a pin, once the overlay is gone: the host shown, on top, its
    // keeper running, and on its first load the settings applied.
    void ShowPinned();
    // A Floater from an image file; `index` is the next index as text.
    // Tells the user when it cannot be made; true when it was.
    bool OpenImageFile(const std::wstring& index, const std::wstring& path);
    void wintop_Click();
    void Show();
    void Hide();
    // Timer1, the topmost keeper.
    void SetKeeper(bool on);
    // Translucent mode: the whole host at `alpha` opacity, background included.
    void SetHostAlpha(BYTE alpha);
    // Back to normal: the key colour invisible and click-through again.
    void Command5_Click();
    void savepic_Click();
    const std::wstring& transparencyFlag() const { return book_.transparencyFlag; }
    const FloaterBook& book() const { return book_; }

    // Events of the child elements.
    void Picture1_MouseDown(int n, MouseButton button, Point local);
    void Picture1_MouseMove(int n, WPARAM keys, Point local);
    void Picture1_DblClick(int n);
    void Picture1_DropFiles(HDROP drop);
    void Text1_MouseMove(int n, WPARAM keys, Point local);
    void getimg_MouseMove(WPARAM keys);
    void getimg_MouseDown(MouseButton button);
    void getimg_DropFiles(HDROP drop);

    // The wheel over a Floater (FloaterWheel_win.cpp): zoom, or with Ctrl
    // its own opacity. `wp` and `lp` are WM_MOUSEWHEEL's.
    void Floater_Wheel(WPARAM wp, LPARAM lp);
    // Floater n's zoom, opacity and badge; null for one never wheeled.
    const FloaterScale* ScaleOf(int n) const;

private:
    friend Hoverdeck* LoadHoverdeckWindow();
    friend Hoverdeck* LoadHoverdeck();
    Hoverdeck() = default;
    bool Form_Load();
    // The stored hotkey option, read at the host's first load.
    void ApplyStoredSettings();
    // The drops waiting in dropQueue_, one at a time.
    void TakeDrops();
    // A limit stops the drop at `path`: told once, the waiting files dropped.
    void TellNoRoom(FloaterRoom room, const std::wstring& path);
    void BuildMenus();
    void Form_Paint();
    void ctime_Timer();
    void Timer1_Timer();
    void ImgMenu(int command);
    void CddMenu(int command);
    int PopupAtPointer(HMENU menu);

    // Makes Floater n (n = the next index) around `bitmap`; false leaves nothing behind.
    bool AddFloater(unique_hbitmap bitmap);
    // The drop icon above every Floater, where it can always be reached.
    void RaiseDropIcon();
    void ApplyFloater(int n);
    void RemoveFloater(int n);
    void InvalidateFrame();
    // Floater n shown at its own opacity times the host's translucency.
    void ApplyOwnOpacity(int n);
    void ApplyAllOwnOpacities();
    void HideBadges();
    std::optional<int> FloaterAt(Point screen) const;
    Size MeasureLabelText(const std::wstring& text);
    void Tell(const std::wstring& text);

    Size screen_{};
    FloaterBook book_;
    std::map<int, std::unique_ptr<FloaterPicture>> Picture1;
    std::map<int, std::unique_ptr<FloaterLabel>> Text1;
    std::map<int, FloaterScale> scales_;
    DropIcon getimg;
    unique_hmenu imgmenu;
    unique_hmenu cdd;
    unique_hbrush keyBrush_;
    unique_hfont labelFont_;
    Rect paintedFrame_{};  // Shape1 as last invalidated
    std::wstring lastSaveName_;
    DropQueue dropQueue_;
    bool settingsApplied_ = false;
};

}  // namespace vellumo::win

// The Floater host: one screen-sized, topmost, colour-keyed window
// per process that carries every Floater (pinned image), its label, the
// highlight frame and the drop icon. Loaded on first use, unloaded by "Quit".
#pragma once
#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "gfx/MessageLoop_win.h"
#include "gfx/MonitorLayout.h"
#include "gfx/PixelPlane.h"
#include "gfx/Window_win.h"
#include "floaters/DropQueue.h"
#include "floaters/FloaterBook.h"
#include "floaters/FloaterParts_win.h"
#include "floaters/FloaterStack.h"
#include "floaters/FloaterTurn.h"
#include "floaters/FloaterZoom.h"
#include "gfx/Handles_win.h"
#include "gfx/StartCapture_win.h"
#include "output/Clipboard_win.h"

namespace vellumo::win {

class FloaterHost;

inline constexpr COLORREF kKeyColorRef = RGB(kKeyColour.r, kKeyColour.g, kKeyColour.b);

// What the Floater host tells the coordinator (app/).
class FloaterHostEvents : public StartCaptureListener {
public:
    // The host is in use (a Floater shows, or the tray menu loaded it): the
    // first time per host, the settings window (the hotkey and the tray
    // icon) is loaded and its stored option applied.
    virtual void OnFloaterHostInUse() = 0;
    // The host's window is gone ("Quit"); the object may be freed once its
    // handlers have returned.
    virtual void OnFloaterHostClosed(FloaterHost& host) = 0;
    // A Floater was made from a dropped file: its pixels, alive for the call only.
    virtual void OnFloaterFromFile(const PixelPlane& pixels) = 0;
    // "Draw" on Floater n: its picture at 100% (alive for the call only), to
    // be shown with its top-left at `at` (virtual-screen pixels). What is
    // kept comes back through KeepDrawing.
    virtual void OnDrawOnFloater(int n, HBITMAP picture, Point at) = 0;
    // Something the user sees of the Floaters changed (one made, moved,
    // zoomed, faded, folded, reordered; the translucency): called at every
    // step of a drag, so a listener gathers them.
    virtual void OnFloatersChanged(FloaterHost& host) = 0;
    // Floater n's picture was replaced (PictureReplaced): what was kept of
    // the old one no longer stands for it.
    virtual void OnFloaterPictureChanged(FloaterHost& host, int n) = 0;
    // Floater n is about to be deleted by the user; it is still all there.
    virtual void OnFloaterClosing(FloaterHost& host, int n) = 0;
    // "Reopen closed Floater" on a Floater's menu.
    virtual void OnReopenClosedFloaterAsked() = 0;

protected:
    ~FloaterHostEvents() = default;
};

// The title of any window, at most 255 characters.
std::wstring WindowTitle(HWND w);

class FloaterHost : public Window<FloaterHost>, public Disposable, public FloaterPartsHost {
public:
    explicit FloaterHost(FloaterHostEvents& events) : events_(events) {}
    // Creates the window: hidden, no Floaters, next index 1. False if the
    // system refuses it.
    bool Load() { return CreateWindows(); }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    void OnDestroyed() override;

    // Whether a pin can make a Floater (an index is left); else `why` says.
    bool CanPin(std::wstring& why) const;
    // The pin contract with the capture output: a Floater at the next index
    // made from the capture's own bitmap, handed over, not copied. A capture's
    // pin has promised the clipboard a bitmap for this host
    // (PromiseBitmapOnClipboard); the Floater's picture keeps that promise. A
    // pin of the clipboard's own picture promises nothing: the clipboard is
    // then not the host's, and the promise is let go untouched.
    // False, with the reason in `why`, when it cannot be made; nothing is
    // left then, the promise is withdrawn and the bitmap is still the
    // caller's. The Floater is centred on `monitor` (virtual-screen
    // coordinates), by default the primary.
    bool PinCapture(unique_hbitmap&& bitmap, std::wstring& why, std::optional<Rect> monitor = std::nullopt);
    // After a pin: the host shown, on top, its keeper running; then, once
    // the Floater shows (FinishPinAtIdle), the promised copy put on the
    // clipboard and on the host's first load the settings applied. A caller
    // that shows the host before the overlay goes finishes the pin itself,
    // after the overlay's own idle work: the settings may show a message,
    // which must not wait behind nor sit under the overlay.
    void ShowPinned(bool finishAtIdle = true);
    void FinishPinAtIdle();
    // Paints the host and its Floaters at once, once the pinned picture is
    // complete. Under Wine the window just shown is exposed, and an expose
    // handled before the paint puts the host's unpainted (black) pixels on
    // the screen for a moment: a blink where the Floater comes.
    void PaintPinned();
    // A Floater from an image file; `index` is the next index as text.
    // Tells the user when it cannot be made; true when it was.
    bool OpenImageFile(int index, const std::wstring& path);
    void BringToTop();
    // Shown, first following any change of the monitors since the host last looked.
    void Show();
    void Hide();
    // The topmost keeper: raises the host over other programs' windows now and then.
    void SetKeeper(bool on);
    // Translucent mode: the whole host at `alpha` opacity, background included.
    void SetHostAlpha(BYTE alpha);
    // Back to normal: the key colour invisible and click-through again.
    void BackToNormal();
    void SaveFloater();
    // What was drawn on Floater n: `drawn` lands with its top-left at `at`
    // in the picture (virtual-screen pixels, as OnDrawOnFloater gave them),
    // cut to the picture. The old picture is kept for "Undo drawing".
    void KeepDrawing(int n, const Dib& drawn, Point at);
    // Every Floater takes the pointer again ("Take clicks again").
    void TakeClicksAgain();
    bool translucent() const { return book_.translucent; }
    const FloaterBook& book() const override { return book_; }
    const FloaterStack& stack() const { return stack_; }
    // Floater n's picture; null for no such Floater.
    HBITMAP PictureOf(int n) const;
    // The host's top-left on the virtual screen: the origin of the book's rectangles.
    Point origin() const { return {monitors_.virtualBounds().left, monitors_.virtualBounds().top}; }
    // A kept Floater brought back in front of the others (HostRestore_win.cpp):
    // its place (or, with none, centred on the primary), moved onto the
    // nearest monitor when none shows it, its zoom, own opacity and fold;
    // no highlight frame. Its index, or nothing (the bitmap then still the caller's).
    std::optional<int> RestoreFloater(unique_hbitmap&& bitmap, std::optional<Point> topLeft, int zoom, int opacity,
                                      bool collapsed);
    // To be called once Floater n shows another picture (a rotation, a
    // drawing): what was kept of the old one is written anew.
    void NotePictureReplaced(int n) {
        events_.OnFloaterPictureChanged(*this, n);
        NoteChanged();
    }

    // What the parts tell the host (FloaterPartsHost).
    void OnFloaterMouseDown(int n, MouseButton button, Point local) override;
    void OnFloaterMouseMove(int n, WPARAM keys, Point local) override;
    void OnFloaterDoubleClick(int n) override;
    void OnFloaterDropFiles(HDROP drop) override;
    void OnLabelMouseMove(int n, WPARAM keys, Point local) override;
    void OnDropIconMouseMove(WPARAM keys) override;
    void OnDropIconMouseDown(MouseButton button) override;
    void OnDropIconMoved() override { ApplyShape(); }
    void OnDropIconDropFiles(HDROP drop) override;
    // The wheel over a Floater (FloaterWheel_win.cpp): zoom, or with Ctrl
    // its own opacity. `wp` and `lp` are WM_MOUSEWHEEL's.
    void OnFloaterWheel(WPARAM wp, LPARAM lp) override;
    // Floater n's zoom, opacity and badge; null for one never wheeled.
    const FloaterScale* ScaleOf(int n) const override;
    // The DPI the host's own parts are drawn for (its primary monitor's),
    // and the zoom badge's font at it.
    int dpi() const override { return dpi_; }
    HFONT BadgeFont() const override;
    // A key the host or a Floater received (HostWork_win.cpp).
    bool OnFloaterKey(WPARAM key, LPARAM flags) override;
    bool LetsClicksThrough(int n) const override { return clickThrough_.contains(n); }

private:
    bool CreateWindows();
    // The drops waiting in dropQueue_, one at a time.
    void TakeDrops();
    // A limit stops the drop at `path`: told once, the waiting files dropped.
    void TellNoRoom(FloaterRoom room, const std::wstring& path);
    void BuildMenus();
    void OnPaint();
    void AfterPinShown();
    // The promised copy put on the clipboard: asked for by a program, on the
    // host's own time (retried while another program holds the clipboard), or
    // last, before its Floater or the host goes.
    void KeepPromise(PromiseMoment moment, UINT asked = 0);
    void DropPromise();
    void OnFlashTick();
    void OnKeeperTick();
    void OnFloaterMenu(int command);
    // The menu's entries that depend on the Floater it opens on.
    void UpdateFloaterMenu(int n);
    // The commands on one Floater, from its menu or its keys (HostWork_win.cpp).
    void CopyFloater(int n);
    void SaveFloaterAt(int n);
    void DrawOnFloater(int n);
    void TurnFloater(int n, Turn turn);
    void UndoDrawing(int n);
    void LetClicksThrough(int n, bool through);
    // The one way a Floater's picture is replaced (turned, drawn on, drawing
    // undone): the same centre, at its zoom. Hands back the picture it replaced.
    unique_hbitmap ReplacePicture(int n, unique_hbitmap&& picture);
    // "Lowest": Floater n behind every other, however it is shown.
    void SendToBack(int n);
    void OnDropIconMenu(int command);
    int PopupAtPointer(HMENU menu);

    // Makes Floater n (n = the next index) around `bitmap`, centred on
    // `monitor` (virtual-screen coordinates; the primary when none); false
    // leaves nothing behind and the bitmap with the caller.
    bool AddFloater(unique_hbitmap&& bitmap, std::optional<Rect> monitor = std::nullopt);
    // The drop icon above every Floater, where it can always be reached.
    void RaiseDropIcon();
    // Floater n's window put where the stack has it among the windows shown
    // the same way (the host's children, or popups): right behind the one in
    // front of it, else in front of them all.
    void PlaceInStack(int n, UINT flags = 0);
    // Each Floater shown apart leaves out what lies in front of it in the host.
    void ApplyApartCuts(const Rect& dropIcon);
    // After a display change (or one found on show): the host over the new
    // virtual screen, every Floater back on a monitor, the drop icon in the
    // primary's top-right corner.
    void FollowDisplays();
    void ApplyFloater(int n);
    void RemoveFloater(int n);
    void NoteChanged() { events_.OnFloatersChanged(*this); }
    void InvalidateFrame();
    // Floater n shown at its own opacity times the host's translucency.
    void ApplyOwnOpacity(int n);
    void ApplyAllOwnOpacities();
    void HideBadges();
    std::optional<int> FloaterAt(Point screen) const;
    // The Floaters shown as popups of their own (below full opacity), which
    // the host's shape leaves out.
    std::vector<int> FloatersApart() const;
    // The host's window region: what HostShape says shows, and nothing else.
    void ApplyShape();
    // A new Floater's frame, held back until its picture shows.
    void ShowWaitingFrame();
    Size MeasureLabelText(const std::wstring& text);
    // Labels, badge, frame and drop icon sized for `dpi`; the host keeps
    // covering the screen at its true pixels, and so do the pictures.
    void SetDpi(int dpi);
    void Tell(const std::wstring& text);

    // The timer that retries a promised clipboard copy.
    static constexpr UINT_PTR kPromiseTimer = 3;
    // The timer that takes the zoom and opacity percentages off the Floaters.
    static constexpr UINT_PTR kBadgeTimer = 4;
    FloaterHostEvents& events_;
    // The monitors when the host was made. The host covers their virtual
    // screen: its coordinates are the virtual screen's less its top-left.
    MonitorLayout monitors_ = MonitorLayout::Single({0, 0});
    Size screen_{};  // the host's size: the virtual screen's
    FloaterBook book_;
    FloaterStack stack_;
    std::map<int, std::vector<Rect>> apartCuts_;  // as last applied to each popup
    std::map<int, std::unique_ptr<FloaterPicture>> pictures_;
    std::map<int, std::unique_ptr<FloaterLabel>> labels_;
    std::map<int, FloaterScale> scales_;
    // Each Floater's picture before its last drawing was kept.
    std::map<int, unique_hbitmap> beforeDrawing_;
    // The Floaters that let the pointer through to the windows below.
    std::set<int> clickThrough_;
    DropIcon dropIcon_;
    unique_hmenu floaterMenu_;
    unique_hmenu dropIconMenu_;
    unique_hbrush keyBrush_;
    unique_hfont labelFont_;
    unique_hfont badgeFont_;  // none while the stock font is already the right size
    int dpi_ = 96;
    Rect paintedFrame_{};  // the highlight frame as last invalidated
    int paintedFrameWidth_ = kFrameWidth;
    std::optional<std::vector<Rect>> shape_;  // the region as last applied
    bool frameWaits_ = false;
    std::wstring lastSaveName_;
    DropQueue dropQueue_;
    // The Floater whose picture the clipboard was promised, until it is there.
    std::optional<int> promisedCopy_;
    int promiseTries_ = 0;
    PromisedFormats owed_;
};

}  // namespace vellumo::win

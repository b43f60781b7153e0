// CaptureOverlay, the full-screen capture overlay: one load per capture. It freezes
// the screen, highlights the window under the pointer, lets the user drag or
// resize the selection, and hands the selected region over in Rect.
#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "history/HistoryRules.h"
#include "annotate/Annotator_win.h"
#include "gfx/Dib_win.h"
#include "gfx/HelperThread_win.h"
#include "gfx/MessageLoop_win.h"
#include "gfx/MonitorLayout.h"
#include "gfx/Window_win.h"
#include "gfx/Handles_win.h"
#include "gfx/StartCapture_win.h"
#include "gfx/TimedText.h"
#include "output/Clipboard_win.h"
#include "output/SaveRules.h"
#include "overlay/KeyActions.h"
#include "overlay/OverlayParts_win.h"
#include "overlay/PickList.h"
#include "overlay/Selection.h"
#include "overlay/Surface_win.h"
#include "overlay/Toolbar_win.h"

namespace vellumo::win {

// The overlay's timer that takes the "copied" note off the magnifier.
inline constexpr UINT_PTR kColourNoteTimer = 4;
class CaptureOverlay;

// A pin the overlay hands to the coordinator, which makes the Floater: the
// selection's picture (its bitmap is taken by the Floater), where it was, and
// the overlay's two steps the coordinator calls in their place.
struct PinRequest {
    Dib& picture;
    Rect monitor;   // the monitor that held (most of) the selection, virtual-screen
    Rect onScreen;  // the selection on the virtual screen
    // The picture's pixels, copied on a helper thread, are all there.
    std::function<void()> joinPixels;
    // The overlay off the screen, ended at idle.
    std::function<void()> endCapture;
};
// What came of it: pinned, or else the overlay stays and tells why.
struct PinAnswer {
    bool pinned = false;
    std::optional<ClipboardResult> clipboard;  // the clipboard refused the pin's copy
    std::wstring why;                          // otherwise what stopped it
};

// What the overlay tells the coordinator (app/), and asks of it.
class CaptureEvents : public StartCaptureListener {
public:
    // Ctrl+Shift+C held: this capture ends and a fresh one starts.
    virtual void OnRestartCaptureHeld() = 0;
    // Pin the selection as a Floater (the coordinator owns the Floater host).
    virtual PinAnswer OnPinRequested(PinRequest& request) = 0;
    // The overlay's window is gone; the object may be freed once its
    // handlers have returned.
    virtual void OnCaptureClosed(CaptureOverlay& overlay) = 0;
    // A quick save wrote `path` and the capture has ended: the user is told
    // where the file went.
    virtual void OnQuickSaved(const std::wstring& path) = 0;
    // The capture is closing with `frame` (virtual-screen pixels) selected:
    // the region a "last region" capture selects again.
    virtual void OnSelectionKept(const Rect& frame) = 0;
    // A capture left by copy or save, marks included: its picture, handed
    // over (the overlay keeps no use of it), and where it was on the
    // virtual screen.
    virtual void OnCaptureLeft(SharedPixels picture, const Rect& onScreen, history::LeftBy how) = 0;

protected:
    ~CaptureEvents() = default;
};

class CaptureOverlay : public Window<CaptureOverlay>, public Disposable {
public:
    explicit CaptureOverlay(CaptureEvents& events);
    // Freezes the screen and shows the overlay. False, the user told, when
    // there is no memory for the freeze.
    bool Load();
    // Selects `frame` (virtual-screen pixels, cut to the screen) as a drag
    // there would, the toolbar shown; nothing when none of it is on screen.
    void Preselect(const Rect& frame);
    // Before Load: the capture is for drawing on `picture` (a Floater's),
    // shown over the frozen screen with its top-left at `at` (virtual-screen
    // pixels). The pin button and Enter then keep the drawing: `keep` gets
    // the selection as drawn and where it lies on the virtual screen, and
    // the capture ends; Esc ends it with nothing kept.
    using KeepDrawing = std::function<void(const Dib& drawn, const Rect& onScreen)>;
    void DrawOn(HBITMAP picture, Point at, KeepDrawing keep);

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

    // Overlay operations; the names are those the rest of the program uses.
    void RedrawDimming();
    void BackToDetection();
    void EndCapture();
    // Off the screen now, ended at idle: for a pin, whose Floater should not
    // wait for the teardown of the overlay's parts.
    void EndCaptureAtIdle();
    // The selection's picture; `inBackground` copies its pixels on a helper
    // thread, there once selectionCopy_ is joined.
    void CopySelectionPicture(bool inBackground = false);
    void PlaceSizeHandles();
    const Dib& SelectionPicture() const { return selectionPicture_; }
    const Selection& selection() const { return sel_; }

    // The toolbar's actions: copy, pin, save. Each takes the selection as it
    // shows and ends the capture; a failure leaves the overlay open.
    void CopySelection();
    void PinSelection();
    void SaveSelection();
    // Ctrl+Shift+S: saved with no dialog into the quick-save folder.
    void QuickSaveSelection();
    // For a drawing on a picture (DrawOn): hands the selection to its keeper.
    void KeepDrawnPicture();

    // The toolbar's drawing side: tools, colour, font.
    void ChooseTool(int index);
    void ChooseColour(OleColor colour);
    void PickMoreColours();
    void PickFont();
    void CommitText();

    void OnDestroyed() override;

private:
    bool CreateWindows();
    bool Init();
    void OnClosing();
    // True when the key did something (a system key that did not goes on
    // to the system).
    bool OnKeyDown(WPARAM keyCode, LPARAM flags);
    // The keyboard's side of the overlay (OverlayKeys_win.cpp).
    KeyFocus FocusForKeys() const;
    void MoveFrameByKeys(const Rect& frame);
    void MovePointerByKeys(int dx, int dy);
    void StepMarks(bool redo);
    void CopyColourUnderPointer(bool asList);
    void HideColourNote();
    void OnMouseDown(MouseButton button, Point p);
    void OnMouseMove(WPARAM keys, Point p);
    void OnMouseUp(MouseButton button, Point p);
    void OnWheel(WPARAM wp, LPARAM lp);
    // True when the chosen tool's cursor was set (over the selection).
    bool OnSetCursor(HWND over, UINT hitTest);
    void OnDetectionTick();
    void OnRestartChordTick();
    void CreateDrawingObjects();
    void EnsureChildren();
    void LoadDeferred();
    void OnPaint();

    // The selection's part on the screen (a frame may reach past its edges).
    Rect SelectionOnScreen() const;
    // SetRect for an output action; false, with the user told, when the
    // selection is empty or the memory for its image cannot be had.
    bool RenderSelection(OutputAction action, bool inBackground = false);
    // The rendered selection, given up to whoever keeps it next.
    SharedPixels HandOverSelectionPicture();
    // Whether the clipboard took Rect (or a promise of it); the user is told
    // why when it did not.
    bool ClipboardTaken(ClipboardResult result, OutputAction action);
    void Tell(const std::wstring& text);
    void Apply(const Changes& c);
    void FollowFrameDpi();
    void OnDpiChanged();
    void RefreshFrame();
    void Readout(Point p);
    Canvas ToolCanvas();
    Tool CurrentTool() const { return sel_.tool(); }

    // The pointer in the overlay's coordinates; false when it cannot be read.
    bool PointerOnOverlay(Point& at) const;

    CaptureEvents& events_;
    // The monitors in virtual-screen coordinates. The overlay covers the
    // virtual screen, so its client coordinates (and the frozen picture's)
    // are these less the virtual screen's top-left.
    MonitorLayout monitors_ = MonitorLayout::Single({0, 0});
    int screenWidth_ = 0;   // the virtual screen's
    int screenHeight_ = 0;
    Selection sel_{{0, 0}};
    PickList picks_;
    OverlaySurface surface_;
    Dib selectionPicture_;  // the hidden picture Rect: the selection handed to output
    // Fills selectionPicture_ for a pin; declared after both pictures, so it
    // is joined before either goes.
    HelperThread selectionCopy_;

    unique_gp_graphics surfaceGraphics_;
    unique_gp_path clipPath_;

    std::array<SizerHandle, kHandleCount> sizeHandles_;
    Magnifier magnifier_;
    Toolbar toolbar_;
    Annotator annotator_;
    PointerCapture dragCapture_;
    // The frame as last painted, to erase its old border when it moves.
    Rect paintedFrame_{};
    int paintedBorder_ = kDetectBorder;
    // "copied" in the magnifier's colour line after a colour copy.
    TimedText colourNote_;
    // What a high-resolution wheel turned short of a whole notch.
    int wheelRest_ = 0;
    // Drawing on a picture (DrawOn): the picture, until the freeze takes it,
    // where it goes, and who keeps the result.
    HBITMAP drawnPicture_ = nullptr;
    Point drawnPictureAt_{};
    KeepDrawing keepDrawing_;
    bool drawingOnPicture_ = false;
};

}  // namespace vellumo::win

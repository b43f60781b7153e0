// ScrShot, the full-screen capture overlay: one load per capture. It freezes
// the screen, highlights the window under the pointer, lets the user drag or
// resize the selection, and hands the selected region over in Rect.
#pragma once
#include <windows.h>

#include <array>
#include <memory>

#include "annotate/Annotator_win.h"
#include "app/App_win.h"
#include "app/Window_win.h"
#include "gfx/Handles_win.h"
#include "gfx/TimedText.h"
#include "output/SaveRules.h"
#include "overlay/KeyActions.h"
#include "overlay/Parts_win.h"
#include "overlay/PickList.h"
#include "overlay/Selection.h"
#include "overlay/Surface_win.h"
#include "overlay/Toolbar_win.h"

namespace vellumo::win {

// The overlay's timer that takes the "copied" note off the magnifier.
inline constexpr UINT_PTR kColourNoteTimer = 4;

class ScrShot : public Window<ScrShot>, public Disposable {
public:
    // Loads and shows a new overlay (a fresh freeze), unloading any earlier
    // one. False, the user told, when there is no memory for the freeze.
    static bool ShowCapture();
    // Unloads the overlay if one is loaded.
    static void UnloadCapture();
    static ScrShot* Current();

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

    // Overlay operations; the names are those the rest of the program uses.
    void DrawAlphaClip();
    void ReLoad();
    void Exi_Click();
    void SetRect();
    void MS();
    const Dib& RectPicture() const { return rectPicture_; }
    const Selection& selection() const { return sel_; }

    // The toolbar's actions: copy, pin, save. Each takes the selection as it
    // shows and ends the capture; a failure leaves the overlay open.
    void Image1_Click();
    void pinimg_Click();
    void savepic_Click();

    // The toolbar's drawing side: tools, colour, font.
    void Draw_Click(int index);
    void Cols_Click(OleColor colour);
    void MoreC_Click();
    void Sets_Click();
    void CommitText();

    void Si_MouseDown(int index, MouseButton button, Point local);
    void Si_MouseMove(int index, bool leftHeld, Point local);
    void OnDestroyed() override;

private:
    ScrShot() = default;
    bool Form_Load();
    bool Init();
    void Form_Unload();
    void Form_KeyDown(WPARAM keyCode);
    // The keyboard's side of the overlay (OverlayKeys_win.cpp).
    KeyFocus FocusForKeys() const;
    void MoveFrameByKeys(const Rect& frame);
    void MovePointerByKeys(int dx, int dy);
    void StepMarks(bool redo);
    void CopyColourUnderPointer(bool asList);
    void HideColourNote();
    void Form_MouseDown(MouseButton button, Point p);
    void Form_MouseMove(WPARAM keys, Point p);
    void Form_MouseUp(MouseButton button, Point p);
    void Pos_Timer();
    void HotKey_Timer();
    void StartGdiPlusSession();
    void EnsureChildren();
    void LoadDeferred();
    void OnPaint();

    // The selection's part on the screen (a frame may reach past its edges).
    Rect SelectionOnScreen() const;
    // SetRect for an output action; false, with the user told, when the
    // selection is empty or the memory for its image cannot be had.
    bool RenderSelection(OutputAction action);
    // Puts Rect on the clipboard, or tells the user why it could not.
    bool CopyRectToClipboard(OutputAction action);
    void Tell(const std::wstring& text);
    void Apply(const Changes& c);
    void RefreshFrame();
    void Readout(Point p);
    Canvas ToolCanvas();
    Tool CurrentTool() const { return static_cast<Tool>(sel_.ToolMode); }

    int ScreenW = 0;
    int ScreenH = 0;
    Selection sel_{{0, 0}};
    PickList picks_;
    OverlaySurface surface_;
    Dib rectPicture_;  // the hidden picture Rect: the selection handed to output

    ULONG_PTR gdiPlusToken_ = 0;
    unique_gp_graphics OverlayGraphics;
    unique_gp_path ClipPath;

    std::array<SizerHandle, kHandleCount> Si;
    Magnifier Va;
    ToolsPanel Tools;
    Annotator tools_;
    PointerCapture formCapture_;
    // The frame as last painted, to erase its old border when it moves.
    Rect paintedFrame_{};
    int paintedBorder_ = kDetectBorder;
    // "copied" in the magnifier's colour line after a colour copy.
    TimedText colourNote_;
};

}  // namespace vellumo::win

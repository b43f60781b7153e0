// The annotation tools at work on the capture overlay: the stroke from press
// to release, the rubber-band previews (a shape and an arrow) painted over the
// surface, the text box textBox_, and the colour and font the marks use. What
// is being drawn and what a release commits is decided by MarkInProgress;
// this paints it and draws the marks.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "annotate/Annotate.h"
#include "annotate/MarkInProgress.h"
#include "annotate/Marks_win.h"
#include "gfx/Dib_win.h"
#include "gfx/Geometry.h"
#include "gfx/Handles_win.h"
#include "gfx/Subclass_win.h"

namespace vellumo::win {

// What the tools draw on: the overlay's surface, and the clean frozen screen
// the eraser paints back. Implemented by the overlay's surface.
class DrawingSurface {
public:
    virtual const Dib& surface() const = 0;
    virtual const Dib& frozenScreen() const = 0;
    // The tools drew over r; the overlay's next redraw wipes it.
    virtual void MarkDrawn(const Rect& r) = 0;
    // The undo history: a tool is about to paint into `box` (kept as it is
    // now), and the mark it belongs to is finished.
    virtual void BeforeMark(const Rect& box) = 0;
    virtual void EndMark() = 0;
    // The marks now applied (undone ones not counted).
    virtual std::size_t MarksApplied() const = 0;

protected:
    ~DrawingSurface() = default;
};

// What the overlay lends the tools for one event.
struct Canvas {
    HWND window;
    gp::GpGraphics* graphics;  // surfaceGraphics_; null without GDI+
    DrawingSurface& surface;
    Rect frame;  // the selection frame
};

// The toolbar's width and opacity at the press.
struct StrokeStyle {
    float width;
    float alpha;
};

class Annotator {
public:
    // What the annotator tells the overlay that owns it.
    struct Events {
        // Enter was pressed in the text box: its text is to be printed.
        std::function<void()> textEntered;
    };

    explicit Annotator(Events events = {});
    ~Annotator();
    Annotator(const Annotator&) = delete;
    Annotator& operator=(const Annotator&) = delete;

    // OnMouseDown / OnMouseMove / OnMouseUp with a tool chosen and a
    // selection made (the move also for the eraser's circle without a button).
    void MouseDown(Canvas& c, Tool tool, Point p, const StrokeStyle& style);
    void MouseMove(Canvas& c, Tool tool, Point p, bool leftHeld);
    void MouseUp(Canvas& c, Tool tool);

    // `tool` was chosen with the pointer at p (the eraser's circle shows at once).
    void ToolChosen(Canvas& c, Tool tool, Point p, float width);
    // Whether moves without a button concern `tool` (the eraser's circle).
    bool FollowsPointer(Tool tool) const { return mark_.FollowsPointer(tool); }
    // `tool`'s option turned over (the text tool's box): whether it is on now.
    bool ToggleOption(Tool tool) { return mark_.ToggleOption(tool); }

    // Prints pending text onto the surface and hides textBox_; nothing when hidden.
    void CommitText(Canvas& c);
    // The selection was discarded: previews and pending text go.
    void Discard(HWND window);

    // The current colour: the marks' and the text box's.
    void SetColour(OleColor c);
    OleColor colour() const { return colour_; }
    // Font dialog on the overlay's font; false when cancelled.
    bool AskFont(HWND owner);
    // Colour dialog starting at the current colour; false when cancelled.
    bool AskColour(HWND owner);

    // After the surface is painted: the shape and arrow previews where visible.
    void PaintPreviews(HDC dc) const;
    // WM_CTLCOLOREDIT for textBox_; null for other controls.
    HBRUSH ColourEdit(HWND edit, HDC dc) const;
    bool IsTextBox(HWND w) const { return w && w == textBox_; }

private:
    void EnsureTextBox(HWND overlay);
    void OpenTextBox(const Rect& frame);
    LRESULT OnTextBoxMessage(UINT msg, WPARAM wp, LPARAM lp);
    void ApplyFont();
    void Invalidate(const Rect& r) const;
    // Invalidates what one event gathered, when the event's handler returns.
    struct Repaint {
        const Annotator& owner;
        HWND window;
        ~Repaint();
    };
    void InvalidatePreview() const;
    void Drawn(Canvas& c, const Rect& r) const;
    void DrawCommitted(Canvas& c, const Released& r);
    // The canvas as the portable tools paint on it.
    class Target;

    mutable std::vector<Rect> pending_;  // areas to repaint, gathered during one event
    OleColor colour_ = kStartColor;
    LOGFONTW font_{};
    unique_hfont hfont_;

    Events events_;
    MarkInProgress mark_;
    bool textOnPlate_ = false;  // the open text box prints on a filled box
    std::optional<uint32_t> pressArgb_;  // the pen's colour and opacity, from a press to its release
    HWND textBox_ = nullptr;  // child of the overlay, destroyed with it
    // Enter prints the text, and a drag with the left button moves the box.
    SubclassGuard textBoxHook_;
};

}  // namespace vellumo::win

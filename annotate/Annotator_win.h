// The annotation tools at work on the capture overlay: the stroke from press
// to release, the rubber-band previews (a shape and an arrow) painted over the
// surface, the text box textBox_, and the colour and font the marks use.
#pragma once
#include <windows.h>

#include "annotate/Annotate.h"
#include "annotate/Marks_win.h"
#include "gfx/Geometry.h"
#include "gfx/Handles_win.h"
#include "gfx/Dib_win.h"

namespace vellumo::win {

// Posted by textBox_ to the overlay when Enter is pressed in it: commit the text.
inline constexpr UINT WM_COMMITTEXT = WM_APP + 20;

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
    Annotator();
    ~Annotator();
    Annotator(const Annotator&) = delete;
    Annotator& operator=(const Annotator&) = delete;

    // OnMouseDown / OnMouseMove / OnMouseUp with a tool chosen and a
    // selection made (the move also for the eraser's circle without a button).
    void MouseDown(Canvas& c, Tool tool, Point p, const StrokeStyle& style);
    void MouseMove(Canvas& c, Tool tool, Point p, bool leftHeld);
    void MouseUp(Canvas& c, Tool tool);

    // The eraser's circle at p as soon as the eraser is chosen.
    void ShowEraserCircle(Canvas& c, Point p, float width);

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
    enum class Shape { None, Rectangle, Oval };
    void MovePreview(Shape shape, const Rect& r, COLORREF colour, int width);
    void HidePreview();
    void MoveArrow(Point a, Point b);
    void HideArrow();
    void EnsureTextBox(HWND overlay);
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
    static LRESULT CALLBACK TextBoxProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);

    mutable unique_hrgn pending_;  // areas to repaint, gathered during one event
    OleColor colour_ = kStartColor;
    LOGFONTW font_{};
    unique_hfont hfont_;

    // shapePreview_: the rubber band of rectangle, ellipse and text, and the eraser's circle.
    Shape sapShape_ = Shape::None;
    Rect shapePreview_{};
    COLORREF sapColour_ = 0;
    int sapWidth_ = 1;
    // The arrow's rubber band.
    bool arrVisible_ = false;
    Point arrA_{}, arrB_{};
    COLORREF arrColour_ = 0;
    int arrWidth_ = 1;

    unique_gp_pen toolPen_;
    float penWidth_ = 0;
    EraserStroke eraser_;
    Point strokeStart_{};
    Point printPos_{};
    HWND textBox_ = nullptr;  // child of the overlay, destroyed with it
    WNDPROC textBoxDefault_ = nullptr;
    Point grabOffset_{};
};

}  // namespace vellumo::win

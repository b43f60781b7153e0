// The overlay's selection: the frame Sqr, the eight sizer handles sizeHandles_(0)..sizeHandles_(7),
// the toolbar's place, and the modes a capture moves through. Every pointer
// event of the overlay becomes one call here; the Win32 layer only applies the
// returned Changes (redraw, show or hide the toolbar, pointer capture).
#pragma once
#include <array>

#include "annotate/Annotate.h"
#include "gfx/Geometry.h"
#include "gfx/MonitorLayout.h"

namespace vellumo {

enum class Mode {
    Detecting,  // no selection; the frame follows the window under the pointer
    Pressed,    // left button down, the pointer still within the drag threshold: a click
    Dragging,   // a new frame is being drawn from the press point
    Selected,   // selection complete: handles and toolbar shown
};


inline constexpr Size kHandleSize{6, 6};
// The toolbar's size, as its layout gives it.
inline constexpr Size kToolsSize = kToolbarSize;
inline constexpr int kHandleCount = 8;
inline constexpr int kDetectBorder = 4;  // frame border while detecting or dragging
inline constexpr int kSelectedBorder = 1;
inline constexpr int kToolsGap = 5;
// The system's drag threshold unless told otherwise (SM_CXDRAG, SM_CYDRAG
// at their Windows defaults).
inline constexpr Size kDefaultDragThreshold{4, 4};

// Whether the pointer at `p` has left the drag rectangle, `threshold` large
// and centred on the press point `pressed`, as the system's own drag
// detection decides: a press becomes a drag by how far the pointer went,
// however many or few moves it took to get there.
bool PastDragThreshold(Point pressed, Point p, Size threshold);

// Which axes a handle follows while dragged.
struct HandleAxes {
    bool x;
    bool y;
};
HandleAxes AxesOf(int handle);

// The point of the frame handle i is centred on.
Point HandlePoint(int handle, const Rect& frame);

// PlaceSizeHandles: the eight handle rectangles of `size`, in index order.
std::array<Rect, kHandleCount> PlaceHandles(const Rect& frame, Size size = kHandleSize);

// The selection's user-interface lengths at a monitor's DPI: the handles,
// the frame's borders and the toolbar (whose place depends on its height).
struct SelectionSizes {
    Size handle = kHandleSize;
    Size toolbar = kToolsSize;
    int detectBorder = kDetectBorder;
    int selectedBorder = kSelectedBorder;
    friend bool operator==(const SelectionSizes&, const SelectionSizes&) = default;
};
SelectionSizes SelectionSizesAt(int dpi);

// One step of a handle drag: the frame after moving handle i's centre to c.
// A width or height that would turn negative keeps its old value; for the
// corner handle 0 the whole step is refused instead.
Rect ResizeByHandle(int handle, const Rect& frame, Point centre, int anchorRight, int anchorBottom);


struct Changes {
    bool frameChanged = false;   // RedrawDimming and repaint
    bool handlesMoved = false;   // PlaceSizeHandles ran
    bool completed = false;      // selection completed: place and show the toolbar
    bool reset = false;          // BackToDetection ran: toolbar hidden, handles out of sight
    bool captureHandle = false;  // a handle press: keep the pointer on that handle
    bool annotate = false;       // the event belongs to the annotation tool
    Changes& operator|=(const Changes& o);
};

class Selection {
public:
    explicit Selection(Size screen);
    // The monitors in the overlay's coordinates (MonitorLayout::OnBitmap):
    // the toolbar goes on the selection's monitor, and a drawn or resized
    // frame's corners stay out of the gaps between monitors.
    explicit Selection(MonitorLayout monitors);

    Mode mode() const { return mode_; }
    bool Selected() const { return mode_ == Mode::Selected; }
    // The Pos timer: off once a drag starts, on again after BackToDetection.
    bool detectionEnabled() const { return detectionEnabled_; }
    const Rect& frame() const { return frame_; }
    int borderWidth() const { return borderWidth_; }
    const std::array<Rect, kHandleCount>& handles() const { return handles_; }
    Point toolsPosition() const { return toolsPos_; }
    bool toolsVisible() const { return toolsVisible_; }
    Size screen() const { return screen_; }
    int uiDpi() const { return uiDpi_; }
    const SelectionSizes& sizes() const { return sizes_; }
    const MonitorLayout& monitors() const { return monitors_; }
    // The system's drag threshold (SM_CXDRAG, SM_CYDRAG).
    void SetDragThreshold(Size threshold) { dragThreshold_ = threshold; }
    Size dragThreshold() const { return dragThreshold_; }

    // The handles, borders and toolbar sized for `dpi` (the monitor holding
    // the frame): what is shown is placed again at the new sizes; the frame
    // itself, in screen pixels, stays.
    Changes SetUiDpi(int dpi);

    // The chosen annotation tool; moving and resizing need none.
    Tool tool() const { return tool_; }
    bool toolChosen() const { return tool_ != Tool::None; }
    void ChooseTool(Tool tool) { tool_ = tool; }

    Changes BackToDetection();
    Changes MouseDown(MouseButton button, Point p);
    // onlyLeftHeld: the left button is held and no other.
    Changes MouseMove(bool onlyLeftHeld, Point p);
    // A release past the drag threshold ends a drag to `p` even when no move
    // came before it (a flick the system reported in one step).
    Changes MouseUp(MouseButton button, Point p);
    // local: pointer relative to the handle's top-left corner.
    Changes HandleDown(int handle, MouseButton button, Point local);
    Changes HandleMove(int handle, bool leftHeld, Point local);
    // OnDetectionTick found a window at rect (screen pixels, edges inclusive).
    Changes WindowDetected(const Rect& windowRect);
    // A completed selection put at `frame` from outside (the keyboard): the
    // handles and the toolbar follow it. Nothing while not selected.
    Changes PlaceFrame(const Rect& frame);
    // A capture that starts with `frame` already selected (the last region
    // again), cut to the screen: handles and toolbar shown, detection off.
    // Nothing when no pixel of it is on the screen.
    Changes SelectFrame(const Rect& frame);

private:
    // The frame from the press point to `p`: the drag is on.
    Changes DragTo(Point p);

    MonitorLayout monitors_;
    Size screen_;
    int uiDpi_ = 96;
    SelectionSizes sizes_;
    Mode mode_ = Mode::Detecting;
    Tool tool_ = Tool::None;
    bool detectionEnabled_ = true;
    Rect frame_;
    int borderWidth_ = kDetectBorder;
    std::array<Rect, kHandleCount> handles_{};
    Point toolsPos_;
    bool toolsVisible_ = false;
    Size dragThreshold_ = kDefaultDragThreshold;
    Point pressedAt_;  // where the pointer was pressed
    Point start_;      // the new frame's corner there, out of any gap
    Point grab_;
    int anchorRight_ = 0;
    int anchorBottom_ = 0;
};

}  // namespace vellumo

#include "overlay/Selection.h"

#include <cstdlib>
#include <utility>

#include "gfx/Dpi.h"
#include "overlay/MonitorPlacement.h"

namespace vellumo {

namespace {
// Handles sit out of sight above the screen until a selection completes.
constexpr int HiddenHandleTop(Size handle) { return -handle.height; }
// Initial frame: just above the screen's top edge, so nothing shows.
constexpr Rect kHiddenFrame{0, -2 * kDetectBorder, 0, 0};

bool MovesLeftOrTop(int handle) {
    return handle == 0 || handle == 1 || handle == 2 || handle == 3 || handle == 5;
}
}  // namespace

bool PastDragThreshold(Point pressed, Point p, Size threshold) {
    return std::abs(p.x - pressed.x) > threshold.width / 2 || std::abs(p.y - pressed.y) > threshold.height / 2;
}

Changes& Changes::operator|=(const Changes& o) {
    frameChanged |= o.frameChanged;
    handlesMoved |= o.handlesMoved;
    completed |= o.completed;
    reset |= o.reset;
    captureHandle |= o.captureHandle;
    annotate |= o.annotate;
    return *this;
}

HandleAxes AxesOf(int handle) {
    switch (handle) {
        case 1:
        case 6: return {false, true};
        case 3:
        case 4: return {true, false};
        default: return {true, true};
    }
}

Point HandlePoint(int handle, const Rect& f) {
    const int midX = f.left + f.width / 2, midY = f.top + f.height / 2;
    switch (handle) {
        case 0: return {f.left, f.top};
        case 1: return {midX, f.top};
        case 2: return {f.right(), f.top};
        case 3: return {f.left, midY};
        case 4: return {f.right(), midY};
        case 5: return {f.left, f.bottom()};
        case 6: return {midX, f.bottom()};
        default: return {f.right(), f.bottom()};
    }
}

std::array<Rect, kHandleCount> PlaceHandles(const Rect& frame, Size size) {
    std::array<Rect, kHandleCount> out{};
    for (int i = 0; i < kHandleCount; ++i) {
        const Point p = HandlePoint(i, frame);
        out[i] = {p.x - size.width / 2, p.y - size.height / 2, size.width, size.height};
    }
    return out;
}

SelectionSizes SelectionSizesAt(int dpi) {
    return {ScaleUi(kHandleSize, dpi), ScaleUi(kToolsSize, dpi), ScaleUi(kDetectBorder, dpi),
            ScaleUi(kSelectedBorder, dpi)};
}

Rect ResizeByHandle(int handle, const Rect& frame, Point c, int anchorRight, int anchorBottom) {
    Rect f = frame;
    // The frame refuses a negative size: that one value stays as it was.
    auto setWidth = [&f](int w) { if (w >= 0) f.width = w; };
    auto setHeight = [&f](int h) { if (h >= 0) f.height = h; };
    switch (handle) {
        case 0: {
            const Rect moved{c.x, c.y, anchorRight - c.x, anchorBottom - c.y};
            return (moved.width < 0 || moved.height < 0) ? frame : moved;
        }
        case 1: f.top = c.y; setHeight(anchorBottom - f.top); break;
        case 2: setWidth(c.x - f.left); f.top = c.y; setHeight(anchorBottom - f.top); break;
        case 3: f.left = c.x; setWidth(anchorRight - f.left); break;
        case 4: setWidth(c.x - f.left); break;
        case 5: setHeight(c.y - f.top); f.left = c.x; setWidth(anchorRight - f.left); break;
        case 6: setHeight(c.y - f.top); break;
        case 7: setWidth(c.x - f.left); setHeight(c.y - f.top); break;
        default: break;
    }
    return f;
}

Selection::Selection(Size screen) : Selection(MonitorLayout::Single(screen)) {}

Selection::Selection(MonitorLayout monitors)
    : monitors_(std::move(monitors)),
      screen_{monitors_.virtualBounds().right(), monitors_.virtualBounds().bottom()},
      frame_(kHiddenFrame) {
    for (auto& h : handles_) h = {0, HiddenHandleTop(kHandleSize), kHandleSize.width, kHandleSize.height};
}

Changes Selection::SetUiDpi(int dpi) {
    Changes c;
    const SelectionSizes sizes = SelectionSizesAt(dpi);
    uiDpi_ = UiDpi(dpi);
    if (sizes == sizes_) return c;
    sizes_ = sizes;
    c.frameChanged = c.handlesMoved = true;
    if (Selected()) {
        borderWidth_ = sizes_.selectedBorder;
        handles_ = PlaceHandles(frame_, sizes_.handle);
        toolsPos_ = PlaceToolbarOn(monitors_, frame_, sizes_.toolbar);
        c.completed = true;
    } else {
        borderWidth_ = sizes_.detectBorder;
        for (auto& h : handles_) h = {0, HiddenHandleTop(sizes_.handle), sizes_.handle.width, sizes_.handle.height};
    }
    return c;
}

Changes Selection::BackToDetection() {
    mode_ = Mode::Detecting;
    toolsVisible_ = false;
    detectionEnabled_ = true;
    for (auto& h : handles_) h.top = HiddenHandleTop(sizes_.handle);
    borderWidth_ = sizes_.detectBorder;
    tool_ = Tool::None;
    Changes c;
    c.reset = true;
    return c;
}

Changes Selection::MouseDown(MouseButton button, Point p) {
    if (button != MouseButton::Left) return BackToDetection();
    Changes c;
    if (Selected()) {
        c.annotate = toolChosen();
    } else {
        pressedAt_ = p;
        start_ = monitors_.KeepOutOfGaps(p);
        mode_ = Mode::Pressed;
    }
    return c;
}

Changes Selection::MouseMove(bool onlyLeftHeld, Point p) {
    Changes c;
    if (Selected()) {
        if (!onlyLeftHeld) return c;
        if (toolChosen()) {
            c.annotate = true;
            return c;
        }
        // The frame's centre follows the pointer; it may leave the screen.
        frame_.left = p.x - frame_.width / 2;
        frame_.top = p.y - frame_.height / 2;
        handles_ = PlaceHandles(frame_, sizes_.handle);
        c.frameChanged = c.handlesMoved = true;
        return c;
    }
    if (!onlyLeftHeld) {
        if (mode_ == Mode::Pressed) mode_ = Mode::Detecting;  // the release went elsewhere
        return c;
    }
    if (mode_ == Mode::Detecting) return c;  // pressed elsewhere (a handle, the toolbar)
    if (mode_ == Mode::Pressed && !PastDragThreshold(pressedAt_, p, dragThreshold_)) return c;
    return DragTo(p);
}

Changes Selection::DragTo(Point p) {
    Changes c;
    detectionEnabled_ = false;
    mode_ = Mode::Dragging;
    p = monitors_.KeepOutOfGaps(p);
    frame_ = Rect::fromEdges(std::min(p.x, start_.x), std::min(p.y, start_.y), std::max(p.x, start_.x),
                             std::max(p.y, start_.y));
    c.frameChanged = true;
    return c;
}

Changes Selection::MouseUp(MouseButton button, Point p) {
    Changes c;
    if (Selected()) {
        c.annotate = toolChosen();
        return c;
    }
    if (button != MouseButton::Left) return c;
    if (mode_ == Mode::Pressed && PastDragThreshold(pressedAt_, p, dragThreshold_)) c |= DragTo(p);
    mode_ = Mode::Selected;
    borderWidth_ = sizes_.selectedBorder;
    toolsPos_ = PlaceToolbarOn(monitors_, frame_, sizes_.toolbar);
    handles_ = PlaceHandles(frame_, sizes_.handle);
    toolsVisible_ = true;
    c.completed = c.handlesMoved = c.frameChanged = true;
    return c;
}

Changes Selection::HandleDown(int handle, MouseButton button, Point local) {
    // A right or middle press discards the selection wherever it lands.
    if (button != MouseButton::Left) return BackToDetection();
    Changes c;
    if (handle < 0 || handle >= kHandleCount) return c;
    grab_ = local;
    if (MovesLeftOrTop(handle)) {
        anchorRight_ = frame_.right();
        anchorBottom_ = frame_.bottom();
    }
    c.captureHandle = true;
    return c;
}

Changes Selection::HandleMove(int handle, bool leftHeld, Point local) {
    Changes c;
    if (!leftHeld || toolChosen() || handle < 0 || handle >= kHandleCount) return c;
    const Rect& h = handles_[handle];
    const HandleAxes axes = AxesOf(handle);
    const int left = axes.x ? h.left + (local.x - grab_.x) : h.left;
    const int top = axes.y ? h.top + (local.y - grab_.y) : h.top;
    const Point centre = monitors_.KeepOutOfGaps({left + h.width / 2, top + h.height / 2});
    frame_ = ResizeByHandle(handle, frame_, centre, anchorRight_, anchorBottom_);
    handles_ = PlaceHandles(frame_, sizes_.handle);
    c.frameChanged = c.handlesMoved = true;
    return c;
}

Changes Selection::WindowDetected(const Rect& w) {
    Changes c;
    if (Selected() || !detectionEnabled_) return c;
    frame_ = Inflate(w, 2);
    c.frameChanged = true;
    return c;
}

Changes Selection::PlaceFrame(const Rect& frame) {
    Changes c;
    if (!Selected()) return c;
    frame_ = frame;
    handles_ = PlaceHandles(frame_, sizes_.handle);
    toolsPos_ = PlaceToolbarOn(monitors_, frame_, sizes_.toolbar);
    c.frameChanged = c.handlesMoved = c.completed = true;
    return c;
}

Changes Selection::SelectFrame(const Rect& frame) {
    const Rect onScreen = Intersect(frame, Rect{0, 0, screen_.width, screen_.height});
    if (onScreen.empty()) return {};
    frame_ = onScreen;
    detectionEnabled_ = false;
    mode_ = Mode::Pressed;  // as if dragged there: MouseUp completes it
    return MouseUp(MouseButton::Left, {});
}

}  // namespace vellumo

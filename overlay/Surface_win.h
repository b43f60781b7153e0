// The overlay's drawing surface and the frozen screen behind it: frozenScreen (the
// clean frozen screen), a dimmed copy of it made once per freeze, and the
// surface itself, which shows the darkening and whatever is drawn on it.
#pragma once
#include "annotate/Annotator_win.h"
#include "gfx/Dib_win.h"
#include "gfx/MonitorLayout.h"
#include "overlay/Dimming.h"
#include "overlay/MarkHistory.h"

namespace vellumo::win {

class OverlaySurface final : public DrawingSurface {
public:
    // Grabs the live virtual screen into frozenScreen, its (0,0) the virtual
    // screen's top-left; what lies between monitors is black. The surface is filled by the first
    // RedrawDimming or EnsureDrawn, which compute the darkening as they go;
    // the dimmed copy that later redraws copy from is made by PrepareRedraws
    // (or by the second RedrawDimming), after the first frame is up. False if
    // the bitmaps cannot be made. `withPointer` draws the pointer into it
    // where it is at the freeze.
    bool Freeze(const MonitorLayout& monitors, bool withPointer = false);
    // Lays `picture` on the frozen screen with its top-left at `at` (the
    // frozen screen's pixels), before anything is drawn from it.
    void PlaceOnFrozen(HBITMAP picture, Point at);
    // Same, from given pixels (for benchmarks): copies `screen` instead of grabbing.
    bool FreezeFrom(const Dib& screen);
    void Release();
    // Unless a RedrawDimming already drew it: the surface shows the clean frozen screen.
    void EnsureDrawn();
    // Makes the dimmed copy of the frozen screen.
    void PrepareRedraws();

    // What a RedrawDimming changed: the clear area before and after, and
    // anything drawn over since the last one; the rest of the surface is as it was.
    struct Redraw {
        Rect before;
        Rect after;
        Rect drawn;
        DimTracker::Areas areas;  // every rewritten pixel lies in these
        bool changed() const {
            return !areas[0].empty() || !areas[1].empty() || !areas[2].empty();
        }
    };
    // RedrawDimming: the surface becomes the frozen screen, dimmed outside the frame.
    Redraw RedrawDimming(const Rect& frame);
    // Annotations drew over r; the next RedrawDimming wipes them.
    void MarkDrawn(const Rect& r) override { tracker_.MarkDirty(r); }

    // The undo history of the marks: before a tool paints into `box`, and
    // once its mark is finished. A mark that could not be kept (no memory)
    // is still drawn; the history then starts again after it.
    void BeforeMark(const Rect& box) override;
    void EndMark() override;
    // The pieces to repaint (the pixels the step changed, not its whole box);
    // none when there is no step to take.
    std::vector<Rect> UndoMark();
    std::vector<Rect> RedoMark();
    void ForgetMarks() { marks_.Clear(); }
    std::size_t MarksApplied() const override { return marks_.undoSteps(); }

    const Dib& surface() const override { return surface_; }
    const Dib& frozenScreen() const override { return frozenScreen_; }
    Size size() const { return {surface_.width(), surface_.height()}; }

private:
    bool AllocateFromPicB();

    Dib frozenScreen_;
    Dib dimmed_;
    Dib surface_;
    DimTracker tracker_{{0, 0}};
    MarkHistory marks_;
};

}  // namespace vellumo::win

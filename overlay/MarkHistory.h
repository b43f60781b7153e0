// Undo and redo of the marks drawn on the overlay's surface. Each step keeps
// only the pixels its mark changed, before and after, as runs along rows: an
// outlined rectangle costs its border, not its area, and nothing here ever
// holds a copy of the whole screen per step.
//
// The caller paints; this only watches. Before painting any part of a mark it
// names the box that part may touch (Touch), and once the mark is finished
// (EndMark) whatever differs inside the touched boxes becomes one step. A
// pixel painted outside every touched box is not kept, so the boxes must hold
// the pen's full width and any antialiasing (OutlineBounds, LineBounds).
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "gfx/Geometry.h"
#include "overlay/Dimming.h"

namespace vellumo {

class MarkHistory {
public:
    // What EndMark made of the mark.
    enum class Recorded {
        Step,         // one new step; redo steps dropped
        NoChange,     // the mark changed no pixel: no step, redo steps kept
        HistoryLost,  // no memory to keep the mark: every step dropped, since
                      // undoing an older one could now paint over this mark
    };

    // Before painting into `box` (clipped to the surface). The first call
    // starts a mark. False when there is no memory to keep the box's pixels;
    // the mark then ends as HistoryLost and can still be painted.
    bool Touch(const PixelPlane& surface, const Rect& box);
    // The mark is painted. `changed` receives the bounds of its changed pixels.
    Recorded EndMark(const PixelPlane& surface, Rect* changed = nullptr);
    // Forgets a started mark that painted nothing.
    void AbandonMark();
    bool markOpen() const { return open_; }

    // Each returns the bounds of the pixels it changed, or nothing when there
    // is no step to take (or a mark is still open). `pieces`, when given,
    // receives a few rectangles within those bounds that hold every changed
    // pixel: what to repaint (an outline's four sides, not its whole box).
    std::optional<Rect> Undo(const PixelPlane& surface, std::vector<Rect>* pieces = nullptr);
    std::optional<Rect> Redo(const PixelPlane& surface, std::vector<Rect>* pieces = nullptr);
    // Every mark discarded: no step either way.
    void Clear();

    bool CanUndo() const { return !open_ && done_ > 0; }
    bool CanRedo() const { return !open_ && done_ < steps_.size(); }
    std::size_t undoSteps() const { return done_; }
    std::size_t redoSteps() const { return steps_.size() - done_; }
    // Memory held by the steps (both directions), and by an open mark.
    std::size_t BytesHeld() const;
    std::size_t PendingBytes() const;

private:
    // A row run of changed pixels; its before and after pixels sit at `at`
    // and `at + length` in the step's pixel store.
    struct Run {
        std::int32_t x, y, length;
        std::uint32_t at;
    };
    struct Step {
        Rect bounds;
        std::vector<Run> runs;
        std::vector<std::uint32_t> pixels;
    };
    static void Apply(const PixelPlane& surface, const Step& step, bool after);
    static std::vector<Rect> PiecesOf(const Step& step);
    // The touched pixels that differ from before_, as runs; may throw bad_alloc.
    void Encode(const PixelPlane& surface, Step& out) const;

    std::vector<Step> steps_;
    std::size_t done_ = 0;  // steps_[0, done_) are applied, the rest can be redone

    bool open_ = false;
    bool lost_ = false;
    Rect touched_;                        // union of the touched boxes
    Rect saved_;                          // saved_ holds touched_; may be larger
    std::vector<std::uint32_t> before_;   // saved_'s pixels before the mark
};

}  // namespace vellumo

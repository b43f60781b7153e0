// A surface for the drawing tools without a window: a plane of pixels, a
// clean copy (the frozen screen) and the real undo history.
#pragma once
#include <cstdint>
#include <vector>

#include "annotate/Tool.h"
#include "overlay/MarkHistory.h"

namespace vellumo {

class FakeMarkTarget final : public MarkTarget {
public:
    FakeMarkTarget(int width, int height, std::uint32_t fill)
        : width_(width), height_(height), pixels_(std::size_t(width) * height, fill), clean_(pixels_) {}

    PixelPlane SurfacePixels() override { return {pixels_.data(), width_, height_, width_}; }
    PixelPlane CleanPixels() override { return {clean_.data(), width_, height_, width_}; }
    void BeforeMark(const Rect& box) override {
        ++touches;
        history.Touch(SurfacePixels(), box);
    }
    void Painted(const Rect& r) override { painted = Union(painted, r); }
    std::size_t MarksApplied() const override { return history.undoSteps(); }
    SideBySide Cores() const override { return cores; }

    // What the overlay does after each release.
    MarkHistory::Recorded EndMark() {
        if (!history.markOpen()) return MarkHistory::Recorded::NoChange;
        return history.EndMark(SurfacePixels());
    }
    std::uint32_t& at(int x, int y) { return pixels_[std::size_t(y) * width_ + x]; }
    std::uint32_t clean(int x, int y) const { return clean_[std::size_t(y) * width_ + x]; }
    // Paints a pixel as if it had been there from the start.
    void Set(int x, int y, std::uint32_t p) { at(x, y) = clean_[std::size_t(y) * width_ + x] = p; }

    MarkHistory history;
    SideBySide cores;  // lent to the filters; none: one part
    Rect painted{};
    int touches = 0;

private:
    int width_, height_;
    std::vector<std::uint32_t> pixels_, clean_;
};

}  // namespace vellumo

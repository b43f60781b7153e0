#include "overlay/MarkHistory.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace vellumo {

namespace {
// Unchanged pixels between two changed ones are stored with them when the gap
// is shorter than this: a run's header costs more than one pixel pair.
constexpr int kMergeGap = 2;
// An eraser stroke's box grows with every dab; the kept pixels grow by at
// least half again each time, so a long stroke copies them a few times, not
// once per dab.
constexpr int kMinGrowth = 64;
// The repaint pieces of a step: rows taken together (at first), spans closer
// than the gap joined (a rectangle per few pixels costs more than the
// pixels), and at most so many pieces: Wine unites a region's rectangles one
// by one, in time growing with the square of their number.
constexpr int kBandRows = 8;
constexpr int kJoinGap = 16;
constexpr std::size_t kMaxPieces = 48;

Rect SurfaceRect(const PixelPlane& p) { return {0, 0, p.width, p.height}; }

bool Holds(const Rect& outer, const Rect& inner) {
    return !outer.empty() && inner.left >= outer.left && inner.top >= outer.top &&
           inner.right() <= outer.right() && inner.bottom() <= outer.bottom();
}

// `saved` widened to hold `box`, with room to spare on the sides `box` passed.
Rect Grown(const Rect& saved, const Rect& box, const Rect& limit) {
    if (saved.empty()) return box;
    const int spareX = std::max(kMinGrowth, saved.width / 2);
    const int spareY = std::max(kMinGrowth, saved.height / 2);
    const int l = box.left < saved.left ? box.left - spareX : saved.left;
    const int t = box.top < saved.top ? box.top - spareY : saved.top;
    const int r = box.right() > saved.right() ? box.right() + spareX : saved.right();
    const int b = box.bottom() > saved.bottom() ? box.bottom() + spareY : saved.bottom();
    return Intersect(Rect::fromEdges(l, t, r, b), limit);
}

std::size_t Area(const Rect& r) { return r.empty() ? 0 : std::size_t(r.width) * std::size_t(r.height); }
}  // namespace

bool MarkHistory::Touch(const PixelPlane& surface, const Rect& box) {
    open_ = true;
    if (lost_) return false;
    const Rect b = Intersect(box, SurfaceRect(surface));
    if (b.empty()) return true;
    if (!Holds(saved_, b)) {
        const Rect target = Grown(saved_, b, SurfaceRect(surface));
        std::vector<std::uint32_t> grown;
        try {
            grown.resize(Area(target));
        } catch (const std::exception&) {  // bad_alloc, or length_error past max_size
            lost_ = true;
            std::vector<std::uint32_t>().swap(before_);
            return false;
        }
        // Outside saved_ nothing has been painted yet, so the surface still
        // shows the old pixels there; inside it only before_ has them.
        for (int y = target.top; y < target.bottom(); ++y) {
            std::uint32_t* dst = grown.data() + std::size_t(y - target.top) * std::size_t(target.width);
            if (y >= saved_.top && y < saved_.bottom() && !saved_.empty()) {
                const std::uint32_t* kept =
                    before_.data() + std::size_t(y - saved_.top) * std::size_t(saved_.width);
                std::memcpy(dst, surface.row(y) + target.left, std::size_t(saved_.left - target.left) * 4);
                std::memcpy(dst + (saved_.left - target.left), kept, std::size_t(saved_.width) * 4);
                std::memcpy(dst + (saved_.right() - target.left), surface.row(y) + saved_.right(),
                            std::size_t(target.right() - saved_.right()) * 4);
            } else {
                std::memcpy(dst, surface.row(y) + target.left, std::size_t(target.width) * 4);
            }
        }
        before_.swap(grown);
        saved_ = target;
    }
    touched_ = Union(touched_, b);
    return true;
}

void MarkHistory::Encode(const PixelPlane& surface, Step& out) const {
    const Rect area = Intersect(touched_, SurfaceRect(surface));
    if (area.empty()) return;
    auto was = [&](int x, int y) {
        return before_[std::size_t(y - saved_.top) * std::size_t(saved_.width) + std::size_t(x - saved_.left)];
    };
    std::size_t total = 0;
    int minX = area.right(), maxX = area.left, minY = area.bottom(), maxY = area.top;
    for (int y = area.top; y < area.bottom(); ++y) {
        const std::uint32_t* now = surface.row(y);
        int x = area.left;
        while (x < area.right()) {
            if (now[x] == was(x, y)) {
                ++x;
                continue;
            }
            const int start = x;
            int stop = x + 1;  // one past the last changed pixel
            for (int k = stop; k < area.right(); ++k) {
                if (now[k] != was(k, y)) stop = k + 1;
                else if (k + 1 - stop >= kMergeGap) break;
            }
            out.runs.push_back({start, y, stop - start, std::uint32_t(2 * total)});
            total += std::size_t(stop - start);
            minX = std::min(minX, start);
            maxX = std::max(maxX, stop);
            minY = std::min(minY, y);
            maxY = y + 1;
            x = stop;
        }
    }
    if (out.runs.empty()) return;
    out.runs.shrink_to_fit();
    out.pixels.resize(2 * total);
    for (const Run& r : out.runs) {
        std::uint32_t* dst = out.pixels.data() + r.at;
        for (int k = 0; k < r.length; ++k) dst[k] = was(r.x + k, r.y);
        std::memcpy(dst + r.length, surface.row(r.y) + r.x, std::size_t(r.length) * 4);
    }
    out.bounds = Rect::fromEdges(minX, minY, maxX, maxY);
}

MarkHistory::Recorded MarkHistory::EndMark(const PixelPlane& surface, Rect* changed) {
    if (changed) *changed = {};
    Recorded result = Recorded::NoChange;
    if (open_) {
        Step step;
        bool kept = !lost_;
        if (kept) {
            try {
                Encode(surface, step);
                if (!step.runs.empty()) {
                    steps_.erase(steps_.begin() + std::ptrdiff_t(done_), steps_.end());
                    steps_.push_back(std::move(step));
                    ++done_;
                    result = Recorded::Step;
                    if (changed) *changed = steps_.back().bounds;
                }
            } catch (const std::bad_alloc&) {
                kept = false;
            }
        }
        if (!kept) {
            Clear();
            result = Recorded::HistoryLost;
        }
    }
    AbandonMark();
    return result;
}

void MarkHistory::AbandonMark() {
    open_ = lost_ = false;
    touched_ = saved_ = {};
    std::vector<std::uint32_t>().swap(before_);
}

void MarkHistory::Apply(const PixelPlane& surface, const Step& step, bool after) {
    for (const Run& r : step.runs) {
        const std::uint32_t* src = step.pixels.data() + r.at + (after ? std::size_t(r.length) : 0);
        std::memcpy(surface.row(r.y) + r.x, src, std::size_t(r.length) * 4);
    }
}

// Rows are taken in bands; in each band the runs' spans are joined where
// they overlap or nearly touch, and a band's rectangle that continues the one
// above with the same sides extends it. A mark's pixels are mostly a few
// strokes, so this gives a few rectangles where its box would repaint (and,
// under Wine, copy to the screen) every pixel between them. Too many pieces
// cost more to make into a region than they save: the bands then double.
std::vector<Rect> MarkHistory::PiecesOf(const Step& step) {
    std::vector<Rect> pieces;
    std::vector<std::pair<int, int>> spans;      // [left, right) of the band's runs
    std::vector<std::size_t> growing, grown;     // pieces ending at the band's top, bottom
    for (int bandRows = kBandRows; bandRows < step.bounds.height * 2; bandRows *= 2) {
        pieces.clear();
        growing.clear();
        const auto closeBand = [&](int top, int bottom) {
            std::sort(spans.begin(), spans.end());
            std::size_t kept = 0;  // spans joined in place
            for (const auto& sp : spans) {
                if (kept > 0 && sp.first <= spans[kept - 1].second + kJoinGap)
                    spans[kept - 1].second = std::max(spans[kept - 1].second, sp.second);
                else
                    spans[kept++] = sp;
            }
            grown.clear();
            for (std::size_t j = 0; j < kept; ++j) {
                const auto [l, r] = spans[j];
                const auto above = std::find_if(growing.begin(), growing.end(), [&](std::size_t k) {
                    return pieces[k].left == l && pieces[k].right() == r && pieces[k].bottom() == top;
                });
                if (above != growing.end()) {
                    pieces[*above].height = bottom - pieces[*above].top;
                    grown.push_back(*above);
                } else {
                    grown.push_back(pieces.size());
                    pieces.push_back(Rect::fromEdges(l, top, r, bottom));
                }
            }
            growing.swap(grown);
            spans.clear();
        };
        int bandTop = 0, bandBottom = 0;
        for (const Run& r : step.runs) {  // in row order
            if (!spans.empty() && r.y >= bandTop + bandRows) closeBand(bandTop, bandBottom);
            if (spans.empty()) bandTop = r.y;
            bandBottom = r.y + 1;
            spans.emplace_back(r.x, r.x + r.length);
        }
        if (!spans.empty()) closeBand(bandTop, bandBottom);
        if (pieces.size() <= kMaxPieces) return pieces;
    }
    return {step.bounds};
}

std::optional<Rect> MarkHistory::Undo(const PixelPlane& surface, std::vector<Rect>* pieces) {
    if (!CanUndo()) return std::nullopt;
    const Step& step = steps_[done_ - 1];
    // A surface of another size is not the one the steps were taken on.
    if (!Holds(SurfaceRect(surface), step.bounds)) return std::nullopt;
    Apply(surface, step, false);
    --done_;
    if (pieces) *pieces = PiecesOf(step);
    return step.bounds;
}

std::optional<Rect> MarkHistory::Redo(const PixelPlane& surface, std::vector<Rect>* pieces) {
    if (!CanRedo()) return std::nullopt;
    const Step& step = steps_[done_];
    if (!Holds(SurfaceRect(surface), step.bounds)) return std::nullopt;
    Apply(surface, step, true);
    ++done_;
    if (pieces) *pieces = PiecesOf(step);
    return step.bounds;
}

void MarkHistory::Clear() {
    std::vector<Step>().swap(steps_);
    done_ = 0;
}

std::size_t MarkHistory::BytesHeld() const {
    std::size_t bytes = steps_.capacity() * sizeof(Step);
    for (const Step& s : steps_) bytes += s.runs.capacity() * sizeof(Run) + s.pixels.capacity() * 4;
    return bytes;
}

std::size_t MarkHistory::PendingBytes() const { return before_.capacity() * 4; }

}  // namespace vellumo

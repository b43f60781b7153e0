#include "annotate/AreaFilters.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vellumo {

namespace {

constexpr std::uint32_t kTopByte = 0xFF000000u;

std::uint32_t Rgb(std::uint32_t red, std::uint32_t green, std::uint32_t blue) { return red << 16 | green << 8 | blue; }

}  // namespace

int MosaicCell(float width) { return std::max(4, static_cast<int>(std::lround(width))); }

namespace {

// round(sum / n) for a mean of n pixels (half up), with no divide: a divide
// per channel and cell cost more than summing the cell. Up to kWidestExact
// pixels, a multiply by 2^32 / n rounded up is exact: its error, under one
// part in n for the largest sum (256n), stays below the 1/n that would move
// the quotient. Past that, a multiply by 1 / n in a double, off by at most
// one near a half, and then corrected.
class MeanOf {
public:
    static constexpr std::uint64_t kWidestExact = 4095;

    explicit MeanOf(std::uint64_t n)
        : n_(n),
          reciprocal_(n <= kWidestExact ? ((std::uint64_t{1} << 32) + n - 1) / n : 0),
          inverse_(1.0 / static_cast<double>(n)) {}
    std::uint32_t operator()(std::uint64_t sum) const {
        const std::uint64_t up = sum + n_ / 2;
        if (reciprocal_ != 0) return static_cast<std::uint32_t>(up * reciprocal_ >> 32);
        std::uint64_t q = static_cast<std::uint64_t>(static_cast<double>(up) * inverse_);
        if (q * n_ > up) --q;
        else if ((q + 1) * n_ <= up) ++q;
        return static_cast<std::uint32_t>(q);
    }

private:
    std::uint64_t n_;
    std::uint64_t reciprocal_;  // 2^32 / n rounded up, or 0 past kWidestExact
    double inverse_;
};

// How wide a slice of a band of cells is summed at a time: whole cells,
// about 512 pixels, so that the sums stay in the first-level cache.
std::size_t SliceWidth(int cell) { return static_cast<std::size_t>(cell) * static_cast<std::size_t>(std::max(1, 512 / cell)); }

}  // namespace

// The cache lines of the slice that the sums read next (the same band's next
// slice, or the next band's first), asked for a few at a time while the
// means of this one are worked out. Left to the hardware, they came from
// memory only once the sums asked, and the means and the reads took turns
// (a sixth of the mosaic's time).
class NextSlice {
public:
    NextSlice(const PixelPlane& plane, const Rect& area, int top, int bottom, int cell, std::size_t left,
              std::size_t slice) {
        const std::size_t width = static_cast<std::size_t>(area.width);
        std::size_t w = 0;
        if (left + slice < width) {
            row_ = top, end_ = bottom, x_ = area.left + static_cast<std::ptrdiff_t>(left + slice);
            w = std::min(slice, width - left - slice);
        } else if (bottom < area.bottom()) {
            row_ = bottom, end_ = std::min(bottom + cell, area.bottom()), x_ = area.left;
            w = std::min(slice, width);
        }
        plane_ = plane;
        perRow_ = (w + kPixelsPerLine - 1) / kPixelsPerLine;
        lines_ = perRow_ * static_cast<std::size_t>(end_ - row_);
    }
    // How many to ask for with each of `cells` cells for all to be asked.
    std::size_t PerCell(std::size_t cells) const { return cells ? (lines_ + cells - 1) / cells : 0; }
    void Ask(std::size_t n) {
        for (; n > 0 && row_ < end_; --n) {
            Prefetch(plane_.row(row_) + x_ + static_cast<std::ptrdiff_t>(column_ * kPixelsPerLine));
            if (++column_ == perRow_) column_ = 0, ++row_;
        }
    }

private:
    static constexpr std::size_t kPixelsPerLine = 16;
    PixelPlane plane_;
    int row_ = 0, end_ = 0;
    std::ptrdiff_t x_ = 0;
    std::size_t perRow_ = 0, lines_ = 0, column_ = 0;
};

// The whole cells of a slice whose red and blue sums stay below 2^16: each
// cell's colour into `line`, from the column sums. Cells of the common
// sizes (the width control's first few values) have loops of a known
// length, which the compiler lays out whole (a fifth off the mosaic).
struct PackedCells {
    const std::uint32_t* redBlue;
    const std::uint32_t* green;
    std::uint32_t* line;
    const std::uint32_t* out;
    const MeanOf& mean;

    // Returns where the whole cells end. kStep 0: the cell's side as given.
    template <std::size_t kStep>
    std::size_t Run(std::size_t w, std::size_t step, NextSlice& next, std::size_t ask) const {
        const std::size_t side = kStep ? kStep : step;
        std::size_t from = 0;
        for (; from + side <= w; from += side) {
            next.Ask(ask);
            std::uint32_t rb = 0, g = 0;
            for (std::size_t x = from; x < from + side; ++x) rb += redBlue[x], g += green[x];
            std::fill_n(line + from, side, (out[from] & kTopByte) | Rgb(mean(rb >> 16), mean(g), mean(rb & 0xFFFFu)));
        }
        return from;
    }
};

namespace {

// Each band of `cell` rows is read once into per-column sums (a loop along
// the row that the compiler vectorises), a slice of whole cells at a time,
// the cells' means are worked out from those, and each row of the slice is
// then written once from one line of colours (each cell whole, with the top
// byte of its top-left pixel).
// Red and blue are summed side by side in one word (green in another) while
// a column holds at most 256 pixels, so no sum carries into its neighbour;
// taller cells are summed 256 rows at a time. `area` is clipped, not empty.
void PixelateRows(const PixelPlane& plane, Rect area, int cell) {
    const std::size_t slice = SliceWidth(cell), step = static_cast<std::size_t>(cell);
    std::vector<std::uint32_t> redBlue(slice), green(slice), line(slice);
    std::vector<std::uint64_t> red(slice), blue(slice), greens(slice);
    for (int top = area.top; top < area.bottom(); top += cell) {
        const int bottom = std::min(top + cell, area.bottom());
        const bool tall = bottom - top > 256;
        for (std::size_t left = 0; left < static_cast<std::size_t>(area.width); left += slice) {
            const std::size_t w = std::min(slice, static_cast<std::size_t>(area.width) - left);
            std::uint32_t* const out = plane.row(top) + area.left + left;  // the slice's top-left
            if (tall) std::fill_n(red.begin(), w, 0), std::fill_n(blue.begin(), w, 0), std::fill_n(greens.begin(), w, 0);
            for (int y0 = top; y0 < bottom; y0 += 256) {
                std::fill_n(redBlue.begin(), w, 0u);
                std::fill_n(green.begin(), w, 0u);
                for (int y = y0; y < std::min(y0 + 256, bottom); ++y) {
                    const std::uint32_t* __restrict row = plane.row(y) + area.left + left;
                    std::uint32_t* __restrict rb = redBlue.data();
                    std::uint32_t* __restrict g = green.data();
                    for (std::size_t x = 0; x < w; ++x) {
                        rb[x] += row[x] & 0x00FF00FFu;
                        g[x] += row[x] >> 8 & 0xFFu;
                    }
                }
                if (tall)
                    for (std::size_t x = 0; x < w; ++x)
                        red[x] += redBlue[x] >> 16, blue[x] += redBlue[x] & 0xFFFFu, greens[x] += green[x];
            }
            const std::uint64_t rows = static_cast<std::uint64_t>(bottom - top);
            const MeanOf whole(step * rows);
            NextSlice next(plane, area, top, bottom, cell, left, slice);
            const std::size_t ask = next.PerCell((w + step - 1) / step);
            std::size_t from = 0;
            // Where a cell's red (or blue) sum stays below 2^16, red and blue
            // are summed across the cell still side by side: the cells' sums
            // and means took more time than reading the pixels.
            if (!tall && step * rows <= 257) {
                const PackedCells cells{redBlue.data(), green.data(), line.data(), out, whole};
                switch (step) {
                case 4: from = cells.Run<4>(w, step, next, ask); break;
                case 5: from = cells.Run<5>(w, step, next, ask); break;
                case 6: from = cells.Run<6>(w, step, next, ask); break;
                case 7: from = cells.Run<7>(w, step, next, ask); break;
                case 8: from = cells.Run<8>(w, step, next, ask); break;
                default: from = cells.Run<0>(w, step, next, ask); break;
                }
            }
            for (; from < w; from += step) {
                next.Ask(ask);
                const std::size_t to = std::min(from + step, w);
                std::uint64_t r = 0, g = 0, b = 0;
                if (tall) {
                    for (std::size_t x = from; x < to; ++x) r += red[x], g += greens[x], b += blue[x];
                } else {
                    for (std::size_t x = from; x < to; ++x) r += redBlue[x] >> 16, g += green[x], b += redBlue[x] & 0xFFFFu;
                }
                const MeanOf mean = to - from == step ? whole : MeanOf((to - from) * rows);
                std::fill(line.begin() + static_cast<std::ptrdiff_t>(from), line.begin() + static_cast<std::ptrdiff_t>(to),
                          (out[from] & kTopByte) | Rgb(mean(r), mean(g), mean(b)));
            }
            for (int y = top; y < bottom; ++y) std::copy_n(line.begin(), w, plane.row(y) + area.left + left);
        }
    }
}

}  // namespace

void Pixelate(const PixelPlane& plane, Rect area, int cell, const SideBySide& cores) {
    area = Intersect(area, Rect{0, 0, plane.width, plane.height});
    if (area.empty() || cell < 1) return;
    const bool large = static_cast<long long>(area.width) * area.height >= kMosaicSideBySidePixels;
    RunSideBySide(cores, large ? kMostFilterParts : 1, [&](int part, int parts) {
        int top = 0, bottom = 0;
        SliceOf(area.top, area.bottom(), cell, part, parts, top, bottom);
        if (top < bottom) PixelateRows(plane, {area.left, top, area.width, bottom - top}, cell);
    });
}

int BlurRadiusFor(float width, const Rect& area) {
    return std::clamp(static_cast<int>(std::lround(width)), 1, std::max(1, std::max(area.width, area.height)));
}

}  // namespace vellumo

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

// round(sum / n) for a mean of n pixels (half up), from a multiply by 1 / n:
// a divide per channel and cell cost more than summing the cell. The
// double's answer is off by at most one near a half, and then corrected.
class MeanOf {
public:
    explicit MeanOf(std::uint64_t n) : n_(n), inverse_(1.0 / static_cast<double>(n)) {}
    std::uint32_t operator()(std::uint64_t sum) const {
        const std::uint64_t up = sum + n_ / 2;
        std::uint64_t q = static_cast<std::uint64_t>(static_cast<double>(up) * inverse_);
        if (q * n_ > up) --q;
        else if ((q + 1) * n_ <= up) ++q;
        return static_cast<std::uint32_t>(q);
    }

private:
    std::uint64_t n_;
    double inverse_;
};

// How wide a slice of a band of cells is summed at a time: whole cells,
// about 512 pixels, so that the sums stay in the first-level cache.
std::size_t SliceWidth(int cell) { return static_cast<std::size_t>(cell) * static_cast<std::size_t>(std::max(1, 512 / cell)); }

}  // namespace

// Each band of `cell` rows is read once into per-column sums (a loop along
// the row that the compiler vectorises), a slice of whole cells at a time,
// the cells' means are worked out from those, and each row of the slice is
// then written once from one line of colours (each cell whole, with the top
// byte of its top-left pixel).
// Red and blue are summed side by side in one word (green in another) while
// a column holds at most 256 pixels, so no sum carries into its neighbour;
// taller cells are summed 256 rows at a time.
void Pixelate(const PixelPlane& plane, Rect area, int cell) {
    area = Intersect(area, Rect{0, 0, plane.width, plane.height});
    if (area.empty() || cell < 1) return;
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
            for (std::size_t from = 0; from < w; from += step) {
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

int BlurRadiusFor(float width, const Rect& area) {
    return std::clamp(static_cast<int>(std::lround(width)), 1, std::max(1, std::max(area.width, area.height)));
}

namespace {

// The blur runs along "lanes": several rows (or columns) of pixels side by
// side, so that one position along the run is a short array of pixels, each
// channel in a 32-bit lane of its own, which the compiler turns into vector
// adds. Rows are first transposed into lanes so that they, too, are summed
// that way instead of one dependent add after another; the transposition
// moves whole pixels, and the channels are split and joined by loops over
// the lanes, which vectorise.
//
// Three box passes of 2r+1 are summed without dividing in between: the sum
// of (2r+1)^3 pixels of 255 fits a signed 32-bit lane up to 2r+1 = 203, and
// it is rounded once at the end. Wider boxes divide after each pass.
constexpr int kWidestExactBox = 203;

template <int Lanes>
class LaneBlur {
public:
    static constexpr int kWide = 3 * Lanes;  // red lanes, green lanes, blue lanes

    LaneBlur(int n, int r)
        : n_(n), r_(r), pixels_(static_cast<std::size_t>(n) * Lanes), a_(static_cast<std::size_t>(n) * kWide), b_(a_.size()) {}

    // The Lanes pixels at position i of a buffer of its own.
    std::uint32_t* at(int i) { return &pixels_[static_cast<std::size_t>(i) * Lanes]; }

    // Blurs the Lanes pixels at(i) for each position i in place, keeping
    // each pixel's top byte. `pixels(i)` says where they are: in the plane
    // itself, or in at(i) when they had to be gathered.
    template <typename PixelsAt>
    void Run(PixelsAt pixels) {
        Split(pixels);
        const std::uint32_t box = 2 * static_cast<std::uint32_t>(r_) + 1;
        const bool exact = box <= kWidestExactBox;
        for (int pass = 0; pass < 3; ++pass) {
            Sums(a_.data(), b_.data());
            a_.swap(b_);
            if (!exact) Divide(box);
        }
        const float boxf = static_cast<float>(box);
        Join(pixels, exact ? 1.0f / (boxf * boxf * boxf) : 1.0f);
    }

private:
    template <typename PixelsAt>
    void Split(PixelsAt pixels) {
        for (int i = 0; i < n_; ++i) {
            const std::uint32_t* __restrict p = pixels(i);
            std::uint32_t* __restrict lanes = &a_[static_cast<std::size_t>(i) * kWide];
            for (int k = 0; k < Lanes; ++k) {
                lanes[k] = p[k] >> 16 & 0xFFu;
                lanes[Lanes + k] = p[k] >> 8 & 0xFFu;
                lanes[2 * Lanes + k] = p[k] & 0xFFu;
            }
        }
    }
    // Each channel (a sum below 2^31) times `scale`, rounded to the nearest.
    template <typename PixelsAt>
    void Join(PixelsAt pixels, float scale) {
        const auto value = [scale](std::uint32_t v) {
            return static_cast<std::uint32_t>(
                static_cast<std::int32_t>(static_cast<float>(static_cast<std::int32_t>(v)) * scale + 0.5f));
        };
        for (int i = 0; i < n_; ++i) {
            std::uint32_t* __restrict p = pixels(i);
            const std::uint32_t* __restrict lanes = &a_[static_cast<std::size_t>(i) * kWide];
            for (int k = 0; k < Lanes; ++k)
                p[k] = (p[k] & kTopByte) | Rgb(value(lanes[k]), value(lanes[Lanes + k]), value(lanes[2 * Lanes + k]));
        }
    }
    // out[i] = the sum of in[j] for j within r of i, the ends repeated.
    void Sums(const std::uint32_t* in, std::uint32_t* out) const {
        const auto pos = [&](int i) { return in + static_cast<std::size_t>(std::clamp(i, 0, n_ - 1)) * kWide; };
        std::fill_n(out, kWide, 0u);
        for (int j = -r_; j <= r_; ++j) {
            const std::uint32_t* p = pos(j);
            for (int l = 0; l < kWide; ++l) out[l] += p[l];
        }
        for (int i = 1; i < n_; ++i) {
            std::uint32_t* o = out + static_cast<std::size_t>(i) * kWide;
            Slide(o, o - kWide, pos(i + r_), pos(i - r_ - 1));
        }
    }
    // One step of the window: next = last + what comes in - what drops out.
    // A plain loop over distinct arrays, so the compiler vectorises it (a sum
    // kept in a local array it would not).
    static void Slide(std::uint32_t* __restrict next, const std::uint32_t* last, const std::uint32_t* __restrict add,
                      const std::uint32_t* __restrict drop) {
        for (int l = 0; l < kWide; ++l) next[l] = last[l] + add[l] - drop[l];
    }
    void Divide(std::uint32_t box) {
        for (std::uint32_t& v : a_) v = (v + box / 2) / box;
    }

    int n_, r_;
    std::vector<std::uint32_t> pixels_, a_, b_;
};

// The rows of `area`, kRowLanes at a time, transposed into lanes.
constexpr int kRowLanes = 8;
void BlurRows(const PixelPlane& plane, const Rect& area, int r) {
    LaneBlur<kRowLanes> blur(area.width, r);
    for (int top = area.top; top < area.bottom(); top += kRowLanes) {
        // Lanes past the last row repeat it: blurred alike, never written.
        const int rows = std::min(kRowLanes, area.bottom() - top);
        const std::uint32_t* from[kRowLanes];
        for (int k = 0; k < kRowLanes; ++k) from[k] = plane.row(top + std::min(k, rows - 1)) + area.left;
        for (int x = 0; x < area.width; ++x) {
            std::uint32_t* lanes = blur.at(x);
            for (int k = 0; k < kRowLanes; ++k) lanes[k] = from[k][x];
        }
        blur.Run([&](int x) { return blur.at(x); });
        for (int x = 0; x < area.width; ++x) {
            const std::uint32_t* lanes = blur.at(x);
            for (int k = 0; k < rows; ++k) plane.row(top + k)[area.left + x] = lanes[k];
        }
    }
}

// The columns of `area`, kColumnLanes at a time, read and written in place:
// 16 pixels are one 64-byte cache line of each row. A last band of fewer
// columns is gathered, its last column repeated.
constexpr int kColumnLanes = 16;
void BlurColumns(const PixelPlane& plane, const Rect& area, int r) {
    LaneBlur<kColumnLanes> blur(area.height, r);
    for (int left = area.left; left < area.right(); left += kColumnLanes) {
        const int columns = std::min(kColumnLanes, area.right() - left);
        if (columns == kColumnLanes) {
            blur.Run([&](int y) { return plane.row(area.top + y) + left; });
            continue;
        }
        for (int y = 0; y < area.height; ++y) {
            const std::uint32_t* row = plane.row(area.top + y) + left;
            std::uint32_t* lanes = blur.at(y);
            std::copy_n(row, columns, lanes);
            std::fill(lanes + columns, lanes + kColumnLanes, row[columns - 1]);
        }
        blur.Run([&](int y) { return blur.at(y); });
        for (int y = 0; y < area.height; ++y) std::copy_n(blur.at(y), columns, plane.row(area.top + y) + left);
    }
}

}  // namespace

void BlurArea(const PixelPlane& plane, Rect area, int r) {
    area = Intersect(area, Rect{0, 0, plane.width, plane.height});
    if (area.empty() || r < 1) return;
    BlurRows(plane, area, r);
    BlurColumns(plane, area, r);
}

}  // namespace vellumo

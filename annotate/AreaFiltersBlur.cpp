// BlurArea of AreaFilters.h: three box passes each way, in fixed-point lanes.
#include "annotate/AreaFilters.h"
#include "annotate/BlurRowsSse2.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vellumo {

namespace {

constexpr std::uint32_t kTopByte = 0xFF000000u;

// The blur runs along "lanes": several rows (or columns) of pixels side by
// side, so that one position along the run is a short array of pixels, each
// byte widened to a lane of its own (the top byte too: blurring it costs
// less than picking the channels apart; it is put back afterwards), which
// the compiler turns into vector adds.
//
// Each pass divides its sums by 2r+1 (a multiply and a shift), so the lanes
// carry a channel in fixed point, with as many fraction bits as a window of
// the widest box leaves room for. Boxes up to kWidestNarrowBox fit 16-bit
// lanes with three fraction bits (twice the lanes per vector add of 32-bit
// ones, within a sixteenth of a level of the exact mean per pass); wider
// boxes take 32-bit lanes with eight.
constexpr int kWidestNarrowBox = 31;
constexpr int kWidestWideBox = 65535;

template <typename Lane>
struct LaneMath {
    // Products are taken in 64 bits even for 16-bit lanes: the compiler still
    // finds the one-step 16-bit multiply where it has vectors, and where it
    // emulates them in general registers (32-bit x86 without SSE2) a 32-bit
    // product came out wrong.
    using Wide = std::uint64_t;
    static constexpr int kBits = 8 * sizeof(Lane);
    // Fraction bits: a window of the widest box of 255s, plus the rounding
    // half, must fit a lane.
    static constexpr int kFraction = sizeof(Lane) == 2 ? 3 : 8;
    static constexpr int kWidestBox = sizeof(Lane) == 2 ? kWidestNarrowBox : kWidestWideBox;
    static_assert(std::uint64_t{kWidestBox} * (255u << kFraction) + kWidestBox / 2 < (std::uint64_t{1} << kBits));

    explicit LaneMath(int box)
        : half(static_cast<Lane>(box / 2)),
          multiplier(static_cast<Lane>(((Wide{1} << kBits) + static_cast<Wide>(box) / 2) / static_cast<Wide>(box))) {}

    // sum / box, rounded, from a multiply by 2^kBits / box and a shift: the
    // high half of a lane-by-lane product, which 16-bit vectors do in one step.
    static Lane Divide(Lane sum, Lane half, Lane multiplier) {
        return static_cast<Lane>(static_cast<Wide>(static_cast<Lane>(sum + half)) * static_cast<Wide>(multiplier) >> kBits);
    }
    static Lane FromByte(std::uint8_t b) { return static_cast<Lane>(static_cast<Lane>(b) << kFraction); }
    static std::uint8_t ToByte(Lane v) {
        return static_cast<std::uint8_t>(static_cast<Lane>(v + (Lane{1} << (kFraction - 1))) >> kFraction);
    }

    Lane half;
    Lane multiplier;  // 2^kBits / box, rounded: below 2^kBits for a box of 3 or more
};

// `pixels` blurred over `out`, each keeping the top byte it had.
template <int Count>
void PutBack(std::uint32_t* __restrict out, const std::uint8_t* __restrict pixels) {
    std::uint32_t p[Count];
    std::memcpy(p, pixels, sizeof p);
    for (int k = 0; k < Count; ++k) out[k] = (out[k] & kTopByte) | (p[k] & ~kTopByte);
}

// One run of n positions of Pixels pixels each: the three passes go from
// one buffer to the other and back, each buffer holding the run with r
// copies of its end positions beyond each end (as a box pass clamped at the
// edges reads it), so the passes' inner loops have no edge cases. A buffer
// of a row's or a column's band stays in the second-level cache.
template <typename Lane, int Pixels>
class LaneBlur {
public:
    static constexpr int kWide = 4 * Pixels;  // each byte of each pixel

    LaneBlur(int n, int r)
        : n_(n),
          r_(r),
          math_(2 * r + 1),
          a_(static_cast<std::size_t>(n + 2 * r) * kWide),
          b_(a_.size()),
          before_(static_cast<std::size_t>(n) * Pixels) {}

    // Blurs one run. `read(i, pixels)` gives the pixels at position i,
    // `write(i, pixels)` takes them blurred, each with the top byte it had.
    template <typename Read, typename Write>
    void Run(Read read, Write write) {
        // All read first, then widened: widening each position as it was
        // read loaded it whole right after storing it pixel by pixel, which
        // the store buffer cannot forward, and stalled.
        for (int i = 0; i < n_; ++i) read(i, &before_[static_cast<std::size_t>(i) * Pixels]);
        const std::uint8_t* __restrict raw = reinterpret_cast<const std::uint8_t*>(before_.data());
        Lane* __restrict widened = at(a_, r_);
        for (std::size_t l = 0; l < static_cast<std::size_t>(n_) * kWide; ++l) widened[l] = LaneMath<Lane>::FromByte(raw[l]);
        for (int pass = 0; pass < 3; ++pass) {
            Pad(a_);
            Pass(a_, b_);
            a_.swap(b_);
        }
        for (int i = 0; i < n_; ++i) {
            const Lane* __restrict lanes = at(a_, r_ + i);
            alignas(16) std::uint8_t bytes[kWide];
            for (int l = 0; l < kWide; ++l) bytes[l] = LaneMath<Lane>::ToByte(lanes[l]);
            std::uint32_t* pixels = &before_[static_cast<std::size_t>(i) * Pixels];
            PutBack<Pixels>(pixels, bytes);
            write(i, static_cast<const std::uint32_t*>(pixels));
        }
    }

private:
    Lane* at(std::vector<Lane>& v, int i) { return &v[static_cast<std::size_t>(i) * kWide]; }

    void Pad(std::vector<Lane>& v) {
        for (int i = 0; i < r_; ++i) {
            std::copy_n(at(v, r_), kWide, at(v, i));
            std::copy_n(at(v, r_ + n_ - 1), kWide, at(v, r_ + n_ + i));
        }
    }
    // out[r + i] = the mean of in[i .. i + 2r]. The sum wraps around as it
    // slides, but only ever ends where it would have ended unwrapped.
    void Pass(std::vector<Lane>& from, std::vector<Lane>& into) {
        alignas(16) Lane sum[kWide] = {};
        for (int j = 0; j < 2 * r_; ++j) Add(sum, at(from, j));
        for (int i = 0; i < n_; ++i) Slide(sum, at(from, i + 2 * r_), at(from, i), at(into, r_ + i));
    }
    static void Add(Lane* __restrict sum, const Lane* __restrict in) {
        for (int l = 0; l < kWide; ++l) sum[l] = static_cast<Lane>(sum[l] + in[l]);
    }
    // Out of line: inlined into its caller, the loop is unrolled whole
    // before it is vectorised, and the divide loses its one-step multiply.
    [[gnu::noinline]] void Slide(Lane* __restrict sum, const Lane* __restrict add, const Lane* __restrict drop,
                                 Lane* __restrict out) const {
        const Lane half = math_.half, multiplier = math_.multiplier;
#pragma GCC unroll 4
        for (int l = 0; l < kWide; ++l) {
            const Lane full = static_cast<Lane>(sum[l] + add[l]);
            out[l] = LaneMath<Lane>::Divide(full, half, multiplier);
            sum[l] = static_cast<Lane>(full - drop[l]);
        }
    }

    int n_, r_;
    LaneMath<Lane> math_;
    std::vector<Lane> a_, b_;
    std::vector<std::uint32_t> before_;  // the pixels as they were: their top bytes stay
};

static_assert(std::endian::native == std::endian::little, "the top byte is the fourth of a pixel");

// The rows of `area`, kRowLanes at a time. Lanes past the last row repeat
// it: blurred alike, never written.
constexpr int kRowLanes = 8;
template <typename Lane>
void BlurRows(const PixelPlane& plane, const Rect& area, int r) {
    LaneBlur<Lane, kRowLanes> blur(area.width, r);
    for (int top = area.top; top < area.bottom(); top += kRowLanes) {
        const int rows = std::min(kRowLanes, area.bottom() - top);
        std::uint32_t* at[kRowLanes];
        for (int k = 0; k < kRowLanes; ++k) at[k] = plane.row(top + std::min(k, rows - 1)) + area.left;
        blur.Run([&](int x, std::uint32_t* pixels) { for (int k = 0; k < kRowLanes; ++k) pixels[k] = at[k][x]; },
                 [&](int x, const std::uint32_t* pixels) {
                     if (rows == kRowLanes) {
                         for (int k = 0; k < kRowLanes; ++k) at[k][x] = pixels[k];
                     } else {
                         for (int k = 0; k < rows; ++k) at[k][x] = pixels[k];
                     }
                 });
    }
}

// Each row of a band is on a page of its own, where the hardware does not
// fetch ahead: the band's rows a few rows on are asked for in advance (a
// tenth off the blur's time).
constexpr int kPrefetchRows = 6;

// The three passes down a band of columns run as one pipeline, a row of the
// band at a time: each pass keeps only the last 2r+1 rows it was given, so
// a row is read from the plane once, goes through all three passes in
// cache, and is written back once, 3r rows later (by then nothing still
// needs it). A whole column run in a buffer, as the rows have, went out to
// memory and back: each row of a band is a page of its own, which the
// prefetcher does not follow.
template <typename Lane, int kPixels>
class BandPipeline {
public:
    static constexpr int kWide = 4 * kPixels;

    BandPipeline(int n, int r) : n_(n), r_(r), box_(2 * r + 1), math_(box_) {
        for (Stage& s : stages_) s.ring.resize(static_cast<std::size_t>(box_ + 1) * kWide);
    }

    // As LaneBlur::Run. `band(i)`, where not null, is where the band's
    // pixels of row i lie in the plane: they are asked for a few rows ahead,
    // and away from the ends read and written there, with no copy.
    template <typename Read, typename Write, typename Band>
    void Run(Read read, Write write, Band band) {
        for (Stage& s : stages_) {
            std::fill(s.ring.begin(), s.ring.end(), Lane{0});
            // Each sum carries the rounding half of its divide from the
            // start, which saves an add per lane and pass.
            std::fill_n(s.sum, kWide, math_.half);
            s.head = s.pushed = s.made = 0;
        }
        for (int i = 0; i < n_; ++i) {
            // Once a row goes through all three passes as one, every row
            // does until the last.
            const bool steady =
                Repeats(i) == 1 && Steady(stages_[0]) && Steady(stages_[1]) && stages_[2].pushed + 1 >= box_;
            // Away from the ends, a row goes through all three passes at
            // once, in one loop over its lanes, each mean going on to the
            // next pass in a register.
            if (band(i) && i + kPrefetchRows < n_)
                for (int k = 0; k < kPixels; k += 16) Prefetch(band(i + kPrefetchRows) + k);
            if (steady && band(i)) {
                ThreeSteps(reinterpret_cast<const std::uint8_t*>(band(i)),
                           reinterpret_cast<std::uint8_t*>(band(stages_[2].made)));
                continue;
            }
            alignas(16) std::uint8_t bytes[kWide];
            read(i, bytes);
            if (steady) {
                alignas(16) std::uint8_t out[kWide];
                ThreeSteps(bytes, out);
                write(stages_[2].made - 1, static_cast<const std::uint8_t*>(out));
                continue;
            }
            Lane* __restrict lanes = stages_[0].Head();
            for (int l = 0; l < kWide; ++l) lanes[l] = LaneMath<Lane>::FromByte(bytes[l]);
            Feed<0>(Repeats(i), write);
        }
    }

private:
    // The last box_ + 1 rows a pass was given, in a ring, and the sum of
    // the last box_. The row box_ pushes back is in the slot after the
    // newest, so a new row is written where the next pass (or the reader)
    // puts it, never copied. The ring starts at zero, so the first pushes
    // fill the window with no special case.
    struct Stage {
        std::vector<Lane> ring;
        alignas(16) Lane sum[kWide];
        int head = 0, pushed = 0, made = 0;
        Lane* Slot(int k) { return &ring[static_cast<std::size_t>(k) * kWide]; }
        Lane* Head() { return Slot(head); }
    };

    // 0xFF in each pixel's top byte: the blurred row keeps that one.
    static constexpr auto kTopBytes = [] {
        std::array<std::uint8_t, kWide> top{};
        for (int l = 3; l < kWide; l += 4) top[l] = 0xFF;
        return top;
    }();

    // Each pass sees its input with the end rows repeated r times beyond
    // each end, as a box pass clamped at the edges reads it.
    int Repeats(int i) const { return 1 + (i == 0 ? r_ : 0) + (i == n_ - 1 ? r_ : 0); }

    // A pass whose next push makes one mean, neither end row of its
    // output: that mean is pushed on once.
    bool Steady(const Stage& s) const { return s.pushed + 1 >= box_ && s.made != 0 && s.made != n_ - 1; }

    // The pixels `from` through all three passes, blurred into `out` (a
    // row 3r back), each pixel there keeping its top byte.
    void ThreeSteps(const std::uint8_t* from, std::uint8_t* out) {
        Lane* now[3];
        const Lane* oldest[3];
        for (int k = 0; k < 3; ++k) {
            Stage& s = stages_[k];
            now[k] = s.Head();
            s.head = s.head == box_ ? 0 : s.head + 1;
            oldest[k] = s.Head();
            ++s.pushed;
            ++s.made;
        }
        ThreeSteps(from, now[0], oldest[0], stages_[0].sum, now[1], oldest[1], stages_[1].sum, now[2], oldest[2],
                   stages_[2].sum, out, math_.multiplier);
    }
    // The same, lane by lane: `from` widened into the first pass's newest
    // slot, each pass's mean into the next one's, the last pass's means
    // narrowed. Out of line, as LaneBlur::Slide.
    [[gnu::noinline]] static void ThreeSteps(const std::uint8_t* __restrict from, Lane* __restrict in0,
                                             const Lane* __restrict old0, Lane* __restrict sum0, Lane* __restrict in1,
                                             const Lane* __restrict old1, Lane* __restrict sum1, Lane* __restrict in2,
                                             const Lane* __restrict old2, Lane* __restrict sum2,
                                             std::uint8_t* __restrict out, Lane multiplier) {
        using Math = LaneMath<Lane>;
        for (int l = 0; l < kWide; ++l) {
            const Lane a = Math::FromByte(from[l]);
            in0[l] = a;
            const Lane s0 = static_cast<Lane>(sum0[l] + a - old0[l]);
            sum0[l] = s0;
            const Lane b = Math::Divide(s0, 0, multiplier);
            in1[l] = b;
            const Lane s1 = static_cast<Lane>(sum1[l] + b - old1[l]);
            sum1[l] = s1;
            const Lane c = Math::Divide(s1, 0, multiplier);
            in2[l] = c;
            const Lane s2 = static_cast<Lane>(sum2[l] + c - old2[l]);
            sum2[l] = s2;
            const std::uint8_t mean = Math::ToByte(Math::Divide(s2, 0, multiplier));
            out[l] = static_cast<std::uint8_t>((out[l] & kTopBytes[l]) | (mean & ~kTopBytes[l]));
        }
    }

    // Pushes the row at stages_[Pass].Head() `times` times.
    template <int Pass, typename Write>
    void Feed(int times, Write& write) {
        Stage& s = stages_[Pass];
        alignas(16) Lane last[kWide];
        for (int t = 0; t < times; ++t) {
            const int oldest = s.head == box_ ? 0 : s.head + 1;
            Lane* mean = Pass < 2 ? stages_[Pass + 1].Head() : last;
            Step(s.sum, s.Head(), s.Slot(oldest), mean, math_.multiplier);
            if (t + 1 < times) std::copy_n(s.Head(), kWide, s.Slot(oldest));
            s.head = oldest;
            if (++s.pushed < box_) continue;
            const int i = s.made++;
            if constexpr (Pass < 2) {
                Feed<Pass + 1>(Repeats(i), write);
            } else {
                alignas(16) std::uint8_t bytes[kWide];
                for (int l = 0; l < kWide; ++l) bytes[l] = LaneMath<Lane>::ToByte(last[l]);
                write(i, bytes);
            }
        }
    }
    // Out of line, as LaneBlur::Slide.
    [[gnu::noinline]] static void Step(Lane* __restrict sum, const Lane* __restrict in, const Lane* __restrict old,
                                       Lane* __restrict mean, Lane multiplier) {
#pragma GCC unroll 4
        for (int l = 0; l < kWide; ++l) {
            const Lane now = static_cast<Lane>(sum[l] + in[l] - old[l]);
            sum[l] = now;
            mean[l] = LaneMath<Lane>::Divide(now, 0, multiplier);
        }
    }

    int n_, r_, box_;
    LaneMath<Lane> math_;
    Stage stages_[3];
};

// The columns of `area`, a band of kBandPixels at a time (16-bit lanes; 32-bit
// ones, for wide boxes, take narrower bands to keep their windows in cache).
// A last band of fewer columns repeats its last.
template <typename Lane>
constexpr int kBandPixels = sizeof(Lane) == 2 ? 128 : 16;
template <typename Lane>
void BlurColumns(const PixelPlane& plane, const Rect& area, int r) {
    constexpr int kPixels = kBandPixels<Lane>;
    BandPipeline<Lane, kPixels> blur(area.height, r);
    for (int left = area.left; left < area.right(); left += kPixels) {
        const int columns = std::min(kPixels, area.right() - left);
        const auto at = [&](int y) { return plane.row(area.top + y) + left; };
        // A whole band is copied by a loop of known length: a library copy
        // of a length known only at run time costs more than the blur.
        if (columns == kPixels) {
            blur.Run(
                [&](int y, std::uint8_t* pixels) { std::memcpy(pixels, at(y), 4 * kPixels); },
                [&](int y, const std::uint8_t* pixels) { PutBack<kPixels>(at(y), pixels); }, at);
            continue;
        }
        blur.Run(
            [&](int y, std::uint8_t* pixels) {
                for (int k = 0; k < kPixels; ++k) std::memcpy(pixels + 4 * k, at(y) + std::min(k, columns - 1), 4);
            },
            [&](int y, const std::uint8_t* pixels) {
                for (int k = 0; k < columns; ++k) PutBack<1>(at(y) + k, pixels + 4 * k);
            },
            [](int) -> std::uint32_t* { return nullptr; });
    }
}

// The rows of `area` blurred along their length.
template <typename Lane>
void BlurRowsOf(const PixelPlane& plane, const Rect& area, int r, BlurRowsBy rowsBy) {
#if defined(VELLUMO_BLUR_ROWS_SSE2)
    // The rows' lanes in registers of our own choosing: the compiler's
    // vectors of the portable pass keep its sums in memory (a third of the
    // blur's time went to the rows' shuffling and sums).
    if (sizeof(Lane) == 2 && rowsBy == BlurRowsBy::Fastest) {
        const LaneMath<Lane> math(2 * r + 1);
        BlurRowsSse2(plane, area, r, math.half, math.multiplier);
        return;
    }
#else
    (void)rowsBy;
#endif
    BlurRows<Lane>(plane, area, r);
}

// Rows, then columns, each cut into bands that may run side by side: a row
// band holds whole lanes of rows, a column band whole bands of columns, so
// every pixel comes out as it would from one part.
template <typename Lane>
void Blur(const PixelPlane& plane, const Rect& area, int r, BlurRowsBy rowsBy, const SideBySide& cores) {
    const int most = static_cast<long long>(area.width) * area.height >= kBlurSideBySidePixels ? kMostFilterParts : 1;
    RunSideBySide(cores, most, [&](int part, int parts) {
        int top = 0, bottom = 0;
        SliceOf(area.top, area.bottom(), kRowLanes, part, parts, top, bottom);
        if (top < bottom) BlurRowsOf<Lane>(plane, {area.left, top, area.width, bottom - top}, r, rowsBy);
    });
    RunSideBySide(cores, most, [&](int part, int parts) {
        int left = 0, right = 0;
        SliceOf(area.left, area.right(), kBandPixels<Lane>, part, parts, left, right);
        if (left < right) BlurColumns<Lane>(plane, {left, area.top, right - left, area.height}, r);
    });
}

}  // namespace

void BlurArea(const PixelPlane& plane, Rect area, int r, BlurRowsBy rowsBy, const SideBySide& cores) {
    area = Intersect(area, Rect{0, 0, plane.width, plane.height});
    if (area.empty() || r < 1) return;
    // The tool asks for no more than the longer side (BlurRadiusFor); a
    // larger radius is taken as that, which bounds the windows' memory.
    r = std::min(r, std::max(area.width, area.height));
    r = std::min(r, kWidestWideBox / 2);
    if (2 * r + 1 <= kWidestNarrowBox)
        Blur<std::uint16_t>(plane, area, r, rowsBy, cores);
    else
        Blur<std::uint32_t>(plane, area, r, rowsBy, cores);
}

}  // namespace vellumo

#include "annotate/BlurRowsSse2.h"

#if defined(VELLUMO_BLUR_ROWS_SSE2)
#include <emmintrin.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace vellumo {

namespace {

// Eight rows side by side: a position along them is 8 pixels, 32 bytes,
// which widen to four vectors of eight 16-bit lanes (two rows per vector).
constexpr int kRows = 8;
constexpr int kVectors = 4;

// 16-byte aligned room for `count` vectors, whatever alignment the heap
// gives (8 bytes on 32-bit Windows).
class VectorBuffer {
public:
    explicit VectorBuffer(std::size_t count) : bytes_(count * 16 + 15) {}
    inline __m128i* data() {
        const auto at = reinterpret_cast<std::uintptr_t>(bytes_.data());
        return reinterpret_cast<__m128i*>((at + 15) & ~std::uintptr_t{15});
    }

private:
    std::vector<unsigned char> bytes_;
};

// Four vectors of four pixels each, rows into columns (its own inverse): in,
// a..d are four rows' pixels x..x+3; out, they are the four rows' pixels at
// x, x+1, x+2 and x+3.
inline void Transpose(__m128i& a, __m128i& b, __m128i& c, __m128i& d) {
    const __m128i ab01 = _mm_unpacklo_epi32(a, b), cd01 = _mm_unpacklo_epi32(c, d);
    const __m128i ab23 = _mm_unpackhi_epi32(a, b), cd23 = _mm_unpackhi_epi32(c, d);
    a = _mm_unpacklo_epi64(ab01, cd01);
    b = _mm_unpackhi_epi64(ab01, cd01);
    c = _mm_unpacklo_epi64(ab23, cd23);
    d = _mm_unpackhi_epi64(ab23, cd23);
}

// One position's 8 pixels (rows 0-3 in `upper`, 4-7 in `lower`) as lanes
// with three fraction bits.
inline void Widen(__m128i upper, __m128i lower, __m128i* lanes) {
    const __m128i zero = _mm_setzero_si128();
    lanes[0] = _mm_slli_epi16(_mm_unpacklo_epi8(upper, zero), 3);
    lanes[1] = _mm_slli_epi16(_mm_unpackhi_epi8(upper, zero), 3);
    lanes[2] = _mm_slli_epi16(_mm_unpacklo_epi8(lower, zero), 3);
    lanes[3] = _mm_slli_epi16(_mm_unpackhi_epi8(lower, zero), 3);
}

// And back, rounded.
inline void Narrow(const __m128i* lanes, __m128i& upper, __m128i& lower) {
    const __m128i half = _mm_set1_epi16(4);
    const auto byte = [&](__m128i v) { return _mm_srli_epi16(_mm_add_epi16(v, half), 3); };
    upper = _mm_packus_epi16(byte(lanes[0]), byte(lanes[1]));
    lower = _mm_packus_epi16(byte(lanes[2]), byte(lanes[3]));
}

// out[r + i] = the mean of in[i .. i + 2r] for each of the n positions; the
// sum stays in registers along the run, carrying the rounding half from the
// start.
void Pass(const __m128i* in, __m128i* out, int n, int r, __m128i half, __m128i multiplier) {
    __m128i s0 = half, s1 = s0, s2 = s0, s3 = s0;
    for (int j = 0; j < 2 * r; ++j) {
        const __m128i* p = in + j * kVectors;
        s0 = _mm_add_epi16(s0, p[0]), s1 = _mm_add_epi16(s1, p[1]);
        s2 = _mm_add_epi16(s2, p[2]), s3 = _mm_add_epi16(s3, p[3]);
    }
    const __m128i* add = in + 2 * r * kVectors;
    const __m128i* drop = in;
    __m128i* mean = out + r * kVectors;
    for (int i = 0; i < n; ++i, add += kVectors, drop += kVectors, mean += kVectors) {
        const __m128i f0 = _mm_add_epi16(s0, add[0]), f1 = _mm_add_epi16(s1, add[1]);
        const __m128i f2 = _mm_add_epi16(s2, add[2]), f3 = _mm_add_epi16(s3, add[3]);
        mean[0] = _mm_mulhi_epu16(f0, multiplier);
        mean[1] = _mm_mulhi_epu16(f1, multiplier);
        mean[2] = _mm_mulhi_epu16(f2, multiplier);
        mean[3] = _mm_mulhi_epu16(f3, multiplier);
        s0 = _mm_sub_epi16(f0, drop[0]), s1 = _mm_sub_epi16(f1, drop[1]);
        s2 = _mm_sub_epi16(f2, drop[2]), s3 = _mm_sub_epi16(f3, drop[3]);
    }
}

// The run's end positions repeated r times beyond each end.
void Pad(__m128i* run, int n, int r) {
    const __m128i* first = run + r * kVectors;
    const __m128i* last = run + (r + n - 1) * kVectors;
    for (int i = 0; i < r; ++i)
        for (int v = 0; v < kVectors; ++v) {
            run[i * kVectors + v] = first[v];
            run[(r + n + i) * kVectors + v] = last[v];
        }
}

inline __m128i Pixels(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    return _mm_setr_epi32(static_cast<int>(a), static_cast<int>(b), static_cast<int>(c), static_cast<int>(d));
}

}  // namespace

void BlurRowsSse2(const PixelPlane& plane, const Rect& area, int r, std::uint16_t half, std::uint16_t multiplier) {
    const int n = area.width;
    const std::size_t positions = static_cast<std::size_t>(n + 2 * r);
    VectorBuffer first(positions * kVectors), second(positions * kVectors);
    const __m128i halfs = _mm_set1_epi16(static_cast<short>(half));
    const __m128i multipliers = _mm_set1_epi16(static_cast<short>(multiplier));
    const __m128i topByte = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (int top = area.top; top < area.bottom(); top += kRows) {
        // Lanes past the last row repeat it: blurred alike, never written.
        const int rows = std::min(kRows, area.bottom() - top);
        std::uint32_t* at[kRows];
        for (int k = 0; k < kRows; ++k) at[k] = plane.row(top + std::min(k, rows - 1)) + area.left;

        // Four positions at a time: four pixels of each row, turned so that
        // each vector holds one position's pixels of four rows.
        __m128i* lanes = first.data() + r * kVectors;
        int x = 0;
        for (; x + 4 <= n; x += 4) {
            __m128i p[kRows];
            for (int k = 0; k < kRows; ++k) p[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at[k] + x));
            Transpose(p[0], p[1], p[2], p[3]);
            Transpose(p[4], p[5], p[6], p[7]);
            for (int j = 0; j < 4; ++j) Widen(p[j], p[4 + j], lanes + (x + j) * kVectors);
        }
        for (; x < n; ++x)
            Widen(Pixels(at[0][x], at[1][x], at[2][x], at[3][x]), Pixels(at[4][x], at[5][x], at[6][x], at[7][x]),
                  lanes + x * kVectors);

        __m128i* from = first.data();
        __m128i* into = second.data();
        for (int pass = 0; pass < 3; ++pass) {
            Pad(from, n, r);
            Pass(from, into, n, r, halfs, multipliers);
            std::swap(from, into);
        }

        const __m128i* blurred = from + r * kVectors;
        x = 0;
        for (; x + 4 <= n; x += 4) {
            __m128i q[kRows];
            for (int j = 0; j < 4; ++j) Narrow(blurred + (x + j) * kVectors, q[j], q[4 + j]);
            Transpose(q[0], q[1], q[2], q[3]);
            Transpose(q[4], q[5], q[6], q[7]);
            for (int k = 0; k < rows; ++k) {
                __m128i* out = reinterpret_cast<__m128i*>(at[k] + x);
                const __m128i was = _mm_loadu_si128(out);
                _mm_storeu_si128(out, _mm_or_si128(_mm_and_si128(was, topByte), _mm_andnot_si128(topByte, q[k])));
            }
        }
        for (; x < n; ++x) {
            __m128i upper, lower;
            Narrow(blurred + x * kVectors, upper, lower);
            alignas(16) std::uint32_t pixels[kRows];
            _mm_store_si128(reinterpret_cast<__m128i*>(pixels), upper);
            _mm_store_si128(reinterpret_cast<__m128i*>(pixels + 4), lower);
            for (int k = 0; k < rows; ++k) at[k][x] = (at[k][x] & 0xFF000000u) | (pixels[k] & 0x00FFFFFFu);
        }
    }
}

}  // namespace vellumo
#endif

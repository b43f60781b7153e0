// PNG written here with zlib rather than by GDI+: Wine's encoder writes rows
// unfiltered (files 1.57 times ImageMagick's) and took 474 ms for a 4K screen.
// Rows are taken a piece at a time and judged by how many pixels repeat
// their left neighbour. Flat pieces (windows, text, toolbars) get the Sub
// filter and zlib's fast LZ77; grainy ones (photographs, wallpapers) get,
// per row, the filter whose output looks smallest (the least sum of bytes
// read as signed), and are deflated run-length where that is smaller. The
// rows are cut into bands that deflate on their own, a few per core, joined
// into one zlib stream as pigz joins them.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vellumo {

enum class PngAlpha {
    Opaque,  // the top byte is ignored: RGB (a capture of the screen)
    Kept,    // straight alpha in the top byte; RGB still when every pixel is opaque
};

// One picture being encoded: EncodeBand(i) for every band, from any threads
// (each band at most once), then Finish(). The pixels (0xAARRGGBB, rows
// top-down, `stride` in pixels) must stay alive until Finish(). A failure of
// zlib for lack of memory throws std::bad_alloc, as a vector does.
class PngEncoding {
public:
    PngEncoding(const std::uint32_t* pixels, int width, int height, std::ptrdiff_t stride, PngAlpha alpha,
                int bands);
    int bands() const { return static_cast<int>(bands_.size()); }
    void EncodeBand(int band);
    // Encodes the next band no thread has taken yet; false when none is left.
    // Threads that each call this until it says false share the bands out as
    // they come free, so one held up by the scheduler holds up little.
    bool EncodeNextBand();
    // The file; empty for a picture of no pixels or a band not encoded.
    std::vector<std::uint8_t> Finish();

    // zlib's level for LZ77: its greedy matcher (tuned further); tuned in `make bench`.
    static constexpr int kLevel = 3;

private:
    struct Band {
        int firstRow = 0, endRow = 0;
        std::vector<std::uint8_t> deflated;  // raw deflate, byte-aligned at its end
        std::uint32_t adler = 1;             // of the filtered rows
        std::size_t filteredBytes = 0;
        bool done = false;
    };
    void RowBytes(int y, std::uint8_t* out) const;
    void SubRow(int y, std::uint8_t* out) const;

    const std::uint32_t* pixels_;
    int width_, height_;
    std::ptrdiff_t stride_;
    int channels_;  // 3 (RGB) or 4 (RGBA)
    std::vector<Band> bands_;
    std::atomic<int> nextBand_{0};
};

// How many bands a picture of `pixels` is cut into for `cores` threads: none
// smaller than kPixelsPerBand (below that a thread costs more than it
// saves), and several per core so that threads which get their core late
// or lose it for a while leave their remaining bands to the others.
inline constexpr long long kPixelsPerBand = 256 * 1024;
inline constexpr int kBandsPerCore = 3;
int BandsFor(long long pixels, int cores);

// The whole encoding on the calling thread.
std::vector<std::uint8_t> EncodePng(const std::uint32_t* pixels, int width, int height, std::ptrdiff_t stride,
                                    PngAlpha alpha = PngAlpha::Opaque);

// How a piece of rows is encoded: see the top of this file.
enum class RowsKind { Flat, Grainy };
// The kind of rows [firstRow, endRow), judged from a sample of them: Flat when
// at least kFlatShare of the sampled pixels repeat the pixel to their left.
// `compareAlpha` counts the top byte too (it is written).
inline constexpr double kFlatShare = 0.3;
RowsKind KindOfRows(const std::uint32_t* pixels, int width, int firstRow, int endRow, std::ptrdiff_t stride,
                    bool compareAlpha);

// The filter (None, Sub, Up or Average) the heuristic picks for `row` (its bytes, `prior` the row
// above or null for the first), written to out[0] with the filtered bytes
// after it (out holds row.size() + 1). `bpp` is bytes per pixel.
int FilterRow(const std::uint8_t* row, const std::uint8_t* prior, std::size_t length, int bpp, std::uint8_t* out);

}  // namespace vellumo

#include "output/PngEncoder.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace vellumo {

namespace {

// Bytes of filtered rows handed to deflate at a time.
constexpr std::size_t kDeflateChunk = 256 * 1024;
// Output grows by this much while a band deflates.
constexpr std::size_t kOutputStep = 256 * 1024;
// Decoders read IDAT chunks of any size; a few large ones cost least.
constexpr std::size_t kIdatBytes = 1 << 20;

// A filtered byte read as signed: the heuristic's measure of how small it is.
inline unsigned Cost(int difference) {
    const unsigned v = static_cast<std::uint8_t>(difference);
    return v < 128 ? v : 256 - v;
}

// Paeth is left out of the choice: on screenshots its rows looked smallest
// by the sum yet deflated 3 % larger than the rows the other four made (and
// on photographs it never won), and leaving it out saves its cost per byte.
template <int Bpp>
int FilterRowFor(const std::uint8_t* row, const std::uint8_t* prior, std::size_t n, std::uint8_t* out) {
    unsigned sum[4] = {};
    // The first pixel has no left neighbour; apart, the loop over the rest
    // has no branch and vectorises.
    for (std::size_t i = 0; i < n && i < Bpp; ++i) {
        const int x = row[i], b = prior[i];
        sum[0] += Cost(x);
        sum[1] += Cost(x);
        sum[2] += Cost(x - b);
        sum[3] += Cost(x - (b >> 1));
    }
    unsigned none = 0, sub = 0, up = 0, average = 0;
    for (std::size_t i = Bpp; i < n; ++i) {
        const int x = row[i], b = prior[i], a = row[i - Bpp];
        none += Cost(x);
        sub += Cost(x - a);
        up += Cost(x - b);
        average += Cost(x - ((a + b) >> 1));
    }
    sum[0] += none;
    sum[1] += sub;
    sum[2] += up;
    sum[3] += average;
    const int type = static_cast<int>(std::min_element(sum, sum + 4) - sum);
    out[0] = static_cast<std::uint8_t>(type);
    std::uint8_t* f = out + 1;
    switch (type) {
        case 0: std::memcpy(f, row, n); break;
        case 1:
            for (std::size_t i = 0; i < n; ++i) f[i] = static_cast<std::uint8_t>(row[i] - (i >= Bpp ? row[i - Bpp] : 0));
            break;
        case 2:
            for (std::size_t i = 0; i < n; ++i) f[i] = static_cast<std::uint8_t>(row[i] - prior[i]);
            break;
        default:
            for (std::size_t i = 0; i < n; ++i)
                f[i] = static_cast<std::uint8_t>(row[i] - (((i >= Bpp ? row[i - Bpp] : 0) + prior[i]) >> 1));
            break;
    }
    return type;
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

// A chunk whose data is already in `out` after its length and type.
void EndChunk(std::vector<std::uint8_t>& out, std::size_t typeAt) {
    const std::size_t length = out.size() - typeAt - 4;
    out[typeAt - 4] = static_cast<std::uint8_t>(length >> 24);
    out[typeAt - 3] = static_cast<std::uint8_t>(length >> 16);
    out[typeAt - 2] = static_cast<std::uint8_t>(length >> 8);
    out[typeAt - 1] = static_cast<std::uint8_t>(length);
    Put32(out, static_cast<std::uint32_t>(crc32(0, out.data() + typeAt, static_cast<uInt>(length + 4))));
}

std::size_t BeginChunk(std::vector<std::uint8_t>& out, const char (&type)[5]) {
    Put32(out, 0);
    const std::size_t at = out.size();
    out.insert(out.end(), type, type + 4);
    return at;
}

// How much of each piece of rows is deflated both ways to choose between them.
constexpr std::size_t kTrialBytes = 16 * 1024;

// LZ77 for every kind of rows: zlib's greedy matcher (levels 1-3) with
// every string hashed (its lazy-match setting caps there how long a match
// has its strings hashed) and a chain of 24. Lazy matching at a chain of 96
// on grainy rows took 40 % of the time on the benchmark's 1080p screen for
// the 8 % of its rows that are mostly wallpaper, and wrote files within
// 0.3 % of these; one matcher also keeps the window and hashes across pieces.
void TuneMatching(z_stream& z) { deflateTune(&z, 8, 258, 258, 24); }

// A stream for trials, reset before each.
struct TrialStream {
    explicit TrialStream(int strategy) {
        if (deflateInit2(&z, PngEncoding::kLevel, Z_DEFLATED, -15, 8, strategy) != Z_OK) throw std::bad_alloc();
        TuneMatching(z);
    }
    ~TrialStream() { deflateEnd(&z); }
    TrialStream(const TrialStream&) = delete;
    TrialStream& operator=(const TrialStream&) = delete;
    std::size_t Size(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& scratch) {
        deflateReset(&z);
        scratch.resize(deflateBound(&z, static_cast<uLong>(size)));
        z.next_in = const_cast<Bytef*>(data);
        z.avail_in = static_cast<uInt>(size);
        z.next_out = scratch.data();
        z.avail_out = static_cast<uInt>(scratch.size());
        deflate(&z, Z_FINISH);
        return z.total_out;
    }
    z_stream z{};
};

// A raw deflate stream that switches between LZ77 (text, flat areas, repeats)
// and run-length coding as the rows come. Rows that stay noise-like after
// filtering (a photograph's grain) deflate smaller run-length, where LZ77's
// short matches cost more than they save, and several times faster: the
// start of each piece is deflated both ways and the smaller way taken.
class Deflater {
public:
    Deflater() {
        if (deflateInit2(&z_, PngEncoding::kLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::bad_alloc();
        TuneMatching(z_);
    }
    ~Deflater() { deflateEnd(&z_); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    void Feed(const std::uint8_t* data, std::size_t size, int flush, std::vector<std::uint8_t>& out) {
        z_.next_in = const_cast<Bytef*>(data);
        z_.avail_in = static_cast<uInt>(size);
        for (;;) {
            if (used_ == out.size()) out.resize(out.size() + kOutputStep);
            z_.next_out = out.data() + used_;
            z_.avail_out = static_cast<uInt>(out.size() - used_);
            const int status = deflate(&z_, flush);
            used_ = out.size() - z_.avail_out;
            if (status == Z_STREAM_END) break;
            if (status != Z_OK && status != Z_BUF_ERROR) throw std::bad_alloc();
            // Done when deflate had room left over: all input taken, the flush written.
            if (z_.avail_out != 0 && z_.avail_in == 0 && flush != Z_FINISH) break;
        }
        if (flush == Z_SYNC_FLUSH || flush == Z_FINISH) out.resize(used_);
        fed_ = true;
    }

    // Flat rows take LZ77; for grainy ones the start of the piece is
    // deflated both ways and the smaller way taken.
    void ChooseFor(RowsKind kind, const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out) {
        int strategy = Z_DEFAULT_STRATEGY;
        if (kind == RowsKind::Grainy) {
            const std::size_t sample = std::min(size, kTrialBytes);
            if (runLength_.Size(data, sample, scratch_) < matching_.Size(data, sample, scratch_)) strategy = Z_RLE;
        }
        if (strategy == strategy_) return;
        // Everything pending goes out first, so the switch cannot stall for room.
        if (fed_) Feed(nullptr, 0, Z_BLOCK, out);
        if (deflateParams(&z_, PngEncoding::kLevel, strategy) != Z_OK) throw std::bad_alloc();
        TuneMatching(z_);  // the level is the same, but zlib need not keep its tuning
        strategy_ = strategy;
    }

private:
    z_stream z_{};
    std::size_t used_ = 0;
    bool fed_ = false;
    int strategy_ = Z_DEFAULT_STRATEGY;
    TrialStream matching_{Z_DEFAULT_STRATEGY}, runLength_{Z_RLE};
    std::vector<std::uint8_t> scratch_;
};

}  // namespace

RowsKind KindOfRows(const std::uint32_t* pixels, int width, int firstRow, int endRow, std::ptrdiff_t stride,
                    bool compareAlpha) {
    // Every fourth row is enough to tell a window from a photograph.
    constexpr int kRowStep = 4;
    const std::uint32_t mask = compareAlpha ? 0xFFFFFFFFu : 0x00FFFFFFu;
    std::size_t repeats = 0, seen = 0;
    for (int y = firstRow; y < endRow; y += kRowStep) {
        const std::uint32_t* row = pixels + y * stride;
        for (int x = 1; x < width; ++x) repeats += ((row[x] ^ row[x - 1]) & mask) == 0;
        seen += static_cast<std::size_t>(std::max(width - 1, 0));
    }
    return seen > 0 && static_cast<double>(repeats) >= kFlatShare * static_cast<double>(seen) ? RowsKind::Flat
                                                                                              : RowsKind::Grainy;
}

int FilterRow(const std::uint8_t* row, const std::uint8_t* prior, std::size_t length, int bpp, std::uint8_t* out) {
    std::vector<std::uint8_t> zeros;
    if (!prior) {
        zeros.assign(length, 0);
        prior = zeros.data();
    }
    switch (bpp) {
        case 3: return FilterRowFor<3>(row, prior, length, out);
        case 4: return FilterRowFor<4>(row, prior, length, out);
        default: return FilterRowFor<1>(row, prior, length, out);
    }
}

PngEncoding::PngEncoding(const std::uint32_t* pixels, int width, int height, std::ptrdiff_t stride, PngAlpha alpha,
                         int bands)
    : pixels_(pixels), width_(std::max(width, 0)), height_(std::max(height, 0)), stride_(stride), channels_(3) {
    if (!pixels_ || width_ == 0 || height_ == 0) return;
    if (alpha == PngAlpha::Kept) {
        for (int y = 0; y < height_ && channels_ == 3; ++y) {
            const std::uint32_t* row = pixels_ + y * stride_;
            for (int x = 0; x < width_; ++x)
                if ((row[x] >> 24) != 0xFF) {
                    channels_ = 4;
                    break;
                }
        }
    }
    const int n = std::clamp(bands, 1, height_);
    bands_.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        bands_[i].firstRow = static_cast<int>(static_cast<long long>(height_) * i / n);
        bands_[i].endRow = static_cast<int>(static_cast<long long>(height_) * (i + 1) / n);
    }
}

int BandsFor(long long pixels, int cores) {
    const long long byPixels = std::max(1LL, pixels / kPixelsPerBand);
    return static_cast<int>(std::min<long long>(byPixels, static_cast<long long>(std::max(cores, 1)) * kBandsPerCore));
}

bool PngEncoding::EncodeNextBand() {
    const int band = nextBand_.fetch_add(1, std::memory_order_relaxed);
    if (band >= bands()) return false;
    EncodeBand(band);
    return true;
}

void PngEncoding::RowBytes(int y, std::uint8_t* out) const {
    const std::uint32_t* p = pixels_ + y * stride_;
    if (channels_ == 3) {
        for (int x = 0; x < width_; ++x, out += 3) {
            out[0] = static_cast<std::uint8_t>(p[x] >> 16);
            out[1] = static_cast<std::uint8_t>(p[x] >> 8);
            out[2] = static_cast<std::uint8_t>(p[x]);
        }
    } else {
        for (int x = 0; x < width_; ++x, out += 4) {
            out[0] = static_cast<std::uint8_t>(p[x] >> 16);
            out[1] = static_cast<std::uint8_t>(p[x] >> 8);
            out[2] = static_cast<std::uint8_t>(p[x]);
            out[3] = static_cast<std::uint8_t>(p[x] >> 24);
        }
    }
}

void PngEncoding::SubRow(int y, std::uint8_t* out) const {
    // The Sub filter straight from the pixels, with no row of bytes between
    // (flat rows are most of a screenshot). The pixel left of the first is zero.
    const std::uint32_t* p = pixels_ + y * stride_;
    std::uint32_t left = 0;
    if (channels_ == 3) {
        for (int x = 0; x < width_; ++x, out += 3) {
            const std::uint32_t c = p[x];
            out[0] = static_cast<std::uint8_t>((c >> 16) - (left >> 16));
            out[1] = static_cast<std::uint8_t>((c >> 8) - (left >> 8));
            out[2] = static_cast<std::uint8_t>(c - left);
            left = c;
        }
    } else {
        for (int x = 0; x < width_; ++x, out += 4) {
            const std::uint32_t c = p[x];
            out[0] = static_cast<std::uint8_t>((c >> 16) - (left >> 16));
            out[1] = static_cast<std::uint8_t>((c >> 8) - (left >> 8));
            out[2] = static_cast<std::uint8_t>(c - left);
            out[3] = static_cast<std::uint8_t>((c >> 24) - (left >> 24));
            left = c;
        }
    }
}

void PngEncoding::EncodeBand(int index) {
    if (index < 0 || index >= bands()) return;
    Band& band = bands_[static_cast<std::size_t>(index)];
    const bool last = index == bands() - 1;
    const std::size_t rowBytes = static_cast<std::size_t>(width_) * static_cast<std::size_t>(channels_);
    std::vector<std::uint8_t> row(rowBytes), prior(rowBytes, 0);
    int priorRow = -1;  // the row whose bytes `prior` holds; none yet
    const std::size_t rowsPerChunk = std::max<std::size_t>(1, kDeflateChunk / (rowBytes + 1));
    std::vector<std::uint8_t> filtered(rowsPerChunk * (rowBytes + 1));
    Deflater deflater;
    std::uint32_t adler = static_cast<std::uint32_t>(adler32(0, nullptr, 0));
    for (int y = band.firstRow; y < band.endRow;) {
        std::size_t used = 0;
        const int pieceEnd = static_cast<int>(std::min<long long>(band.endRow, y + static_cast<long long>(rowsPerChunk)));
        const RowsKind kind = KindOfRows(pixels_, width_, y, pieceEnd, stride_, channels_ == 4);
        for (; y < pieceEnd; ++y) {
            std::uint8_t* out = filtered.data() + used;
            if (kind == RowsKind::Flat) {
                // Sub alone: on windows and text it deflated smaller than the per-row choice, with no choosing.
                out[0] = 1;
                SubRow(y, out + 1);
            } else {
                // Each row is filtered against the one above it, also across bands and pieces.
                if (priorRow != y - 1) {
                    if (y > 0) RowBytes(y - 1, prior.data());
                    else std::fill(prior.begin(), prior.end(), std::uint8_t{0});
                }
                RowBytes(y, row.data());
                FilterRow(row.data(), prior.data(), rowBytes, channels_, out);
                row.swap(prior);
                priorRow = y;
            }
            used += rowBytes + 1;
        }
        adler = static_cast<std::uint32_t>(adler32(adler, filtered.data(), static_cast<uInt>(used)));
        band.filteredBytes += used;
        const int flush = y < band.endRow ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH;
        deflater.ChooseFor(kind, filtered.data(), used, band.deflated);
        deflater.Feed(filtered.data(), used, flush, band.deflated);
    }
    band.adler = adler;
    band.done = true;
}

std::vector<std::uint8_t> PngEncoding::Finish() {
    std::vector<std::uint8_t> out;
    if (bands_.empty() || std::any_of(bands_.begin(), bands_.end(), [](const Band& b) { return !b.done; }))
        return out;
    // The zlib stream: its header, the bands one after another, the Adler-32 of all rows.
    constexpr std::uint8_t kCmf = 0x78;  // deflate, 32 KB window
    const int flevel = kLevel < 2 ? 0 : kLevel < 6 ? 1 : kLevel == 6 ? 2 : 3;
    const std::uint8_t flg = static_cast<std::uint8_t>((flevel << 6) + 31 - ((kCmf << 8) + (flevel << 6)) % 31);
    uLong adler = adler32(0, nullptr, 0);
    std::size_t total = 2 + 4;
    for (const Band& b : bands_) {
        adler = adler32_combine(adler, b.adler, static_cast<z_off_t>(b.filteredBytes));
        total += b.deflated.size();
    }
    const std::array<std::uint8_t, 2> head{kCmf, flg};
    const std::array<std::uint8_t, 4> tail{static_cast<std::uint8_t>(adler >> 24), static_cast<std::uint8_t>(adler >> 16),
                                           static_cast<std::uint8_t>(adler >> 8), static_cast<std::uint8_t>(adler)};

    out.reserve(8 + 25 + total + (total / kIdatBytes + 1) * 12 + 12);
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    out.insert(out.end(), kSignature, kSignature + 8);
    std::size_t at = BeginChunk(out, "IHDR");
    Put32(out, static_cast<std::uint32_t>(width_));
    Put32(out, static_cast<std::uint32_t>(height_));
    out.push_back(8);                         // bits per channel
    out.push_back(channels_ == 4 ? 6 : 2);    // truecolour, with alpha or without
    out.insert(out.end(), {0, 0, 0});         // deflate, adaptive filters, not interlaced
    EndChunk(out, at);

    // The pieces poured into IDAT chunks of kIdatBytes.
    std::vector<std::pair<const std::uint8_t*, std::size_t>> pieces;
    pieces.emplace_back(head.data(), head.size());
    for (const Band& b : bands_) pieces.emplace_back(b.deflated.data(), b.deflated.size());
    pieces.emplace_back(tail.data(), tail.size());
    std::size_t piece = 0, offset = 0, left = total;
    while (left > 0) {
        at = BeginChunk(out, "IDAT");
        for (std::size_t room = std::min(left, kIdatBytes); room > 0;) {
            const auto& [data, size] = pieces[piece];
            const std::size_t take = std::min(room, size - offset);
            out.insert(out.end(), data + offset, data + offset + take);
            room -= take;
            left -= take;
            offset += take;
            if (offset == size) {
                ++piece;
                offset = 0;
            }
        }
        EndChunk(out, at);
    }
    at = BeginChunk(out, "IEND");
    EndChunk(out, at);
    return out;
}

std::vector<std::uint8_t> EncodePng(const std::uint32_t* pixels, int width, int height, std::ptrdiff_t stride,
                                    PngAlpha alpha) {
    PngEncoding encoding(pixels, width, height, stride, alpha, 1);
    for (int i = 0; i < encoding.bands(); ++i) encoding.EncodeBand(i);
    return encoding.Finish();
}

}  // namespace vellumo

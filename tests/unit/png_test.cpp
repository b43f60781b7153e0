// The PNG writer, read back by a decoder written here from the PNG format
// description (chunks and their CRCs, one zlib stream across the IDATs, the
// five row filters undone): every pixel must survive, whatever the bands.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "output/PngEncoder.h"

namespace vellumo {
namespace {

struct Decoded {
    int width = 0, height = 0, colourType = -1, idats = 0;
    std::vector<std::uint32_t> pixels;  // 0xAARRGGBB; 0xFF alpha for RGB
    std::vector<int> filters;           // per row
};

std::uint32_t Be32(const std::vector<std::uint8_t>& f, std::size_t at) {
    return std::uint32_t(f[at]) << 24 | std::uint32_t(f[at + 1]) << 16 | std::uint32_t(f[at + 2]) << 8 | f[at + 3];
}

std::optional<Decoded> DecodePng(const std::vector<std::uint8_t>& f) {
    static const std::uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (f.size() < 8 || !std::equal(sig, sig + 8, f.begin())) return std::nullopt;
    Decoded d;
    std::vector<std::uint8_t> z;
    bool ended = false;
    for (std::size_t at = 8; at + 12 <= f.size() && !ended;) {
        const std::uint32_t len = Be32(f, at);
        if (at + 12 + len > f.size()) return std::nullopt;
        const std::string type(f.begin() + long(at) + 4, f.begin() + long(at) + 8);
        const std::uint8_t* data = f.data() + at + 8;
        if (crc32(0, f.data() + at + 4, len + 4) != Be32(f, at + 8 + len)) return std::nullopt;
        if (type == "IHDR") {
            d.width = int(Be32(f, at + 8));
            d.height = int(Be32(f, at + 12));
            if (data[8] != 8 || data[10] || data[11] || data[12]) return std::nullopt;
            d.colourType = data[9];
        } else if (type == "IDAT") {
            z.insert(z.end(), data, data + len);
            ++d.idats;
        } else if (type == "IEND") {
            ended = true;
        }
        at += 12 + len;
    }
    if (!ended || (d.colourType != 2 && d.colourType != 6)) return std::nullopt;
    const int bpp = d.colourType == 6 ? 4 : 3;
    const std::size_t rowBytes = std::size_t(d.width) * bpp;
    std::vector<std::uint8_t> raw(d.height * (rowBytes + 1));
    uLongf rawLen = uLongf(raw.size());
    if (uncompress(raw.data(), &rawLen, z.data(), uLong(z.size())) != Z_OK || rawLen != raw.size()) return std::nullopt;
    std::vector<std::uint8_t> prior(rowBytes, 0), row(rowBytes);
    for (int y = 0; y < d.height; ++y) {
        const std::uint8_t* in = raw.data() + y * (rowBytes + 1);
        d.filters.push_back(in[0]);
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const int a = i >= std::size_t(bpp) ? row[i - bpp] : 0, b = prior[i];
            const int c = i >= std::size_t(bpp) ? prior[i - bpp] : 0;
            int p = 0;
            switch (in[0]) {
                case 0: break;
                case 1: p = a; break;
                case 2: p = b; break;
                case 3: p = (a + b) / 2; break;
                case 4: {
                    const int e = a + b - c, pa = std::abs(e - a), pb = std::abs(e - b), pc = std::abs(e - c);
                    p = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                    break;
                }
                default: return std::nullopt;
            }
            row[i] = std::uint8_t(in[1 + i] + p);
        }
        for (int x = 0; x < d.width; ++x) {
            const std::uint8_t* px = row.data() + x * bpp;
            const std::uint32_t alpha = bpp == 4 ? px[3] : 0xFF;
            d.pixels.push_back(alpha << 24 | std::uint32_t(px[0]) << 16 | std::uint32_t(px[1]) << 8 | px[2]);
        }
        prior = row;
    }
    return d;
}

std::vector<std::uint8_t> Encode(const std::vector<std::uint32_t>& px, int w, int h, std::ptrdiff_t stride, int bands,
                                 PngAlpha alpha = PngAlpha::Opaque) {
    PngEncoding e(px.data(), w, h, stride, alpha, bands);
    for (int i = e.bands() - 1; i >= 0; --i) e.EncodeBand(i);  // any order
    return e.Finish();
}

// A bit of everything the filters meet: flat areas, gradients, noise, edges.
std::vector<std::uint32_t> Picture(int w, int h, std::ptrdiff_t stride, std::uint32_t alphaBits = 0) {
    std::mt19937 rng(42);
    std::vector<std::uint32_t> px(std::size_t(stride) * h, 0xDEADBEEF);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint32_t c;
            if (y % 7 == 0) c = 0x00FFFFFF;
            else if (x < w / 3) c = std::uint32_t(x * 3) << 16 | std::uint32_t(y * 5 & 255) << 8 | 0x40;
            else if (x < 2 * w / 3) c = rng() & 0xFFFFFF;
            else c = (x / 4 + y / 4) % 2 ? 0x00123456 : 0x00FEDCBA;
            px[std::size_t(y) * stride + x] = c | (alphaBits & rng()) << 24;
        }
    return px;
}

std::vector<std::uint32_t> Visible(const std::vector<std::uint32_t>& px, int w, int h, std::ptrdiff_t stride,
                                   std::uint32_t alphaMask = 0) {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = px[std::size_t(y) * stride + x];
            out.push_back((p & 0xFFFFFF) | (alphaMask ? p & alphaMask : 0xFF000000));
        }
    return out;
}

TEST(PngEncoder, EveryPixelSurvivesWhateverTheBandsAndStride) {
    struct Case {
        int w, h;
        std::ptrdiff_t stride;
        int bands;
    };
    // One pixel; a row; a column; more bands than rows; a stride past the width;
    // a picture big enough for several IDAT chunks.
    for (const Case c : {Case{1, 1, 1, 1}, Case{300, 1, 300, 4}, Case{1, 300, 1, 3}, Case{5, 3, 5, 8},
                         Case{101, 67, 128, 2}, Case{101, 67, 101, 7}, Case{1600, 900, 1600, 3}}) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " bands " + std::to_string(c.bands));
        const auto px = Picture(c.w, c.h, c.stride, 0xFF);  // a top byte that must be ignored
        const auto file = Encode(px, c.w, c.h, c.stride, c.bands);
        const auto d = DecodePng(file);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->width, c.w);
        EXPECT_EQ(d->height, c.h);
        EXPECT_EQ(d->colourType, 2);
        EXPECT_EQ(d->pixels, Visible(px, c.w, c.h, c.stride));
        if (c.w == 1600) EXPECT_GT(d->idats, 1);
    }
}

// Grain above, flat colour and stripes below: the stream switches from
// run-length coding to LZ77 part-way, in every band.
TEST(PngEncoder, RowsOfGrainAndRowsOfFlatColourShareOneStream) {
    constexpr int w = 700, h = 400;
    std::mt19937 rng(3);
    std::vector<std::uint32_t> px(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px[y * w + x] = y < h / 2 ? rng() & 0x0F0F0F : (x / 50 % 2 ? 0x00F0F0F0 : std::uint32_t(y) << 8);
    for (int bands : {1, 3}) {
        const auto d = DecodePng(Encode(px, w, h, w, bands));
        ASSERT_TRUE(d);
        EXPECT_EQ(d->pixels, Visible(px, w, h, w)) << bands << " bands";
    }
}

// Flat pieces between grainy ones: the stream changes zlib's matcher twice
// and must still hold every pixel, in one band and split into several.
TEST(PngEncoder, FlatAndGrainyPiecesAlternateInOneStream) {
    constexpr int w = 400, h = 900;  // about 218 rows to a piece
    std::mt19937 rng(5);
    std::vector<std::uint32_t> px(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px[y * w + x] = y >= 300 && y < 600 ? rng() & 0x3F3F3F : (x / 20 % 2 ? 0x00E0E0E0 : 0x00102030 + y);
    for (int bands : {1, 2, 5}) {
        const auto d = DecodePng(Encode(px, w, h, w, bands));
        ASSERT_TRUE(d);
        EXPECT_EQ(d->pixels, Visible(px, w, h, w)) << bands << " bands";
        // The flat rows at either end were written with Sub alone.
        EXPECT_EQ(d->filters.front(), 1);
        EXPECT_EQ(d->filters.back(), 1);
    }
}

TEST(PngEncoder, FlatRowsAreTheOnesThatRepeatTheirLeftNeighbour) {
    constexpr int w = 101, h = 8;  // 100 neighbour pairs a row
    const auto rowsWithRepeats = [](int repeats, std::uint32_t differingBits) {
        std::vector<std::uint32_t> px(w * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                px[y * w + x] = x == 0 || x > repeats ? std::uint32_t(x) * differingBits : px[y * w + x - 1];
        return px;
    };
    const int atShare = int(kFlatShare * 100);
    auto px = rowsWithRepeats(atShare, 0x010203);
    EXPECT_EQ(KindOfRows(px.data(), w, 0, h, w, false), RowsKind::Flat);
    px = rowsWithRepeats(atShare - 1, 0x010203);
    EXPECT_EQ(KindOfRows(px.data(), w, 0, h, w, false), RowsKind::Grainy);
    // Pixels apart only in the top byte repeat unless the alpha is written.
    px = rowsWithRepeats(0, 0x01000000);
    EXPECT_EQ(KindOfRows(px.data(), w, 0, h, w, false), RowsKind::Flat);
    EXPECT_EQ(KindOfRows(px.data(), w, 0, h, w, true), RowsKind::Grainy);
    // One pixel a row has no neighbour to repeat; no rows, nothing to judge.
    EXPECT_EQ(KindOfRows(px.data(), 1, 0, h, w, false), RowsKind::Grainy);
    EXPECT_EQ(KindOfRows(px.data(), w, 3, 3, w, false), RowsKind::Grainy);
}

TEST(PngEncoder, BandsCostAlmostNothingInSize) {
    const auto px = Picture(640, 480, 640);
    const auto one = Encode(px, 640, 480, 640, 1), four = Encode(px, 640, 480, 640, 4);
    EXPECT_EQ(one, EncodePng(px.data(), 640, 480, 640));
    EXPECT_LT(double(four.size()), double(one.size()) * 1.01);
}

// Threads that take bands as they come free write the same file as one
// thread taking them in turn: no band encoded twice, none left out.
TEST(PngEncoder, ThreadsSharingTheBandsWriteTheSameFile) {
    constexpr int w = 300, h = 400, bands = 7;
    const auto px = Picture(w, h, w);
    const auto inTurn = Encode(px, w, h, w, bands);
    PngEncoding shared(px.data(), w, h, w, PngAlpha::Opaque, bands);
    std::vector<int> taken(3, 0);
    {
        std::vector<std::thread> threads;
        for (int& count : taken)
            threads.emplace_back([&shared, &count] {
                while (shared.EncodeNextBand()) ++count;
            });
        for (auto& t : threads) t.join();
    }
    EXPECT_EQ(taken[0] + taken[1] + taken[2], bands);
    EXPECT_FALSE(shared.EncodeNextBand());
    const auto file = shared.Finish();
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file, inTurn);
}

// Bands of at least kPixelsPerBand each, at most kBandsPerCore to a core.
TEST(PngEncoder, BandsFollowThePixelsUpToAFewPerCore) {
    EXPECT_EQ(BandsFor(0, 4), 1);
    EXPECT_EQ(BandsFor(2 * kPixelsPerBand - 1, 4), 1);
    EXPECT_EQ(BandsFor(2 * kPixelsPerBand, 4), 2);
    EXPECT_EQ(BandsFor(5 * kPixelsPerBand, 4), 5);
    EXPECT_EQ(BandsFor(1920LL * 1080, 2), 2 * kBandsPerCore);
    EXPECT_EQ(BandsFor(3840LL * 2160, 1), kBandsPerCore);
    // A count of no cores still gets a band.
    EXPECT_EQ(BandsFor(3840LL * 2160, 0), kBandsPerCore);
}

TEST(PngEncoder, AlphaIsWrittenOnlyWhenThePictureHasIt) {
    const auto translucent = Picture(40, 30, 40, 0xFF);
    auto d = DecodePng(Encode(translucent, 40, 30, 40, 2, PngAlpha::Kept));
    ASSERT_TRUE(d);
    EXPECT_EQ(d->colourType, 6);
    EXPECT_EQ(d->pixels, Visible(translucent, 40, 30, 40, 0xFF000000));

    auto opaque = Picture(40, 30, 40);
    for (auto& p : opaque) p |= 0xFF000000;
    d = DecodePng(Encode(opaque, 40, 30, 40, 2, PngAlpha::Kept));
    ASSERT_TRUE(d);
    EXPECT_EQ(d->colourType, 2);
    EXPECT_EQ(d->pixels, Visible(opaque, 40, 30, 40));
}

TEST(PngEncoder, NoPixelsNoFile) {
    const std::vector<std::uint32_t> px(4, 0);
    EXPECT_TRUE(EncodePng(px.data(), 0, 4, 1).empty());
    EXPECT_TRUE(EncodePng(px.data(), 4, 0, 4).empty());
    EXPECT_TRUE(EncodePng(nullptr, 2, 2, 2).empty());
    PngEncoding unfinished(px.data(), 2, 2, 2, PngAlpha::Opaque, 2);
    unfinished.EncodeBand(0);
    EXPECT_TRUE(unfinished.Finish().empty());
}

// Each row gets the filter that predicts it: a ramp across (Sub), a row like
// the one above (Up), flat zeros (None, the first of equals).
TEST(PngEncoder, EachRowGetsTheFilterThatPredictsIt) {
    constexpr int w = 64, bpp = 3;
    std::vector<std::uint8_t> ramp(w * bpp), noise(w * bpp), zeros(w * bpp, 0), out(w * bpp + 1);
    std::mt19937 rng(7);
    for (int i = 0; i < w * bpp; ++i) {
        ramp[i] = std::uint8_t((i / bpp) * 3);
        noise[i] = std::uint8_t(rng());
    }
    EXPECT_EQ(FilterRow(ramp.data(), nullptr, ramp.size(), bpp, out.data()), 1);
    EXPECT_EQ(FilterRow(noise.data(), noise.data(), noise.size(), bpp, out.data()), 2);
    EXPECT_EQ(out[0], 2);
    for (std::size_t i = 1; i < out.size(); ++i) ASSERT_EQ(out[i], 0);
    EXPECT_EQ(FilterRow(zeros.data(), nullptr, zeros.size(), bpp, out.data()), 0);

}

}  // namespace
}  // namespace vellumo

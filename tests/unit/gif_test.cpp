// The GIF writer, read back by a decoder written from the GIF89a format
// description: the header, the colour table and every pixel must survive,
// across table resets (more than 4096 codes) and the widening of the codes.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "output/GifEncoder.h"
#include "output/ImageFormat.h"

namespace vellumo {
namespace {

struct Decoded {
    int width = 0, height = 0;
    std::vector<std::uint32_t> palette;
    std::vector<std::uint8_t> indices;
    int resets = 0;  // clear codes seen after the first
};

// Reads one-image GIFs as the GIF89a format describes them; nothing on failure.
std::optional<Decoded> DecodeGif(const std::vector<std::uint8_t>& f) {
    Decoded d;
    std::size_t at = 0;
    auto u8 = [&]() -> int { return at < f.size() ? f[at++] : -1; };
    auto u16 = [&]() { const int lo = u8(), hi = u8(); return lo < 0 || hi < 0 ? -1 : lo | hi << 8; };
    if (f.size() < 13 || std::string(f.begin(), f.begin() + 6) != "GIF89a") return std::nullopt;
    at = 6;
    d.width = u16();
    d.height = u16();
    const int flags = u8();
    u8();
    u8();
    if (!(flags & 0x80)) return std::nullopt;
    for (int i = 0; i < (2 << (flags & 7)); ++i) {
        const int r = u8(), g = u8(), b = u8();
        d.palette.push_back(std::uint32_t(r) << 16 | g << 8 | b);
    }
    if (u8() != 0x2C || u16() != 0 || u16() != 0 || u16() != d.width || u16() != d.height || u8() != 0)
        return std::nullopt;
    const int minBits = u8();
    std::vector<std::uint8_t> data;
    for (int len = u8(); len > 0; len = u8())
        for (int i = 0; i < len; ++i) data.push_back(static_cast<std::uint8_t>(u8()));
    if (u8() != 0x3B || at != f.size()) return std::nullopt;

    const int clear = 1 << minBits, end = clear + 1;
    std::vector<std::vector<std::uint8_t>> table;
    auto reset = [&] {
        table.assign(clear + 2, {});
        for (int i = 0; i < clear; ++i) table[i] = {static_cast<std::uint8_t>(i)};
    };
    int bits = minBits + 1;
    std::size_t bitPos = 0;
    auto read = [&]() -> int {
        if (bitPos + bits > data.size() * 8) return -1;
        int code = 0;
        for (int i = 0; i < bits; ++i, ++bitPos) code |= ((data[bitPos / 8] >> (bitPos % 8)) & 1) << i;
        return code;
    };
    std::optional<std::vector<std::uint8_t>> prev;
    bool first = true;
    for (;;) {
        const int code = read();
        if (code < 0) return std::nullopt;
        if (code == clear) {
            if (!first) ++d.resets;
            first = false;
            reset();
            bits = minBits + 1;
            prev.reset();
            continue;
        }
        if (code == end) break;
        std::vector<std::uint8_t> entry;
        if (code < static_cast<int>(table.size()) && !(code >= clear && code <= end)) {
            entry = table[code];
        } else if (code == static_cast<int>(table.size()) && prev) {
            entry = *prev;
            entry.push_back((*prev)[0]);
        } else {
            return std::nullopt;
        }
        if (prev && table.size() < 4096) {
            std::vector<std::uint8_t> added = *prev;
            added.push_back(entry[0]);
            table.push_back(added);
        }
        if (static_cast<int>(table.size()) == (1 << bits) && bits < 12) ++bits;
        d.indices.insert(d.indices.end(), entry.begin(), entry.end());
        prev = entry;
    }
    return d;
}

IndexedImage Indexed(int colours, std::vector<std::uint8_t> indices) {
    IndexedImage img;
    for (int i = 0; i < colours; ++i) img.palette.push_back((0x010203u * i) & 0xFFFFFFu);
    img.indices = std::move(indices);
    return img;
}

void ExpectRoundTrip(const IndexedImage& img, int w, int h, const char* what, int minResets = 0) {
    const auto file = EncodeGif(img, w, h);
    ASSERT_FALSE(file.empty()) << what;
    const auto d = DecodeGif(file);
    ASSERT_TRUE(d) << what << ": not a GIF89a file this decoder reads";
    EXPECT_EQ(d->width, w) << what;
    EXPECT_EQ(d->height, h) << what;
    ASSERT_GE(d->palette.size(), img.palette.size()) << what;
    for (std::size_t i = 0; i < img.palette.size(); ++i) EXPECT_EQ(d->palette[i], img.palette[i]) << what << " colour " << i;
    EXPECT_TRUE(d->indices == img.indices) << what << ": the pixels differ";
    EXPECT_GE(d->resets, minResets) << what;
}

TEST(Gif, SmallImagesOfEveryTableSize) {
    ExpectRoundTrip(Indexed(1, {0}), 1, 1, "one pixel, one colour");
    ExpectRoundTrip(Indexed(2, {0, 1, 1, 0}), 2, 2, "two colours");
    ExpectRoundTrip(Indexed(5, {0, 1, 2, 3, 4, 4, 3, 2, 1}), 3, 3, "five colours: an 8-entry table");
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
    ExpectRoundTrip(Indexed(256, all), 16, 16, "256 colours, each once");
    // The same colour throughout: ever longer strings of one index (the code
    // that names the entry being made).
    ExpectRoundTrip(Indexed(3, std::vector<std::uint8_t>(100000, 2)), 500, 200, "one colour");
}

TEST(Gif, NoiseFillsTheTableManyTimesOver) {
    std::mt19937 rng(42);
    std::vector<std::uint8_t> noise(300 * 200);
    for (auto& v : noise) v = static_cast<std::uint8_t>(rng());
    ExpectRoundTrip(Indexed(256, noise), 300, 200, "256-colour noise", 10);
    std::vector<std::uint8_t> few(257 * 131);
    for (auto& v : few) v = static_cast<std::uint8_t>(rng() % 4);
    ExpectRoundTrip(Indexed(4, few), 257, 131, "4-colour noise, odd sizes", 1);
}

TEST(Gif, ASizeThatDoesNotMatchItsPixelsWritesNothing) {
    EXPECT_TRUE(EncodeGif(Indexed(2, {0, 1, 0}), 2, 2).empty());
    EXPECT_TRUE(EncodeGif(Indexed(2, {}), 0, 0).empty());
    EXPECT_TRUE(EncodeGif(Indexed(0, {0}), 1, 1).empty());
    EXPECT_TRUE(EncodeGif(Indexed(2, std::vector<std::uint8_t>(70000)), 70000, 1).empty()) << "wider than GIF allows";
}

TEST(Gif, AScreenReducedToItsPaletteSurvivesWhole) {
    // A screen-like picture of more than 256 colours goes through the cube.
    std::vector<std::uint32_t> px(640 * 360);
    for (int y = 0; y < 360; ++y)
        for (int x = 0; x < 640; ++x) px[y * 640 + x] = std::uint32_t(x % 256) << 16 | (y % 256) << 8 | ((x * y) & 255);
    const IndexedImage img = ReduceToPalette(px.data(), 640, 360, 640);
    ASSERT_EQ(img.palette.size(), 216u);
    ExpectRoundTrip(img, 640, 360, "a reduced screen", 1);
}

}  // namespace
}  // namespace vellumo

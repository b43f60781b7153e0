// A dependency-free PNG writer: stored (uncompressed) deflate blocks, which
// every viewer reads. Screenshots are for people, so size hardly matters.
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/harness/BlackPng.h"
#include "tests/e2e/harness/Harness.h"

namespace e2e {

namespace {

std::uint32_t Crc(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 255] ^ (crc >> 8);
    return ~crc;
}

void Be32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<std::uint8_t>(x >> s));
}

void Chunk(std::FILE* f, const char* type, const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> c;
    Be32(c, static_cast<std::uint32_t>(data.size()));
    c.insert(c.end(), type, type + 4);
    c.insert(c.end(), data.begin(), data.end());
    Be32(c, Crc(c.data() + 4, c.size() - 4));
    std::fwrite(c.data(), 1, c.size(), f);
}

}  // namespace

bool WritePng(const std::string& path, const Image& image) {
    if (image.width <= 0 || image.height <= 0) return false;
    // Raw scanlines, each led by filter byte 0.
    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<std::size_t>(image.height) * (1 + 3 * image.width));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < image.width; ++x) {
            const Pixel& p = image.at(x, y);
            raw.push_back(static_cast<std::uint8_t>(p.r));
            raw.push_back(static_cast<std::uint8_t>(p.g));
            raw.push_back(static_cast<std::uint8_t>(p.b));
        }
    }
    std::vector<std::uint8_t> z{0x78, 0x01};
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t off = 0; off < raw.size() || off == 0; off += 65535) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - off);
        z.push_back(off + n >= raw.size() ? 1 : 0);
        z.push_back(static_cast<std::uint8_t>(n & 255));
        z.push_back(static_cast<std::uint8_t>(n >> 8));
        z.push_back(static_cast<std::uint8_t>(~n & 255));
        z.push_back(static_cast<std::uint8_t>((~n >> 8) & 255));
        z.insert(z.end(), raw.begin() + static_cast<long>(off), raw.begin() + static_cast<long>(off + n));
        if (off + n >= raw.size()) break;
    }
    Be32(z, (b << 16) | a);

    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    static const std::uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::fwrite(sig, 1, 8, f);
    std::vector<std::uint8_t> ihdr;
    Be32(ihdr, static_cast<std::uint32_t>(image.width));
    Be32(ihdr, static_cast<std::uint32_t>(image.height));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    Chunk(f, "IHDR", ihdr);
    Chunk(f, "IDAT", z);
    Chunk(f, "IEND", {});
    return std::fclose(f) == 0;
}

// ---- An all-black PNG of any size ----

namespace {

// Deflate bits go out least significant first; Huffman codes most
// significant bit first, so they are reversed on the way.
class BitWriter {
public:
    explicit BitWriter(std::FILE* f) : f_(f) {}
    void Code(std::uint32_t code, int bits) {
        std::uint32_t reversed = 0;
        for (int i = 0; i < bits; ++i) reversed |= ((code >> i) & 1) << (bits - 1 - i);
        Bits(reversed, bits);
    }
    void Bits(std::uint32_t value, int bits) {
        acc_ |= std::uint64_t(value) << filled_;
        filled_ += bits;
        while (filled_ >= 8) Byte(static_cast<std::uint8_t>(acc_)), acc_ >>= 8, filled_ -= 8;
    }
    void Byte(std::uint8_t b) {
        idat_.push_back(b);
        if (idat_.size() >= (1u << 20)) Flush();
    }
    void Align() {
        if (filled_ > 0) Bits(0, 8 - filled_);
    }
    void Flush() {
        if (!idat_.empty()) Chunk(f_, "IDAT", idat_);
        idat_.clear();
    }

private:
    std::FILE* f_;
    std::vector<std::uint8_t> idat_;
    std::uint64_t acc_ = 0;
    int filled_ = 0;
};

}  // namespace

bool WriteBlackPng(const std::string& path, std::uint32_t width, std::uint32_t height) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    static const std::uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::fwrite(sig, 1, 8, f);
    std::vector<std::uint8_t> ihdr;
    Be32(ihdr, width);
    Be32(ihdr, height);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    Chunk(f, "IHDR", ihdr);
    // Every byte of the scanlines is 0: one fixed-Huffman block of a literal
    // 0 and copies of length 258 at distance 1 (13 bits per 258 bytes).
    const std::uint64_t n = std::uint64_t(height) * (1 + std::uint64_t(width) * 3);
    BitWriter w(f);
    w.Byte(0x78);
    w.Byte(0x01);
    w.Bits(1, 1);       // the last block
    w.Bits(1, 2);       // fixed codes
    w.Code(0x30, 8);    // literal 0
    for (std::uint64_t i = 0; i < (n - 1) / 258; ++i) {
        w.Code(0xC5, 8);  // length 258 (symbol 285)
        w.Code(0, 5);     // distance 1
    }
    for (std::uint64_t i = 0; i < (n - 1) % 258; ++i) w.Code(0x30, 8);
    w.Code(0, 7);  // end of block (symbol 256)
    w.Align();
    // Adler-32 of zeros: a stays 1, b grows by 1 a byte.
    const std::uint32_t adler = static_cast<std::uint32_t>(n % 65521) << 16 | 1;
    for (int s = 24; s >= 0; s -= 8) w.Byte(static_cast<std::uint8_t>(adler >> s));
    w.Flush();
    Chunk(f, "IEND", {});
    const bool ok = !std::ferror(f);
    return std::fclose(f) == 0 && ok;
}

}  // namespace e2e

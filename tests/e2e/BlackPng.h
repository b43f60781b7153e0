// A valid all-black PNG of any size, written without holding its pixels:
// the deflate stream of its zero bytes is one fixed-Huffman block of
// back-references, 13 bits per 258 bytes (a 30000 x 30000 picture is a
// 17 MB file). For the tests that drop pictures too large to hold.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace e2e {

class BlackPngWriter {
public:
    // False on an I/O error.
    static bool Write(const std::string& path, std::uint32_t width, std::uint32_t height) {
        BlackPngWriter w;
        w.f_ = std::fopen(path.c_str(), "wb");
        if (!w.f_) return false;
        static const std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
        std::fwrite(kSignature, 1, sizeof kSignature, w.f_);
        std::vector<std::uint8_t> ihdr;
        Be32(ihdr, width);
        Be32(ihdr, height);
        ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
        w.Chunk("IHDR", ihdr);
        w.Deflate(std::uint64_t(height) * (1 + std::uint64_t(width) * 3));
        w.Chunk("IEND", {});
        const bool ok = !std::ferror(w.f_);
        return std::fclose(w.f_) == 0 && ok;
    }

private:
    static void Be32(std::vector<std::uint8_t>& v, std::uint32_t x) {
        for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<std::uint8_t>(x >> s));
    }
    static std::uint32_t Crc(const std::uint8_t* p, std::size_t n, std::uint32_t crc) {
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
    void Chunk(const char* type, const std::vector<std::uint8_t>& data) {
        std::vector<std::uint8_t> c;
        Be32(c, static_cast<std::uint32_t>(data.size()));
        c.insert(c.end(), type, type + 4);
        c.insert(c.end(), data.begin(), data.end());
        Be32(c, Crc(c.data() + 4, c.size() - 4, 0));
        std::fwrite(c.data(), 1, c.size(), f_);
    }
    // Huffman codes go out most significant bit first into an LSB-first stream.
    void Code(std::uint32_t code, int bits) {
        std::uint32_t reversed = 0;
        for (int i = 0; i < bits; ++i) reversed |= ((code >> i) & 1) << (bits - 1 - i);
        Bits(reversed, bits);
    }
    void Bits(std::uint32_t value, int bits) {
        acc_ |= std::uint64_t(value) << filled_;
        filled_ += bits;
        while (filled_ >= 8) {
            idat_.push_back(static_cast<std::uint8_t>(acc_));
            acc_ >>= 8;
            filled_ -= 8;
        }
        if (idat_.size() >= (1u << 20)) FlushIdat();
    }
    void FlushIdat() {
        if (!idat_.empty()) Chunk("IDAT", idat_);
        idat_.clear();
    }
    // `n` zero bytes: zlib header, a literal 0, then copies of length 258 at
    // distance 1, the rest as literals, the end of block, Adler-32.
    void Deflate(std::uint64_t n) {
        idat_ = {0x78, 0x01};
        Bits(1, 1);  // the final block
        Bits(1, 2);  // fixed Huffman codes
        Code(0x30, 8);  // literal 0
        const std::uint64_t rest = n - 1;
        for (std::uint64_t i = 0; i < rest / 258; ++i) {
            Code(0xC5, 8);  // length 258 (symbol 285)
            Code(0, 5);     // distance 1
        }
        for (std::uint64_t i = 0; i < rest % 258; ++i) Code(0x30, 8);
        Code(0, 7);  // end of block (symbol 256)
        if (filled_ > 0) Bits(0, 8 - filled_);
        // Adler-32 of zeros: a stays 1, b adds 1 per byte.
        const std::uint32_t adler = static_cast<std::uint32_t>(n % 65521) << 16 | 1;
        for (int s = 24; s >= 0; s -= 8) idat_.push_back(static_cast<std::uint8_t>(adler >> s));
        FlushIdat();
    }

    std::FILE* f_ = nullptr;
    std::vector<std::uint8_t> idat_;
    std::uint64_t acc_ = 0;
    int filled_ = 0;
};

}  // namespace e2e

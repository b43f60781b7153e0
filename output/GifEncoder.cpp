#include "output/GifEncoder.h"

#include <algorithm>
#include <array>

namespace vellumo {

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kMaxCodes = 1 << kMaxCodeBits;

// Codes go out least significant bit first, packed into data sub-blocks of
// at most 255 bytes, each behind its length byte.
class CodeWriter {
public:
    explicit CodeWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void Put(int code, int bits) {
        acc_ |= std::uint32_t(code) << filled_;
        filled_ += bits;
        while (filled_ >= 8) {
            Byte(static_cast<std::uint8_t>(acc_));
            acc_ >>= 8;
            filled_ -= 8;
        }
    }
    void Finish() {
        if (filled_ > 0) Byte(static_cast<std::uint8_t>(acc_));
        acc_ = 0;
        filled_ = 0;
        FlushBlock();
        out_.push_back(0);  // the empty block ends the data
    }

private:
    void Byte(std::uint8_t b) {
        block_[blockLen_++] = b;
        if (blockLen_ == 255) FlushBlock();
    }
    void FlushBlock() {
        if (blockLen_ == 0) return;
        out_.push_back(static_cast<std::uint8_t>(blockLen_));
        out_.insert(out_.end(), block_.begin(), block_.begin() + blockLen_);
        blockLen_ = 0;
    }

    std::vector<std::uint8_t>& out_;
    std::uint32_t acc_ = 0;
    int filled_ = 0;
    std::array<std::uint8_t, 255> block_{};
    int blockLen_ = 0;
};

// The string table: (prefix code, next index) -> code, open addressing. A
// slot is live only in the generation that wrote it, so a clear costs nothing.
class StringTable {
public:
    StringTable() : slots_(kSlots) {}
    void Clear() { ++generation_; }
    // The code for prefix + k, or -1; `slot` is where it would go.
    int Find(int prefix, std::uint8_t k, std::size_t& slot) const {
        const std::uint32_t key = std::uint32_t(prefix) << 8 | k;
        slot = (key * 2654435761u) >> (32 - kSlotBits);
        for (;;) {
            const Slot& s = slots_[slot];
            if (s.generation != generation_) return -1;
            if (s.key == key) return s.code;
            slot = (slot + 1) & (kSlots - 1);
        }
    }
    void Add(std::size_t slot, int prefix, std::uint8_t k, int code) {
        slots_[slot] = {std::uint32_t(prefix) << 8 | k, static_cast<std::uint16_t>(code), generation_};
    }

private:
    static constexpr int kSlotBits = 14;  // 16384 slots for at most 4096 codes
    static constexpr std::size_t kSlots = std::size_t(1) << kSlotBits;
    struct Slot {
        std::uint32_t key = 0;
        std::uint16_t code = 0;
        std::uint32_t generation = 0;
    };
    std::vector<Slot> slots_;
    std::uint32_t generation_ = 1;
};

void Le16(std::vector<std::uint8_t>& v, int x) {
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}

void CompressIndices(const std::vector<std::uint8_t>& indices, int minCodeBits, std::vector<std::uint8_t>& out) {
    const int clear = 1 << minCodeBits, end = clear + 1;
    CodeWriter writer(out);
    StringTable table;
    int bits = minCodeBits + 1;
    int next = clear + 2;
    writer.Put(clear, bits);
    int current = indices[0];
    for (std::size_t i = 1; i < indices.size(); ++i) {
        const std::uint8_t k = indices[i];
        std::size_t slot = 0;
        const int found = table.Find(current, k, slot);
        if (found >= 0) {
            current = found;
            continue;
        }
        writer.Put(current, bits);
        if (next == kMaxCodes) {
            // The table is full: start a fresh one, and tell the decoder so.
            writer.Put(clear, bits);
            table.Clear();
            bits = minCodeBits + 1;
            next = clear + 2;
        } else {
            table.Add(slot, current, k, next);
            // The decoder, one entry behind, widens its codes as it adds the
            // entry this one just added.
            if (next == (1 << bits) && bits < kMaxCodeBits) ++bits;
            ++next;
        }
        current = k;
    }
    writer.Put(current, bits);
    writer.Put(end, bits);
    writer.Finish();
}

}  // namespace

std::vector<std::uint8_t> EncodeGif(const IndexedImage& image, int width, int height) {
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF ||
        image.indices.size() != std::size_t(width) * height || image.palette.empty() || image.palette.size() > 256)
        return {};
    int tableBits = 1;  // the colour table has 2^tableBits entries, at least 2
    while ((std::size_t(1) << tableBits) < image.palette.size()) ++tableBits;
    std::vector<std::uint8_t> out;
    out.reserve(image.indices.size() / 2 + 1024);
    for (char c : {'G', 'I', 'F', '8', '9', 'a'}) out.push_back(static_cast<std::uint8_t>(c));
    Le16(out, width);
    Le16(out, height);
    out.push_back(static_cast<std::uint8_t>(0x80 | (7 << 4) | (tableBits - 1)));  // global table, 8-bit colour
    out.push_back(0);                                                              // background index
    out.push_back(0);                                                              // no aspect ratio
    for (std::size_t i = 0; i < (std::size_t(1) << tableBits); ++i) {
        const std::uint32_t c = i < image.palette.size() ? image.palette[i] : 0;
        out.push_back(static_cast<std::uint8_t>(c >> 16));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c));
    }
    out.push_back(0x2C);  // image descriptor: at 0,0, the whole screen, no local table
    Le16(out, 0);
    Le16(out, 0);
    Le16(out, width);
    Le16(out, height);
    out.push_back(0);
    const int minCodeBits = std::max(2, tableBits);
    out.push_back(static_cast<std::uint8_t>(minCodeBits));
    CompressIndices(image.indices, minCodeBits, out);
    out.push_back(0x3B);  // trailer
    return out;
}

}  // namespace vellumo

#include "output/ImageFormat.h"

#include <algorithm>
#include <array>

namespace vellumo {

namespace {
std::wstring Lower(std::wstring_view s) {
    std::wstring out(s);
    for (auto& c : out)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return out;
}

constexpr const wchar_t* kCodecClsids[] = {
    L"{557CF400-1A04-11D3-9A73-0000F81EF32E}",  // BMP
    L"{557CF403-1A04-11D3-9A73-0000F81EF32E}",  // EMF
    L"{557CF404-1A04-11D3-9A73-0000F81EF32E}",  // WMF
    L"{557CF401-1A04-11D3-9A73-0000F81EF32E}",  // JPEG
    L"{557CF406-1A04-11D3-9A73-0000F81EF32E}",  // PNG
    L"{557CF402-1A04-11D3-9A73-0000F81EF32E}",  // GIF
    L"{557CF405-1A04-11D3-9A73-0000F81EF32E}",  // TIFF
    L"{557CF407-1A04-11D3-9A73-0000F81EF32E}",  // ICON
};
constexpr wchar_t kZeroGuid[] = L"{00000000-0000-0000-0000-000000000000}";
constexpr const wchar_t* kFilterExtensions[] = {L".png", L".jpg", L".gif", L".bmp"};

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

void PutLe(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) v[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
}  // namespace

std::wstring FileExtension(std::wstring_view name) {
    const auto dot = name.rfind(L'.');
    return std::wstring(dot == std::wstring_view::npos ? name : name.substr(dot + 1));
}

ImageFormat FormatByExtension(std::wstring_view name) {
    const std::wstring e = Lower(FileExtension(name));
    if (e == L"png") return ImageFormat::Png;
    if (e == L"jpg") return ImageFormat::Jpeg;
    if (e == L"gif") return ImageFormat::Gif;
    if (e == L"bmp") return ImageFormat::Bmp;
    return ImageFormat::None;
}

std::wstring DialogFilter(std::wstring_view pipeSeparated) {
    std::wstring out(pipeSeparated);
    std::replace(out.begin(), out.end(), L'|', L'\0');
    out.push_back(L'\0');
    out.push_back(L'\0');
    return out;
}

std::wstring WithFilterExtension(std::wstring name, int filterIndex) {
    const auto slash = name.find_last_of(L"\\/");
    const std::size_t fileStart = slash == std::wstring::npos ? 0 : slash + 1;
    if (name.size() == fileStart || name.find(L'.', fileStart) != std::wstring::npos) return name;
    if (filterIndex < 1 || filterIndex > 4) filterIndex = 1;
    return name + kFilterExtensions[filterIndex - 1];
}

std::wstring UnsupportedExtensionMessage(std::wstring_view name) {
    return L"Nothing was saved: \"" + std::wstring(name) +
           L"\" does not end in .png, .jpg, .gif or .bmp, the formats Vellumo can write.\n\n"
           L"Please choose one of these file types.";
}

Guid ParseGuid(std::wstring_view t) {
    // {8-4-4-4-12}
    if (t.size() != 38 || t.front() != L'{' || t.back() != L'}') return {};
    std::array<std::uint8_t, 16> b{};
    std::size_t pos = 1;
    for (int i = 0; i < 16; ++i) {
        if (t[pos] == L'-') ++pos;
        const int hi = HexDigit(t[pos]), lo = HexDigit(t[pos + 1]);
        if (hi < 0 || lo < 0) return {};
        b[i] = static_cast<std::uint8_t>(hi * 16 + lo);
        pos += 2;
    }
    if (pos != 37) return {};
    Guid g;
    g.data1 = (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) | b[3];
    g.data2 = static_cast<std::uint16_t>((b[4] << 8) | b[5]);
    g.data3 = static_cast<std::uint16_t>((b[6] << 8) | b[7]);
    std::copy(b.begin() + 8, b.end(), g.data4.begin());
    return g;
}

std::wstring EncoderClsidText(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kCodecClsids))) return kZeroGuid;
    return kCodecClsids[index];
}

Guid EncoderClsidByIndex(int index) { return ParseGuid(EncoderClsidText(index)); }

int EncoderIndexFor(ImageFormat f) {
    switch (f) {
        case ImageFormat::Jpeg: return 3;
        case ImageFormat::Png: return 4;
        case ImageFormat::Gif: return 5;
        default: return -1;
    }
}

Guid EncoderQualityGuid() { return ParseGuid(L"{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}"); }

std::vector<std::uint8_t> EncodeBmp(const std::uint32_t* px, int w, int h, std::ptrdiff_t stride) {
    if (w <= 0 || h <= 0) return {};
    const std::size_t rowBytes = (std::size_t(w) * 3 + 3) & ~std::size_t(3);
    const std::size_t headers = 14 + 40, imageBytes = rowBytes * h;
    std::vector<std::uint8_t> f(headers + imageBytes, 0);
    f[0] = 'B';
    f[1] = 'M';
    PutLe(f, 2, static_cast<std::uint32_t>(f.size()), 4);
    PutLe(f, 10, static_cast<std::uint32_t>(headers), 4);
    PutLe(f, 14, 40, 4);  // BITMAPINFOHEADER
    PutLe(f, 18, static_cast<std::uint32_t>(w), 4);
    PutLe(f, 22, static_cast<std::uint32_t>(h), 4);  // positive: bottom-up rows
    PutLe(f, 26, 1, 2);
    PutLe(f, 28, 24, 2);
    PutLe(f, 34, static_cast<std::uint32_t>(imageBytes), 4);
    PutLe(f, 38, 2835, 4);  // 72 dpi
    PutLe(f, 42, 2835, 4);
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* src = px + (h - 1 - y) * stride;
        std::uint8_t* dst = f.data() + headers + rowBytes * y;
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = static_cast<std::uint8_t>(src[x]);
            dst[3 * x + 1] = static_cast<std::uint8_t>(src[x] >> 8);
            dst[3 * x + 2] = static_cast<std::uint8_t>(src[x] >> 16);
        }
    }
    return f;
}

IndexedImage ReduceToPalette(const std::uint32_t* px, int w, int h, std::ptrdiff_t stride) {
    IndexedImage out;
    if (w <= 0 || h <= 0) return out;
    out.indices.resize(std::size_t(w) * h);
    // Colours seen so far, open addressing; a screen has long runs of one
    // colour, so the last one is tried first.
    constexpr std::size_t kSlots = 1024;
    constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;  // no 0x00RRGGBB colour
    std::array<std::uint32_t, kSlots> colours;
    std::array<std::uint8_t, kSlots> indexOf{};
    colours.fill(kEmpty);
    std::uint32_t last = kEmpty;
    std::uint8_t lastIndex = 0;
    bool fits = true;
    for (int y = 0; y < h && fits; ++y) {
        const std::uint32_t* row = px + y * stride;
        std::uint8_t* dst = out.indices.data() + std::size_t(y) * w;
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = row[x] & 0xFFFFFFu;
            if (c != last) {
                std::size_t slot = (c * 2654435761u) >> 22;
                while (colours[slot] != kEmpty && colours[slot] != c) slot = (slot + 1) & (kSlots - 1);
                if (colours[slot] == kEmpty) {
                    if (out.palette.size() == 256) {
                        fits = false;
                        break;
                    }
                    colours[slot] = c;
                    indexOf[slot] = static_cast<std::uint8_t>(out.palette.size());
                    out.palette.push_back(c);
                }
                last = c;
                lastIndex = indexOf[slot];
            }
            dst[x] = lastIndex;
        }
    }
    if (fits) return out;

    out.palette.clear();
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) out.palette.push_back((r * 51u) << 16 | (g * 51u) << 8 | b * 51u);
    auto level = [](std::uint32_t c) { return (c + 25) / 51; };  // nearest of 0, 51, ..., 255
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = px[y * stride + x];
            out.indices[std::size_t(y) * w + x] = static_cast<std::uint8_t>(
                level((c >> 16) & 255) * 36 + level((c >> 8) & 255) * 6 + level(c & 255));
        }
    }
    return out;
}

}  // namespace vellumo

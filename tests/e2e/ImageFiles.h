// Image files for the end-to-end tests and the tour: paths as Wine names
// them, binary PPM (what vprobe.exe writes the clipboard as), and any image
// file read through ImageMagick.
#pragma once
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

#include "tests/e2e/harness/Harness.h"

namespace e2e {

// A Linux path as Wine's Z: drive names it.
inline std::string WinPath(const std::filesystem::path& p) {
    std::string s = "Z:" + p.string();
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

// What a shell command prints.
inline std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[65536];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

inline std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The pixels of a binary PPM (P6, 8 bits a sample).
inline std::optional<Image> ParsePpm(const std::string& s) {
    std::size_t pos = 0;
    auto token = [&]() -> std::string {
        while (pos < s.size() && (std::isspace(static_cast<unsigned char>(s[pos])) || s[pos] == '#')) {
            if (s[pos] == '#') pos = s.find('\n', pos);
            else ++pos;
        }
        const std::size_t start = pos;
        while (pos < s.size() && !std::isspace(static_cast<unsigned char>(s[pos]))) ++pos;
        return s.substr(start, pos - start);
    };
    if (token() != "P6") return std::nullopt;
    Image img;
    img.width = std::atoi(token().c_str());
    img.height = std::atoi(token().c_str());
    if (std::atoi(token().c_str()) != 255 || img.width <= 0 || img.height <= 0) return std::nullopt;
    ++pos;  // the one whitespace before the samples
    const std::size_t n = static_cast<std::size_t>(img.width) * img.height;
    if (s.size() < pos + n * 3) return std::nullopt;
    for (std::size_t i = 0; i < n; ++i, pos += 3)
        img.pixels.push_back({static_cast<unsigned char>(s[pos]), static_cast<unsigned char>(s[pos + 1]),
                              static_cast<unsigned char>(s[pos + 2])});
    return img;
}

// An image file as ImageMagick reads it: the format it names and the pixels.
struct Decoded {
    std::string format;  // "PNG", "JPEG", "GIF", "BMP", ...
    int quality = 0;     // as ImageMagick estimates it (JPEG)
    Image image;
};
inline std::optional<Decoded> Decode(const std::filesystem::path& file) {
    const std::string quoted = "'" + file.string() + "[0]'";
    Decoded d;
    std::istringstream id(Output("identify -format '%m %Q' " + quoted + " 2>/dev/null"));
    if (!(id >> d.format >> d.quality)) return std::nullopt;
    const auto img = ParsePpm(Output("convert " + quoted + " -depth 8 ppm:- 2>/dev/null"));
    if (!img) return std::nullopt;
    d.image = *img;
    return d;
}

}  // namespace e2e

// A GIF file written here rather than by GDI+: Wine's GIF encoder took 19 s
// for an 8K screen. One image, one global colour table, LZW as the GIF89a
// format defines it, no extensions.
#pragma once
#include <cstdint>
#include <vector>

#include "output/ImageFormat.h"

namespace vellumo {

// `image` as ReduceToPalette makes it (indices row by row, at most 256
// colours). Empty when the sizes do not match the indices.
std::vector<std::uint8_t> EncodeGif(const IndexedImage& image, int width, int height);

}  // namespace vellumo

// The PNG encoder with its bands spread over the machine's cores: the
// calling thread encodes one band, helper threads the others.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "output/PngEncoder.h"

namespace vellumo::win {

// A PNG of the pixels (0x00RRGGBB by default, rows top-down, `stride` in
// pixels); throws std::bad_alloc when memory runs out, as the encoder does.
std::vector<std::uint8_t> EncodePngOnCores(const std::uint32_t* pixels, int width, int height, std::ptrdiff_t stride,
                                           PngAlpha alpha = PngAlpha::Opaque);

}  // namespace vellumo::win

// A valid all-black RGB PNG of any size, written without holding its pixels
// (a 30000 x 30000 picture is a 17 MB file): for the tests that drop
// pictures too large to hold. Defined in Png.cpp.
#pragma once
#include <cstdint>
#include <string>

namespace e2e {

// False on an I/O error.
bool WriteBlackPng(const std::string& path, std::uint32_t width, std::uint32_t height);

}  // namespace e2e

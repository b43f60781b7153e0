// The portable arithmetic of loading a picture file at a requested size.
#pragma once
#include <cmath>
#include <string>
#include <string_view>

#include "gfx/Geometry.h"

namespace vellumo {

// Width or height -1 asks for the image's own size; either one being -1
// discards the other too.
inline Size RequestedPictureSize(Size image, int width, int height) {
    if (width == -1 || height == -1) return image;
    return {width, height};
}

// With the aspect kept, the image is drawn at the top-left of the target at
// this size (rounded to the nearest, halves to even).
inline Size KeepAspectSize(Size image, Size target) {
    const double r = double(image.width) / image.height;
    const double t = double(target.width) / target.height;
    if (t < r) return {target.width, static_cast<int>(std::nearbyint(target.width / r))};
    return {static_cast<int>(std::nearbyint(target.height * r)), target.height};
}

// The one error a picture load reports, naming the file.
inline std::wstring PictureLoadErrorText(std::wstring_view fileName) {
    return L"Error loading picture " + std::wstring(fileName);
}

}  // namespace vellumo

// The colour under the pointer as text for the clipboard. The colour is read
// from the clean frozen screen, not from the darkened surface.
#pragma once
#include <cstdint>
#include <string>

#include "gfx/Geometry.h"

namespace vellumo {

// "#RRGGBB", upper-case hexadecimal.
std::wstring FormatHex(Colour c);
// "R, G, B" in decimal.
std::wstring FormatRgbList(Colour c);

// The magnifier's confirmation line after a colour copy, and how long it stays.
inline constexpr wchar_t kColourCopiedNote[] = L"copied";
inline constexpr std::uint32_t kColourCopiedNoteMs = 1500;

}  // namespace vellumo

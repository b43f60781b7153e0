#include "overlay/ColourText.h"

namespace vellumo {

std::wstring FormatHex(Colour c) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring s = L"#";
    for (const std::uint8_t v : {c.r, c.g, c.b}) {
        s += kDigits[v >> 4];
        s += kDigits[v & 15];
    }
    return s;
}

std::wstring FormatRgbList(Colour c) {
    return std::to_wstring(c.r) + L", " + std::to_wstring(c.g) + L", " + std::to_wstring(c.b);
}

}  // namespace vellumo

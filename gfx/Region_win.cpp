#include "gfx/Region_win.h"

#include <cstring>
#include <new>

#include "gfx/Convert_win.h"
#include "gfx/Log_win.h"

namespace vellumo::win {

unique_hrgn RegionOf(const std::vector<Rect>& parts) {
    std::vector<RECT> rects;
    rects.reserve(parts.size());
    RECT bounds{0, 0, 0, 0};
    for (const Rect& r : parts) {
        if (r.empty()) continue;
        const RECT rc = ToRECT(r);
        if (rects.empty()) bounds = rc;
        else ::UnionRect(&bounds, &bounds, &rc);
        rects.push_back(rc);
    }
    if (rects.empty()) return unique_hrgn(LogIfNull(::CreateRectRgn(0, 0, 0, 0), L"CreateRectRgn"));
    // RGNDATA is a header followed by the rectangles; both Windows and Wine
    // take overlapping rectangles and unite them.
    std::vector<unsigned char> data(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    RGNDATAHEADER header{};
    header.dwSize = sizeof(RGNDATAHEADER);
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<DWORD>(rects.size());
    header.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    header.rcBound = bounds;
    std::memcpy(data.data(), &header, sizeof header);
    std::memcpy(data.data() + sizeof header, rects.data(), rects.size() * sizeof(RECT));
    return unique_hrgn(LogIfNull(::ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()),
                                                   reinterpret_cast<const RGNDATA*>(data.data())),
                                 L"ExtCreateRegion"));
}

void InvalidateParts(HWND window, const std::vector<Rect>& parts) noexcept {
    if (parts.empty()) return;
    if (parts.size() == 1) {
        const RECT rc = ToRECT(parts[0]);
        ::InvalidateRect(window, &rc, FALSE);
        return;
    }
    // Without a region the pieces' bounds still repaint everything they cover.
    try {
        if (const unique_hrgn region = RegionOf(parts)) {
            ::InvalidateRgn(window, region.get(), FALSE);
            return;
        }
    } catch (const std::bad_alloc&) {
        LogFailure(L"InvalidateParts: no memory for the region; the pieces' bounds are repainted");
    }
    Rect all = parts[0];
    for (const Rect& r : parts) all = Union(all, r);
    const RECT rc = ToRECT(all);
    ::InvalidateRect(window, &rc, FALSE);
}

}  // namespace vellumo::win

#include "output/PngOnCores_win.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>

#include "gfx/HelperThread_win.h"

namespace vellumo::win {

namespace {
// Below this many pixels a thread costs more than it saves.
constexpr long long kPixelsPerBand = 256 * 1024;
constexpr int kMostBands = 8;

int BandsFor(int width, int height) {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    const long long pixels = static_cast<long long>(width) * height;
    const long long byPixels = std::max(1LL, pixels / kPixelsPerBand);
    return static_cast<int>(std::min<long long>({byPixels, std::max<DWORD>(info.dwNumberOfProcessors, 1), kMostBands}));
}
}  // namespace

std::vector<std::uint8_t> EncodePngOnCores(const std::uint32_t* pixels, int width, int height, std::ptrdiff_t stride,
                                           PngAlpha alpha) {
    PngEncoding encoding(pixels, width, height, stride, alpha, BandsFor(width, height));
    // A band that ran out of memory is told here, on the caller's thread.
    std::atomic<bool> outOfMemory{false};
    const auto encode = [&](int band) noexcept {
        try {
            encoding.EncodeBand(band);
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
    };
    {
        std::vector<std::unique_ptr<HelperThread>> helpers;
        for (int band = 1; band < encoding.bands(); ++band) {
            helpers.push_back(std::make_unique<HelperThread>());
            helpers.back()->Start([&encode, band] { encode(band); });
        }
        encode(0);
    }  // every helper joined
    if (outOfMemory) throw std::bad_alloc();
    return encoding.Finish();
}

}  // namespace vellumo::win

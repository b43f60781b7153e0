#include "output/PngOnCores_win.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>

#include "gfx/HelperThread_win.h"

namespace vellumo::win {

namespace {
constexpr int kMostThreads = 8;

int Cores() {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    return static_cast<int>(std::clamp<DWORD>(info.dwNumberOfProcessors, 1, kMostThreads));
}
}  // namespace

std::vector<std::uint8_t> EncodePngOnCores(const std::uint32_t* pixels, int width, int height, std::ptrdiff_t stride,
                                           PngAlpha alpha) {
    const int cores = Cores();
    PngEncoding encoding(pixels, width, height, stride, alpha,
                         BandsFor(static_cast<long long>(width) * height, cores));
    // A band that ran out of memory is told here, on the caller's thread.
    std::atomic<bool> outOfMemory{false};
    const auto encode = [&]() noexcept {
        try {
            while (encoding.EncodeNextBand()) {
            }
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
    };
    {
        std::vector<std::unique_ptr<HelperThread>> helpers;
        for (int i = 1; i < std::min(cores, encoding.bands()); ++i) {
            helpers.push_back(std::make_unique<HelperThread>());
            helpers.back()->Start(encode);
        }
        encode();
    }  // every helper joined
    if (outOfMemory) throw std::bad_alloc();
    return encoding.Finish();
}

}  // namespace vellumo::win

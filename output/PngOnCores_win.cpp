#include "output/PngOnCores_win.h"

#include "gfx/HelperThread_win.h"

namespace vellumo::win {

std::vector<std::uint8_t> EncodePngOnCores(const std::uint32_t* pixels, int width, int height, std::ptrdiff_t stride,
                                           PngAlpha alpha) {
    PngEncoding encoding(pixels, width, height, stride, alpha,
                         BandsFor(static_cast<long long>(width) * height, CoreCount()));
    // Each thread takes the next band nobody has taken until none is left;
    // a band that ran out of memory is thrown again here, once all are done.
    OnTheCores()(encoding.bands(), [&](int, int) {
        while (encoding.EncodeNextBand()) {
        }
    });
    return encoding.Finish();
}

}  // namespace vellumo::win

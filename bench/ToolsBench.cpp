// The pixel tools on a full 3840 x 2160 selection: the mosaic (cells of 5)
// and the blur (radius 10) beside the floor of copying the same pixels once
// (memcpy), measured in the same run. Each result is checked first: a mosaic
// whose cells are not their mean, or a blur that leaves a sharp step, gives
// no figure. The tools spread a large area over the machine's cores, as the
// exe does (there on Win32 threads, here on std::thread); the figure on one
// core is printed beneath, and both must give the same pixels.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "annotate/AreaFilters.h"
#include "bench/Report.h"
#include "bench/Stats.h"

namespace {

using namespace vellumo;
using namespace vellumo::bench;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 3840, kHeight = 2160;
constexpr int kRounds = 7;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int Cores() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

std::string OneCoreNote(double oneMs, double floorMs) {
    char text[120];
    std::snprintf(text, sizeof text, "on %d cores; on one: %.2f ms (%.2f x the memcpy)", Cores(), oneMs, oneMs / floorMs);
    return text;
}

// As the exe's runner: part 0 here, the others on threads of their own.
void OnThreads(int most, const PartOfWork& work) {
    const int parts = std::clamp(Cores(), 1, std::max(1, most));
    std::vector<std::thread> helpers;
    for (int part = 1; part < parts; ++part) helpers.emplace_back([&work, part, parts] { work(part, parts); });
    work(0, parts);
    for (std::thread& t : helpers) t.join();
}

std::vector<std::uint32_t> Desktop() {
    std::vector<std::uint32_t> bits(std::size_t(kWidth) * kHeight);
    std::mt19937 rng(1);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            bits[std::size_t(y) * kWidth + x] =
                (x % 97 < 3 || rng() % 40 == 0) ? (rng() & 0xFFFFFF) : 0x202830u + std::uint32_t((y / 90) * 0x030405);
    return bits;
}

// Median time of `work` on a fresh copy of `from`, the copy not counted.
template <typename Work>
double Time(const std::vector<std::uint32_t>& from, std::vector<std::uint32_t>& into, Work work) {
    std::vector<double> ms;
    for (int round = 0; round < kRounds; ++round) {
        into = from;
        const auto t0 = Clock::now();
        work(PixelPlane{into.data(), kWidth, kHeight, kWidth});
        ms.push_back(Ms(Clock::now() - t0));
    }
    return Summarize(ms).median;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--header") == 0) PrintHeader();
    const std::vector<std::uint32_t> screen = Desktop();
    const Rect all{0, 0, kWidth, kHeight};
    std::vector<std::uint32_t> out;

    std::vector<double> copyMs;
    std::vector<std::uint32_t> copy(screen.size());
    for (int round = 0; round < 4 * kRounds; ++round) {
        const auto t0 = Clock::now();
        std::memcpy(copy.data(), screen.data(), copy.size() * 4);
        copyMs.push_back(Ms(Clock::now() - t0));
    }
    const double floorMs = Summarize(copyMs).median;
    int status = copy == screen ? 0 : 1;

    std::vector<std::uint32_t> oneCore;
    const double mosaicOneMs = Time(screen, oneCore, [&](const PixelPlane& p) { Pixelate(p, all, 5); });
    const double mosaicMs = Time(screen, out, [&](const PixelPlane& p) { Pixelate(p, all, 5, OnThreads); });
    if (out != oneCore) {
        PrintFailure("mosaic 3840x2160, cells of 5", "the cores' mosaic differs from one core's");
        status = 1;
    }
    // A cell in the middle: uniform, and the mean of what it covered.
    bool mosaicRight = true;
    const int cx = 1920, cy = 1080;
    long sum = 0;
    for (int y = cy; y < cy + 5; ++y)
        for (int x = cx; x < cx + 5; ++x) {
            sum += screen[std::size_t(y) * kWidth + x] >> 8 & 0xFF;
            mosaicRight = mosaicRight && out[std::size_t(y) * kWidth + x] == out[std::size_t(cy) * kWidth + cx];
        }
    mosaicRight = mosaicRight && long(out[std::size_t(cy) * kWidth + cx] >> 8 & 0xFF) == (sum + 12) / 25;
    if (!mosaicRight) {
        PrintFailure("mosaic 3840x2160, cells of 5", "a cell is not the mean of its pixels");
        status = 1;
    } else {
        PrintRow("mosaic 3840x2160, cells of 5", Format("%.2f ms", mosaicMs), "memcpy of the same pixels",
                 Format("%.2f ms", floorMs), Ratio(mosaicMs, floorMs),
                 mosaicMs <= 2 * floorMs ? "<= 2: met" : "<= 2: MISSED");
        PrintNote(OneCoreNote(mosaicOneMs, floorMs));
        if (mosaicMs > 2 * floorMs) status = 1;
    }

    const double blurOneMs = Time(screen, oneCore, [&](const PixelPlane& p) { BlurArea(p, all, 10); });
    const double blurMs =
        Time(screen, out, [&](const PixelPlane& p) { BlurArea(p, all, 10, BlurRowsBy::Fastest, OnThreads); });
    if (out != oneCore) {
        PrintFailure("blur 3840x2160, radius 10", "the cores' blur differs from one core's");
        status = 1;
    }
    // The bright columns (x % 97 < 3) are spread: no step of more than a
    // quarter of the one they had stays next to them.
    int steepest = 0;
    for (int x = 1; x < 400; ++x) {
        const int a = out[std::size_t(1000) * kWidth + x] & 0xFF, b = out[std::size_t(1000) * kWidth + x - 1] & 0xFF;
        steepest = std::max(steepest, std::abs(a - b));
    }
    if (steepest > 64) {
        PrintFailure("blur 3840x2160, radius 10", Format("a step of %.0f survived", steepest));
        status = 1;
    } else {
        PrintRow("blur 3840x2160, radius 10", Format("%.2f ms", blurMs), "memcpy of the same pixels",
                 Format("%.2f ms", floorMs), Ratio(blurMs, floorMs), blurMs <= 8 * floorMs ? "<= 8: met" : "<= 8: MISSED");
        PrintNote(OneCoreNote(blurOneMs, floorMs));
        if (blurMs > 8 * floorMs) status = 1;
    }
    return status;
}

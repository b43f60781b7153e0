// The built vellumo.exe as the Windows loader reads its PE header: both
// builds run with DEP and ASLR (and keep the relocations ASLR needs), the
// 64-bit one with high-entropy ASLR, and the 32-bit one may use more than
// 2 GB of address space (a user pinning 4K captures gets there quickly).
// Each pass of the end-to-end tests checks the build it runs.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/harness/Harness.h"

namespace {

struct PeHeader {
    std::uint16_t machine = 0;
    std::uint16_t characteristics = 0;     // IMAGE_FILE_*
    bool pe32plus = false;                 // 64-bit optional header
    std::uint16_t dllCharacteristics = 0;  // IMAGE_DLLCHARACTERISTICS_*
    std::uint32_t relocationBytes = 0;     // size of the base relocation directory
};

constexpr std::uint16_t kRelocsStripped = 0x0001, kLargeAddressAware = 0x0020;
constexpr std::uint16_t kHighEntropyVa = 0x0020, kDynamicBase = 0x0040, kNxCompat = 0x0100;

std::uint32_t Le(const std::vector<unsigned char>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    return v;
}

std::optional<PeHeader> ReadPeHeader(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    const std::vector<unsigned char> b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (b.size() < 0x40 || b[0] != 'M' || b[1] != 'Z') return std::nullopt;
    const std::size_t pe = Le(b, 0x3C, 4);
    if (pe + 24 + 112 > b.size() || Le(b, pe, 4) != 0x00004550u) return std::nullopt;  // "PE\0\0"
    PeHeader h;
    h.machine = static_cast<std::uint16_t>(Le(b, pe + 4, 2));
    h.characteristics = static_cast<std::uint16_t>(Le(b, pe + 22, 2));
    const std::size_t opt = pe + 24;
    const std::uint32_t magic = Le(b, opt, 2);
    if (magic != 0x10b && magic != 0x20b) return std::nullopt;
    h.pe32plus = magic == 0x20b;
    h.dllCharacteristics = static_cast<std::uint16_t>(Le(b, opt + 70, 2));
    // Data directories follow the fixed fields; the sixth is the base relocations.
    const std::size_t dirs = opt + (h.pe32plus ? 112 : 96);
    if (dirs + 6 * 8 > b.size() || Le(b, dirs - 4, 4) < 6) return std::nullopt;
    h.relocationBytes = Le(b, dirs + 5 * 8 + 4, 4);
    return h;
}

TEST(Exe, HeaderAsksForDepAslrAndTheAddressSpaceItNeeds) {
    const std::string exe = e2e::WinExe("vellumo.exe");
    ASSERT_TRUE(std::filesystem::exists(exe)) << exe << " missing";
    const auto h = ReadPeHeader(exe);
    ASSERT_TRUE(h) << exe << " has no readable PE header";
    const bool is32 = e2e::TestArch() == e2e::Arch::Win32;
    EXPECT_EQ(h->machine, is32 ? 0x014c : 0x8664) << "a " << e2e::ArchName(e2e::TestArch()) << " exe";
    EXPECT_EQ(h->pe32plus, !is32);
    EXPECT_TRUE(h->characteristics & kLargeAddressAware) << "not large address aware";
    EXPECT_TRUE(h->dllCharacteristics & kNxCompat) << "no DEP (NX compatible)";
    EXPECT_TRUE(h->dllCharacteristics & kDynamicBase) << "no ASLR (dynamic base)";
    EXPECT_FALSE(h->characteristics & kRelocsStripped) << "relocations stripped: ASLR cannot move it";
    EXPECT_GT(h->relocationBytes, 0u) << "no base relocations: ASLR cannot move it";
    if (!is32) EXPECT_TRUE(h->dllCharacteristics & kHighEntropyVa) << "no high-entropy ASLR";
}

// The program's icon carries a drawn image for the three sizes Windows shows
// it at (notification area and small captions, desktop, Explorer's large
// view), so none of them is a blurred stretch of another, each at 16 and 256
// colours as well as 32 bits, so a display or remote session at fewer
// colours shows an image made for it.
TEST(Exe, IconCarriesSixteenThirtyTwoAndFortyEightPixelImagesAtEachDepth) {
    e2e::Display d(64, 64);
    const auto r = d.Run(e2e::WinExe("vprobe.exe"), {"iconsizes", "Z:" + e2e::WinExe("vellumo.exe")});
    std::istringstream in(r.out);
    std::string tag;
    in >> tag;
    std::set<std::string> images;
    for (std::string image; in >> image;) images.insert(image);
    EXPECT_EQ(tag, "I") << r.out;
    EXPECT_EQ(images, (std::set<std::string>{"16x4", "16x8", "16x32", "32x4", "32x8", "32x32", "48x4", "48x8", "48x32"}))
        << r.out;
}

}  // namespace

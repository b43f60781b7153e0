// SaveBitmapToFile timed on a screen-like picture, by default 1920 x 1080 as
// PNG and as JPEG at quality 80. The same pixels go to DIR\screen.ppm for
// ImageMagick, which the native side times as the floor (or checks against).
//
//   savebench.exe DIR RUNS [WIDTH HEIGHT FORMATS [PICTURE]]
// FORMATS: e.g. png,gif, saved through SaveBitmapToFile; or the encoders
// alone on the picture's pixels, into memory: png-encode (ours) and
// gdiplus-png (GDI+'s, the encoder saves used before), their bytes written
// to a file once timed. PICTURE: screen (the default) or photo.
// Lines out (tab-separated): "PPM path", "FIRST format ms" (the first save of
// each format, which loads the codecs), "CPU format median_ms" (an
// encoding's processor time, all threads), "SAVE format median_ms bytes runs...",
// or "FAIL why" (with the message a refused save would show). Everything it
// needs (GDI+, a writable folder) is checked before it is called.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/Stats.h"
#include "bench/win/ScreenLike_win.h"
#include "gfx/Dib_win.h"
#include "gfx/GdiPlus_win.h"
#include "output/PngOnCores_win.h"
#include "output/Save_win.h"

namespace {

using namespace vellumo;
using namespace vellumo::bench;


double NowMs() {
    static const LONGLONG freq = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(freq);
}

// The processor time of the whole process, all its threads: what an
// encoding costs whether or not the machine's other work lets it run.
double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    const auto ms = [](const FILETIME& t) {
        return double((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

std::string Narrow(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += c < 128 ? char(c) : '?';
    return s;
}

// P6, 8 bits per channel, rows top-down: what ImageMagick reads fastest.
bool WritePpm(const std::wstring& path, const win::Dib& d) {
    std::FILE* f = ::_wfopen(path.c_str(), L"wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", d.width(), d.height());
    std::vector<unsigned char> row(std::size_t(d.width()) * 3);
    bool ok = true;
    for (int y = 0; y < d.height() && ok; ++y) {
        for (int x = 0; x < d.width(); ++x) {
            const std::uint32_t p = d.Pixel(x, y);
            row[std::size_t(x) * 3] = static_cast<unsigned char>(p >> 16);
            row[std::size_t(x) * 3 + 1] = static_cast<unsigned char>(p >> 8);
            row[std::size_t(x) * 3 + 2] = static_cast<unsigned char>(p);
        }
        ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
    }
    return std::fclose(f) == 0 && ok;
}

long long FileBytes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) return -1;
    return (static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

// GDI+'s PNG encoder as SaveBitmapToFile called it, into an HGLOBAL stream.
using CreateStreamOnHGlobalFn = HRESULT(WINAPI*)(HGLOBAL, BOOL, IStream**);

std::vector<std::uint8_t> GdiPlusPng(const win::Dib& d) {
    static const auto create = reinterpret_cast<CreateStreamOnHGlobalFn>(
        reinterpret_cast<void*>(::GetProcAddress(::LoadLibraryW(L"ole32.dll"), "CreateStreamOnHGlobal")));
    std::vector<std::uint8_t> out;
    const win::GdiPlusApi& gp = win::GdiPlus();
    win::gp::GpBitmap* raw = nullptr;
    if (!create || gp.GdipCreateBitmapFromScan0(d.width(), d.height(), d.width() * 4, PixelFormat32bppRGB,
                                                reinterpret_cast<BYTE*>(d.bits()), &raw) != win::gp::Ok)
        return out;
    win::unique_gp_image image(raw);
    IStream* stream = nullptr;
    if (FAILED(create(nullptr, TRUE, &stream))) return out;
    const CLSID png{0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    STATSTG st{};
    LARGE_INTEGER zero{};
    ULONG read = 0;
    if (gp.GdipSaveImageToStream(image.get(), stream, &png, nullptr) == win::gp::Ok &&
        SUCCEEDED(stream->Stat(&st, STATFLAG_NONAME)) && SUCCEEDED(stream->Seek(zero, STREAM_SEEK_SET, nullptr))) {
        out.resize(std::size_t(st.cbSize.QuadPart));
        if (FAILED(stream->Read(out.data(), ULONG(out.size()), &read)) || read != out.size()) out.clear();
    }
    stream->Release();
    return out;
}

bool WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = ::_wfopen(path.c_str(), L"wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

struct Format {
    std::string name;
    std::wstring path;
    std::vector<double> ms, cpuMs;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 && argc != 6 && argc != 7) {
        std::printf("FAIL\tusage: savebench DIR RUNS [WIDTH HEIGHT FORMATS [PICTURE]]\n");
        return 2;
    }
    const std::wstring dir = argv[1];
    const int runs = std::max(1, _wtoi(argv[2]));
    const int width = argc >= 6 ? _wtoi(argv[3]) : 1920, height = argc >= 6 ? _wtoi(argv[4]) : 1080;
    const bool photo = argc == 7 && std::wstring(argv[6]) == L"photo";
    // Named by size when one is given: screen-3840x2160.ppm, vellumo-3840x2160.gif.
    const std::wstring tag = argc >= 6 ? L"-" + std::to_wstring(width) + L"x" + std::to_wstring(height) : L"";
    const std::wstring picture = photo ? L"photo" : L"screen";
    std::vector<Format> formats;
    std::wstring list = argc >= 6 ? argv[5] : L"png,jpg";
    for (std::size_t at = 0; at <= list.size();) {
        const std::size_t comma = std::min(list.find(L',', at), list.size());
        const std::wstring ext = list.substr(at, comma - at);
        const std::wstring file = ext == L"png-encode" ? L"encoded.png" : ext == L"gdiplus-png" ? L"gdiplus.png" : ext;
        formats.push_back({Narrow(ext), dir + L"\\" + (photo ? L"photo" : L"vellumo") + tag + L"." + file, {}});
        at = comma + 1;
    }
    win::Dib screen;
    if (!screen.Create(width, height) || !(photo ? (PaintPhotoLike(screen), true) : PaintScreenLike(screen))) {
        std::printf("FAIL\tcannot paint the %s-like picture\n", Narrow(picture).c_str());
        return 1;
    }
    const std::wstring ppm = dir + L"\\" + picture + tag + L".ppm";
    if (!WritePpm(ppm, screen)) {
        std::printf("FAIL\tcannot write %s\n", Narrow(ppm).c_str());
        return 1;
    }
    std::printf("PPM\t%s\n", Narrow(ppm).c_str());
    if (!win::EnsureGdiPlus()) {
        std::printf("FAIL\tGDI+ did not start\n");
        return 1;
    }
    // One save or encoding of `f`; an encoding's bytes go to its file untimed.
    double cpuMs = 0;
    const auto once = [&](Format& f, double& ms) {
        const double t0 = NowMs(), cpu0 = ProcessCpuMs();
        if (f.name != "png-encode" && f.name != "gdiplus-png") {
            const bool saved = win::SaveBitmapToFile(screen.bitmap(), f.path).saved();
            ms = NowMs() - t0;
            return saved;
        }
        const std::vector<std::uint8_t> bytes =
            f.name == "gdiplus-png" ? GdiPlusPng(screen)
                                    : win::EncodePngOnCores(screen.bits(), screen.width(), screen.height(), screen.width());
        ms = NowMs() - t0;
        cpuMs = ProcessCpuMs() - cpu0;
        return !bytes.empty() && WriteBytes(f.path, bytes);
    };
    for (Format& f : formats) {
        double ms = 0;
        const bool ok = once(f, ms);
        std::printf("FIRST\t%s\t%.1f\n", f.name.c_str(), ms);
        if (!ok) {
            std::printf("FAIL\tSaveBitmapToFile refused %s\n", f.name.c_str());
            return 1;
        }
    }
    // The formats alternate so that drift in the machine's speed hits both alike.
    for (int i = 0; i < runs; ++i) {
        for (Format& f : formats) {
            double ms = 0;
            if (!once(f, ms)) {
                std::printf("FAIL\tSaveBitmapToFile refused %s on run %d\n", f.name.c_str(), i + 1);
                return 1;
            }
            f.ms.push_back(ms);
            f.cpuMs.push_back(cpuMs);
        }
    }
    for (const Format& f : formats) {
        if (!f.cpuMs.empty() && f.cpuMs.front() > 0) std::printf("CPU\t%s\t%.2f\n", f.name.c_str(), Summarize(f.cpuMs).median);
        std::printf("SAVE\t%s\t%.2f\t%lld", f.name.c_str(), Summarize(f.ms).median, FileBytes(f.path));
        for (double v : f.ms) std::printf("\t%.1f", v);
        std::printf("\n");
    }
    return 0;
}

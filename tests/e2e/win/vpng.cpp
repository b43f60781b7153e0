// vpng.exe: reads a PNG as other Windows programs read one, through GDI+.
//   vpng clipboard PATH   the clipboard's registered "PNG" format: its bytes
//                         written to PATH, the picture GDI+ decodes from them
//                         to PATH.ppm (binary P6); prints G width height, or
//                         N when the clipboard holds no "PNG"
//   vpng decode PNG PPM   the file PNG decoded by GDI+ into PPM; G width height
// Exits 0 when it printed its line, 2 on an error.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <objidl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

bool WriteFileBytes(const std::wstring& path, const void* data, std::size_t size) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(f, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
    CloseHandle(f);
    return ok;
}

bool ReadFileBytes(const std::wstring& path, std::vector<unsigned char>& out) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    DWORD read = 0;
    bool ok = GetFileSizeEx(f, &size);
    if (ok) {
        out.resize(static_cast<std::size_t>(size.QuadPart));
        ok = ReadFile(f, out.data(), static_cast<DWORD>(out.size()), &read, nullptr) && read == out.size();
    }
    CloseHandle(f);
    return ok;
}

// GDI+'s flat API, as a program that pastes a picture uses it.
struct GpRect {
    INT x, y, width, height;
};
struct BitmapData {
    UINT width, height;
    INT stride;
    INT format;
    void* scan0;
    UINT_PTR reserved;
};
constexpr INT kPixelFormat32bppRGB = 0x00022009;

// The PNG bytes decoded by GDI+ into a top-down P6 PPM at `ppm`; prints G w h.
bool DecodeWithGdiPlus(const std::vector<unsigned char>& png, const std::wstring& ppm) {
    struct StartupInput {
        UINT32 version = 1;
        void* callback = nullptr;
        BOOL noThread = FALSE, noCodecs = FALSE;
    };
    using Startup = int(WINAPI*)(ULONG_PTR*, const StartupInput*, void*);
    using FromStream = int(WINAPI*)(IStream*, void**);
    using Size = int(WINAPI*)(void*, UINT*);
    using Lock = int(WINAPI*)(void*, const GpRect*, UINT, INT, BitmapData*);
    using Unlock = int(WINAPI*)(void*, BitmapData*);
    using Dispose = int(WINAPI*)(void*);
    using CreateStream = HRESULT(WINAPI*)(HGLOBAL, BOOL, IStream**);
    HMODULE gp = LoadLibraryW(L"gdiplus.dll"), ole = LoadLibraryW(L"ole32.dll");
    if (!gp || !ole) return false;
    const auto proc = [&](HMODULE m, const char* name) { return reinterpret_cast<void*>(GetProcAddress(m, name)); };
    auto startup = reinterpret_cast<Startup>(proc(gp, "GdiplusStartup"));
    auto fromStream = reinterpret_cast<FromStream>(proc(gp, "GdipCreateBitmapFromStream"));
    auto width = reinterpret_cast<Size>(proc(gp, "GdipGetImageWidth"));
    auto height = reinterpret_cast<Size>(proc(gp, "GdipGetImageHeight"));
    auto lock = reinterpret_cast<Lock>(proc(gp, "GdipBitmapLockBits"));
    auto unlock = reinterpret_cast<Unlock>(proc(gp, "GdipBitmapUnlockBits"));
    auto dispose = reinterpret_cast<Dispose>(proc(gp, "GdipDisposeImage"));
    auto createStream = reinterpret_cast<CreateStream>(proc(ole, "CreateStreamOnHGlobal"));
    if (!startup || !fromStream || !width || !height || !lock || !unlock || !dispose || !createStream) return false;
    ULONG_PTR token = 0;
    StartupInput in;
    if (startup(&token, &in, nullptr) != 0) return false;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, png.size());
    void* to = mem ? GlobalLock(mem) : nullptr;
    if (!to) return false;
    memcpy(to, png.data(), png.size());
    GlobalUnlock(mem);
    IStream* stream = nullptr;
    if (FAILED(createStream(mem, TRUE, &stream))) return false;
    void* image = nullptr;
    const int status = fromStream(stream, &image);
    bool ok = false;
    UINT w = 0, h = 0;
    if (status == 0 && width(image, &w) == 0 && height(image, &h) == 0) {
        const GpRect area{0, 0, static_cast<INT>(w), static_cast<INT>(h)};
        BitmapData data{};
        if (lock(image, &area, 1 /* read */, kPixelFormat32bppRGB, &data) == 0) {
            std::string out = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
            for (UINT y = 0; y < h; ++y) {
                const auto* row = static_cast<const unsigned char*>(data.scan0) + static_cast<INT_PTR>(y) * data.stride;
                for (UINT x = 0; x < w; ++x) {
                    out += static_cast<char>(row[x * 4 + 2]);
                    out += static_cast<char>(row[x * 4 + 1]);
                    out += static_cast<char>(row[x * 4]);
                }
            }
            unlock(image, &data);
            ok = WriteFileBytes(ppm, out.data(), out.size());
        }
    }
    if (image) dispose(image);
    stream->Release();
    if (ok) std::printf("G\t%u\t%u\n", w, h);
    else std::printf("E\tGDI+ could not decode it (status %d)\n", status);
    return ok;
}

bool ClipboardPng(const std::wstring& path) {
    const UINT format = RegisterClipboardFormatW(L"PNG");
    bool open = false;
    for (int i = 0; i < 40 && !open; ++i) {
        open = OpenClipboard(nullptr);
        if (!open) Sleep(25);
    }
    if (!open) return false;
    std::vector<unsigned char> png;
    // Asking for it makes a program that promised it render it now.
    if (HANDLE data = GetClipboardData(format)) {
        if (const void* bytes = GlobalLock(data)) {
            png.assign(static_cast<const unsigned char*>(bytes),
                       static_cast<const unsigned char*>(bytes) + GlobalSize(data));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    if (png.empty()) {
        std::printf("N\n");
        return true;
    }
    return WriteFileBytes(path, png.data(), png.size()) && DecodeWithGdiPlus(png, path + L".ppm");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // "\n", not "\r\n"
    const std::wstring cmd = argc > 1 ? argv[1] : L"";
    bool ok = false;
    if (cmd == L"clipboard" && argc == 3) ok = ClipboardPng(argv[2]);
    if (cmd == L"decode" && argc == 4) {
        std::vector<unsigned char> png;
        ok = ReadFileBytes(argv[2], png) && DecodeWithGdiPlus(png, argv[3]);
    }
    std::fflush(stdout);
    return ok ? 0 : 2;
}

#include "output/Save_win.h"

#include <commdlg.h>
#include <objidl.h>

#include <cstring>
#include <vector>

#include "gfx/Dib_win.h"
#include "gfx/GdiPlus_win.h"
#include "gfx/Handles_win.h"
#include "output/ImageFormat.h"

namespace vellumo::win {

namespace {
constexpr wchar_t kTitle[] = L"Vellumo";

GUID ToGuid(const Guid& g) {
    GUID out;
    out.Data1 = g.data1;
    out.Data2 = g.data2;
    out.Data3 = g.data3;
    std::memcpy(out.Data4, g.data4.data(), 8);
    return out;
}

std::wstring SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring out = n ? std::wstring(text, n) : L"System error " + std::to_wstring(error) + L".";
    if (text) ::LocalFree(text);
    while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L' ')) out.pop_back();
    return out;
}

void Tell(HWND owner, const std::wstring& text) {
    ::MessageBoxW(owner, text.c_str(), kTitle, MB_OK | MB_ICONWARNING);
}

// The encoders write into memory; the file itself is written by WriteWhole,
// so a refused write reports the system's own reason.
using CreateStreamOnHGlobalFn = HRESULT(WINAPI*)(HGLOBAL, BOOL, IStream**);

class MemoryStream {
public:
    MemoryStream() {
        // ole32 is in the process once GDI+ is; resolving it here keeps it out
        // of the exe's start-up imports.
        HMODULE ole = ::LoadLibraryW(L"ole32.dll");
        auto create = ole ? reinterpret_cast<CreateStreamOnHGlobalFn>(
                                reinterpret_cast<void*>(::GetProcAddress(ole, "CreateStreamOnHGlobal")))
                          : nullptr;
        if (create) create(nullptr, TRUE, &stream_);
    }
    ~MemoryStream() {
        if (stream_) stream_->Release();
    }
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;
    IStream* get() const { return stream_; }
    bool Bytes(std::vector<std::uint8_t>& out) const {
        STATSTG st{};
        if (!stream_ || FAILED(stream_->Stat(&st, STATFLAG_NONAME))) return false;
        out.resize(static_cast<std::size_t>(st.cbSize.QuadPart));
        LARGE_INTEGER zero{};
        if (FAILED(stream_->Seek(zero, STREAM_SEEK_SET, nullptr))) return false;
        ULONG read = 0;
        return out.empty() ||
               (SUCCEEDED(stream_->Read(out.data(), static_cast<ULONG>(out.size()), &read)) && read == out.size());
    }

private:
    IStream* stream_ = nullptr;
};

bool EncodeWithGdiPlus(const Pixels& px, ImageFormat format, std::vector<std::uint8_t>& out) {
    if (!GdiPlusReady()) return false;
    const GdiPlusApi& gp = GdiPlus();
    // GIF: Wine's encoder takes only paletted bitmaps, so every platform gets
    // the same 8-bit image made here.
    IndexedImage indexed;
    std::vector<std::uint8_t> rows;
    gp::GpBitmap* raw = nullptr;
    if (format == ImageFormat::Gif) {
        indexed = ReduceToPalette(px.bits.data(), px.width, px.height, px.width);
        const int stride = (px.width + 3) & ~3;
        rows.assign(std::size_t(stride) * px.height, 0);
        for (int y = 0; y < px.height; ++y)
            std::memcpy(&rows[std::size_t(y) * stride], &indexed.indices[std::size_t(y) * px.width], px.width);
        if (gp.GdipCreateBitmapFromScan0(px.width, px.height, stride, PixelFormat8bppIndexed, rows.data(), &raw) !=
            gp::Ok)
            return false;
    } else if (gp.GdipCreateBitmapFromScan0(px.width, px.height, px.width * 4, PixelFormat32bppRGB,
                                            reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(px.bits.data())),
                                            &raw) != gp::Ok) {
        return false;
    }
    unique_gp_image image(raw);
    if (format == ImageFormat::Gif) {
        std::vector<std::uint8_t> buffer(sizeof(gp::ColorPalette) + sizeof(gp::ARGB) * 256);
        auto* palette = reinterpret_cast<gp::ColorPalette*>(buffer.data());
        palette->Flags = 0;
        palette->Count = static_cast<UINT>(indexed.palette.size());
        for (std::size_t i = 0; i < indexed.palette.size(); ++i) palette->Entries[i] = 0xFF000000u | indexed.palette[i];
        if (gp.GdipSetImagePalette(image.get(), palette) != gp::Ok) return false;
    }
    MemoryStream stream;
    if (!stream.get()) return false;
    const GUID clsid = ToGuid(EncoderClsidByIndex(EncoderIndexFor(format)));
    gp::GpStatus status;
    if (format == ImageFormat::Jpeg) {
        ULONG quality = kJpegQuality;
        gp::EncoderParameters params{};
        params.Count = 1;
        params.Parameter[0].Guid = ToGuid(EncoderQualityGuid());
        params.Parameter[0].NumberOfValues = 1;
        params.Parameter[0].Type = gp::EncoderParameterValueTypeLong;
        params.Parameter[0].Value = &quality;
        status = gp.GdipSaveImageToStream(image.get(), stream.get(), &clsid, &params);
    } else {
        status = gp.GdipSaveImageToStream(image.get(), stream.get(), &clsid, nullptr);
    }
    return status == gp::Ok && stream.Bytes(out) && !out.empty();
}

// Writes the whole file or nothing: a failed write removes what it began.
DWORD WriteWhole(const std::wstring& name, const std::vector<std::uint8_t>& bytes) {
    HANDLE f = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return ::GetLastError();
    std::size_t done = 0;
    DWORD error = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(f, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            error = ::GetLastError();
            if (!error) error = ERROR_WRITE_FAULT;
            break;
        }
        done += written;
    }
    if (!::CloseHandle(f) && !error) error = ::GetLastError();
    if (error) ::DeleteFileW(name.c_str());
    return error;
}
}  // namespace

using GetSaveFileNameFn = BOOL(WINAPI*)(OPENFILENAMEW*);
using CoInitializeExFn = HRESULT(WINAPI*)(void*, DWORD);

bool AskSaveName(HWND owner, std::wstring& name) {
    // comdlg32 (and the shell it pulls in) is loaded when first needed, not at start-up.
    static const auto getSaveFileName = [] {
        // The Explorer-style dialog hosts shell objects and expects COM in
        // this thread as a single-threaded apartment; it stays for the life
        // of the process, as the dialog may be shown again.
        if (HMODULE ole = ::LoadLibraryW(L"ole32.dll")) {
            if (auto init = reinterpret_cast<CoInitializeExFn>(
                    reinterpret_cast<void*>(::GetProcAddress(ole, "CoInitializeEx"))))
                init(nullptr, COINIT_APARTMENTTHREADED);
        }
        HMODULE dlg = ::LoadLibraryW(L"comdlg32.dll");
        return dlg ? reinterpret_cast<GetSaveFileNameFn>(
                         reinterpret_cast<void*>(::GetProcAddress(dlg, "GetSaveFileNameW")))
                   : nullptr;
    }();
    if (!getSaveFileName) return false;
    const std::wstring filter = DialogFilter(kImageFilter);
    std::vector<wchar_t> buffer(32768, L'\0');
    name.copy(buffer.data(), std::min(name.size(), buffer.size() - 1));
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!getSaveFileName(&ofn)) return false;
    name = WithFilterExtension(buffer.data(), static_cast<int>(ofn.nFilterIndex));
    return true;
}

bool SaveBitmapToFile(HWND owner, HBITMAP bitmap, const std::wstring& name) {
    const ImageFormat format = FormatByExtension(name);
    if (format == ImageFormat::None) {
        Tell(owner, UnsupportedExtensionMessage(name));
        return false;
    }
    Pixels px;
    if (!ReadPixels(bitmap, px)) {
        Tell(owner, L"Nothing was saved: the image could not be read.");
        return false;
    }
    std::vector<std::uint8_t> bytes;
    if (format == ImageFormat::Bmp) {
        bytes = EncodeBmp(px.bits.data(), px.width, px.height, px.width);
    } else if (!EncodeWithGdiPlus(px, format, bytes)) {
        Tell(owner, L"Nothing was saved: the image could not be encoded as " + FileExtension(name) +
                        L" (GDI+ is not available or refused the image).");
        return false;
    }
    if (const DWORD error = WriteWhole(name, bytes)) {
        Tell(owner, L"The image could not be saved to\n" + name + L"\n\n" + SystemMessage(error));
        return false;
    }
    return true;
}

}  // namespace vellumo::win

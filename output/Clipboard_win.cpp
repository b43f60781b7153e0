#include "output/Clipboard_win.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "gfx/Dib_win.h"
#include "gfx/Handles_win.h"
#include "gfx/PictureHeader.h"
#include "output/PngOnCores_win.h"

namespace vellumo::win {

namespace {
// Another program may hold the clipboard for a moment (clipboard managers,
// remote desktop); wait up to about a second before giving up.
constexpr int kOpenAttempts = 40;
constexpr DWORD kOpenRetryMs = 25;

bool OpenClipboardPatiently(HWND owner) {
    for (int i = 0; i < kOpenAttempts; ++i) {
        if (::OpenClipboard(owner)) return true;
        ::Sleep(kOpenRetryMs);
    }
    return false;
}

class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner, bool patient = true)
        : open_(patient ? OpenClipboardPatiently(owner) : ::OpenClipboard(owner) != FALSE) {}
    ~ClipboardSession() {
        if (open_) ::CloseClipboard();
    }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    bool open() const { return open_; }

private:
    bool open_;
};

// A device-dependent copy, the form CF_BITMAP readers expect everywhere,
// made in one blit from the picture's DC: no pixels pass through memory of
// ours on the way.
unique_hbitmap CompatibleCopy(HDC from, int width, int height) {
    WindowDc screen(nullptr);
    unique_hbitmap ddb(::CreateCompatibleBitmap(screen.get(), width, height));
    if (!ddb) return {};
    unique_hdc dc(::CreateCompatibleDC(screen.get()));
    if (!dc) return {};
    Selected into(dc.get(), ddb.get());
    if (!::BitBlt(dc.get(), 0, 0, width, height, from, 0, 0, SRCCOPY)) return {};
    ::GdiFlush();
    return ddb;
}

unique_hbitmap CompatibleCopy(HBITMAP source) {
    BITMAP bm{};
    if (!source || !::GetObjectW(source, sizeof(bm), &bm)) return {};
    unique_hdc from(::CreateCompatibleDC(nullptr));
    if (!from) return {};
    Selected use(from.get(), source);
    return CompatibleCopy(from.get(), bm.bmWidth, std::abs(bm.bmHeight));
}

// The picture as a PNG file in memory the clipboard can own; null when
// there is no memory for it.
unique_hglobal PngCopy(const std::uint32_t* pixels, int width, int height) {
    std::vector<std::uint8_t> png;
    try {
        png = EncodePngOnCores(pixels, width, height, width);
    } catch (const std::bad_alloc&) {
        return {};
    }
    if (png.empty()) return {};
    unique_hglobal mem(::GlobalAlloc(GMEM_MOVEABLE, png.size()));
    void* to = mem ? ::GlobalLock(mem.get()) : nullptr;
    if (!to) return {};
    std::memcpy(to, png.data(), png.size());
    ::GlobalUnlock(mem.get());
    return mem;
}

unique_hglobal PngCopy(HBITMAP source) {
    Pixels px;
    try {
        if (!ReadPixels(source, px)) return {};
    } catch (const std::bad_alloc&) {
        return {};
    }
    return PngCopy(px.bits.data(), px.width, px.height);
}

// What a write left on the clipboard, to be read back once it is closed.
struct Written {
    HWND owner = nullptr;
    DWORD sequence = 0;  // the clipboard's number once the write was closed
    SIZE bitmap{};       // a bitmap of this size; none when 0 x 0
    bool png = false;    // PNG bytes (rendered, not promised)
    bool promised = false;
};

bool HoldsPngBytes() {
    HGLOBAL data = ::GetClipboardData(PngClipboardFormat());
    const auto* bytes = static_cast<const std::uint8_t*>(data ? ::GlobalLock(data) : nullptr);
    if (!bytes) return false;
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const bool ok = ::GlobalSize(data) > sizeof kSignature && std::memcmp(bytes, kSignature, sizeof kSignature) == 0;
    ::GlobalUnlock(data);
    return ok;
}

// Reads the write back from a fresh opening of the clipboard: a write that
// did not take shows here, where SetClipboardData's answer (null for a
// promise even when it succeeds) cannot tell it. Another program's change
// since then means ours was there for it to change.
bool ReadBack(const Written& w) {
    if (::GetClipboardSequenceNumber() != w.sequence) return true;
    const UINT png = PngClipboardFormat();
    ClipboardSession clip(w.owner);
    if (!clip.open()) {
        // Held by a program reading it, likely: what it lists must do.
        return ::IsClipboardFormatAvailable(CF_BITMAP) && ::IsClipboardFormatAvailable(png);
    }
    if (::GetClipboardSequenceNumber() != w.sequence) return true;
    if (!::IsClipboardFormatAvailable(CF_BITMAP) || !::IsClipboardFormatAvailable(png)) return false;
    if (w.promised) return ::GetClipboardOwner() == w.owner;
    if (w.bitmap.cx > 0) {
        // The clipboard keeps the handle; it is only looked at here.
        const auto bitmap = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
        BITMAP bm{};
        if (!bitmap || ::GetObjectW(bitmap, sizeof bm, &bm) != sizeof bm || bm.bmWidth != w.bitmap.cx ||
            std::abs(bm.bmHeight) != w.bitmap.cy)
            return false;
    }
    return !w.png || HoldsPngBytes();
}

Written AfterWrite(HWND owner, SIZE bitmap, bool png, bool promised = false) {
    return {owner, ::GetClipboardSequenceNumber(), bitmap, png, promised};
}
}  // namespace

UINT PngClipboardFormat() {
    static const UINT format = ::RegisterClipboardFormatW(L"PNG");
    return format;
}

ClipboardResult PutBitmapOnClipboard(HWND owner, const Dib& picture) {
    if (picture.empty()) return ClipboardResult::NoMemory;
    unique_hbitmap copy = CompatibleCopy(picture.dc(), picture.width(), picture.height());
    // Encoded before the clipboard is opened, so no other program waits on it.
    unique_hglobal png = PngCopy(picture.bits(), picture.width(), picture.height());
    if (!copy || !png) return ClipboardResult::NoMemory;
    {
        ClipboardSession clip(owner);
        if (!clip.open() || !::EmptyClipboard()) return ClipboardResult::Busy;
        if (!::SetClipboardData(CF_BITMAP, copy.get())) return ClipboardResult::NotKept;
        copy.release();  // the clipboard owns it now
        if (!::SetClipboardData(PngClipboardFormat(), png.get())) {
            ::EmptyClipboard();  // not half a copy
            return ClipboardResult::NotKept;
        }
        png.release();
    }
    return ReadBack(AfterWrite(owner, {picture.width(), picture.height()}, true)) ? ClipboardResult::Ok
                                                                                  : ClipboardResult::NotKept;
}

ClipboardResult PromiseBitmapOnClipboard(HWND owner) {
    {
        ClipboardSession clip(owner);
        if (!clip.open() || !::EmptyClipboard()) return ClipboardResult::Busy;
        // Null data: the system asks the owner for it (WM_RENDERFORMAT) when a
        // program wants it first. SetClipboardData answers null for it either
        // way; the read-back tells.
        ::SetClipboardData(CF_BITMAP, nullptr);
        ::SetClipboardData(PngClipboardFormat(), nullptr);
    }
    return ReadBack(AfterWrite(owner, {}, false, true)) ? ClipboardResult::Ok : ClipboardResult::NotKept;
}

ClipboardResult KeepBitmapPromise(HWND owner, HBITMAP source, PromiseMoment moment, PromisedFormats& owed,
                                  UINT asked) {
    const UINT pngFormat = PngClipboardFormat();
    const AskedFormat which = asked == CF_BITMAP   ? AskedFormat::Bitmap
                              : asked == pngFormat ? AskedFormat::Png
                              : asked              ? AskedFormat::Other
                                                   : AskedFormat::None;
    const auto [bitmap, png] = FormatsToMake(moment, owed, which);
    std::optional<ClipboardSession> clip;
    if (moment != PromiseMoment::Asked) {
        clip.emplace(owner, moment == PromiseMoment::Last);
        if (!clip->open()) return ClipboardResult::Busy;
        // Another program may have emptied it since.
        if (::GetClipboardOwner() != owner) {
            owed = {false, false};
            return ClipboardResult::Ok;
        }
    }
    ClipboardResult result = ClipboardResult::Ok;
    if (bitmap) {
        unique_hbitmap copy = CompatibleCopy(source);
        if (!copy) result = ClipboardResult::NoMemory;
        else if (!::SetClipboardData(CF_BITMAP, copy.get())) result = ClipboardResult::NotKept;
        else {
            copy.release();  // the clipboard owns it now
            owed.bitmap = false;
        }
    }
    if (png && result == ClipboardResult::Ok) {
        unique_hglobal bytes = PngCopy(source);
        if (!bytes) result = ClipboardResult::NoMemory;
        else if (!::SetClipboardData(pngFormat, bytes.get())) result = ClipboardResult::NotKept;
        else {
            bytes.release();
            owed.png = false;
        }
    }
    if (!clip) return result;
    if (result != ClipboardResult::Ok) {
        // Other programs are not left a picture that never comes.
        ::EmptyClipboard();
        return result;
    }
    clip.reset();
    if (!bitmap && !png) return result;
    const BITMAP size = [&] {
        BITMAP bm{};
        ::GetObjectW(source, sizeof bm, &bm);
        return bm;
    }();
    return ReadBack(AfterWrite(owner, {bitmap ? size.bmWidth : 0, std::abs(size.bmHeight)}, png))
               ? result
               : ClipboardResult::NotKept;
}

void WithdrawBitmapPromise(HWND owner) {
    ClipboardSession clip(owner);
    if (clip.open() && ::GetClipboardOwner() == owner) ::EmptyClipboard();
}

bool PutTextOnClipboard(HWND owner, const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!mem) return false;
    if (void* p = ::GlobalLock(mem)) {
        std::memcpy(p, text.c_str(), bytes);
        ::GlobalUnlock(mem);
    } else {
        ::GlobalFree(mem);
        return false;
    }
    ClipboardSession clip(owner);
    if (!clip.open() || !::EmptyClipboard() || !::SetClipboardData(CF_UNICODETEXT, mem)) {
        ::GlobalFree(mem);  // the clipboard did not take it
        return false;
    }
    return true;
}

namespace {
// The clipboard's first picture format in the order it was given: a format
// the system makes from another (CF_BITMAP from a CF_DIB) is listed after
// the one it comes from. 0 when it holds no picture.
UINT FirstPictureFormat() {
    for (UINT f = ::EnumClipboardFormats(0); f; f = ::EnumClipboardFormats(f))
        if (f == CF_DIB || f == CF_DIBV5 || f == CF_BITMAP) return f;
    return 0;
}

// A bitmap is a GDI object whose size is its own: nothing can claim more.
ClipboardPicture CopyBitmap(HBITMAP bitmap, std::uint64_t pixelBudget, Dib& out, ClipboardPictureSize& size) {
    BITMAP info{};
    if (!bitmap || ::GetObjectW(bitmap, sizeof(info), &info) != sizeof(info)) return ClipboardPicture::NoPicture;
    const int w = info.bmWidth, h = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    if (w <= 0 || h <= 0) return ClipboardPicture::Unusable;
    size = {w, h};
    if (std::uint64_t(w) * std::uint64_t(h) > pixelBudget) return ClipboardPicture::TooLarge;
    if (!out.Create(w, h)) return ClipboardPicture::NoMemory;
    unique_hdc dc(::CreateCompatibleDC(out.dc()));
    if (!dc) {
        out.Clear();
        return ClipboardPicture::NoMemory;
    }
    Selected from(dc.get(), bitmap);
    if (!::BitBlt(out.dc(), 0, 0, w, h, dc.get(), 0, 0, SRCCOPY)) {
        out.Clear();
        return ClipboardPicture::NoMemory;
    }
    ::GdiFlush();
    return ClipboardPicture::Ok;
}

// A DIB another program wrote: its header is held against the bytes it
// came in before anything draws it, so a header that claims more than is
// there, or a size past the budget, is refused without a pixel read. (Asked
// for as CF_BITMAP, Wine would make a bitmap from such a DIB itself, reading
// past its end inside GDI.)
ClipboardPicture CopyPackedDib(HGLOBAL mem, std::uint64_t pixelBudget, Dib& out, ClipboardPictureSize& size) {
    if (!mem) return ClipboardPicture::NoPicture;
    const SIZE_T bytes = ::GlobalSize(mem);
    const auto* data = static_cast<const std::uint8_t*>(::GlobalLock(mem));
    if (!data) return ClipboardPicture::NoPicture;
    struct Unlock {
        HGLOBAL mem;
        ~Unlock() { ::GlobalUnlock(mem); }
    } unlock{mem};
    const PackedDib dib = ReadPackedDib(data, bytes);
    if (dib.header.sizeKnown) size = {dib.header.width, dib.header.height};
    const std::int64_t budget = static_cast<std::int64_t>(std::min<std::uint64_t>(pixelBudget, INT64_MAX));
    switch (JudgeHeader(dib.header, budget)) {
        case HeaderVerdict::Open: break;
        case HeaderVerdict::TooLarge: return ClipboardPicture::TooLarge;
        case HeaderVerdict::Unreadable:
        case HeaderVerdict::Unchecked: return ClipboardPicture::Unusable;
    }
    const int w = static_cast<int>(dib.header.width), h = static_cast<int>(dib.header.height);
    if (!out.Create(w, h)) return ClipboardPicture::NoMemory;
    // StretchDIBits takes either row order; at 1:1 it only copies.
    if (::StretchDIBits(out.dc(), 0, 0, w, h, 0, 0, w, h, data + dib.pixelsAt, reinterpret_cast<const BITMAPINFO*>(data),
                        DIB_RGB_COLORS, SRCCOPY) == 0) {
        out.Clear();
        return ClipboardPicture::NoMemory;
    }
    ::GdiFlush();
    return ClipboardPicture::Ok;
}
}  // namespace

ClipboardPicture CopyPictureFromClipboard(HWND owner, std::uint64_t pixelBudget, Dib& out,
                                          ClipboardPictureSize* claimed) {
    out.Clear();
    ClipboardPictureSize size;
    if (!::IsClipboardFormatAvailable(CF_BITMAP) && !::IsClipboardFormatAvailable(CF_DIB) &&
        !::IsClipboardFormatAvailable(CF_DIBV5))
        return ClipboardPicture::NoPicture;
    ClipboardSession clip(owner);
    if (!clip.open()) return ClipboardPicture::Busy;
    // The clipboard keeps the handles; they are only read here. A DIB is
    // never asked for as CF_BITMAP: it is judged by its own header.
    const UINT format = FirstPictureFormat();
    ClipboardPicture result = ClipboardPicture::NoPicture;
    if (format == CF_BITMAP)
        result = CopyBitmap(static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP)), pixelBudget, out, size);
    else if (format != 0)
        result = CopyPackedDib(::GetClipboardData(format), pixelBudget, out, size);
    if (claimed) *claimed = size;
    return result;
}

}  // namespace vellumo::win

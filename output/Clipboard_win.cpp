#include "output/Clipboard_win.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "gfx/Dib_win.h"
#include "gfx/Handles_win.h"
#include "gfx/PictureHeader.h"

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
}  // namespace

ClipboardResult PutBitmapOnClipboard(HWND owner, const Dib& picture) {
    if (picture.empty()) return ClipboardResult::NoMemory;
    unique_hbitmap copy = CompatibleCopy(picture.dc(), picture.width(), picture.height());
    if (!copy) return ClipboardResult::NoMemory;
    ClipboardSession clip(owner);
    if (!clip.open() || !::EmptyClipboard()) return ClipboardResult::Busy;
    if (!::SetClipboardData(CF_BITMAP, copy.get())) return ClipboardResult::NoMemory;
    copy.release();  // the clipboard owns it now
    return ClipboardResult::Ok;
}

ClipboardResult PromiseBitmapOnClipboard(HWND owner) {
    ClipboardSession clip(owner);
    if (!clip.open() || !::EmptyClipboard()) return ClipboardResult::Busy;
    // Null data: the system asks the owner for it (WM_RENDERFORMAT) when a
    // program wants it first.
    ::SetClipboardData(CF_BITMAP, nullptr);
    return ClipboardResult::Ok;
}

ClipboardResult KeepBitmapPromise(HWND owner, HBITMAP source, PromiseMoment moment) {
    std::optional<ClipboardSession> clip;
    if (moment != PromiseMoment::Asked) {
        clip.emplace(owner, moment == PromiseMoment::Last);
        if (!clip->open()) return ClipboardResult::Busy;
        // Another program may have emptied it since.
        if (::GetClipboardOwner() != owner) return ClipboardResult::Ok;
    }
    unique_hbitmap copy = CompatibleCopy(source);
    if (copy && ::SetClipboardData(CF_BITMAP, copy.get())) {
        copy.release();  // the clipboard owns it now
        return ClipboardResult::Ok;
    }
    // Other programs are not left a bitmap that never comes.
    if (clip) ::EmptyClipboard();
    return ClipboardResult::NoMemory;
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

#include "output/Clipboard_win.h"

#include "gfx/Dib_win.h"
#include "gfx/Handles_win.h"

#include <cstring>

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
    explicit ClipboardSession(HWND owner) : open_(OpenClipboardPatiently(owner)) {}
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
// made in one blit from the picture's own DC: no pixels pass through memory
// of ours on the way.
unique_hbitmap CompatibleCopy(const Dib& picture) {
    WindowDc screen(nullptr);
    unique_hbitmap ddb(::CreateCompatibleBitmap(screen.get(), picture.width(), picture.height()));
    if (!ddb) return {};
    unique_hdc dc(::CreateCompatibleDC(screen.get()));
    if (!dc) return {};
    Selected into(dc.get(), ddb.get());
    if (!::BitBlt(dc.get(), 0, 0, picture.width(), picture.height(), picture.dc(), 0, 0, SRCCOPY)) return {};
    return ddb;
}
}  // namespace

ClipboardResult PutBitmapOnClipboard(HWND owner, const Dib& picture) {
    if (picture.empty()) return ClipboardResult::NoMemory;
    unique_hbitmap copy = CompatibleCopy(picture);
    if (!copy) return ClipboardResult::NoMemory;
    ::GdiFlush();
    ClipboardSession clip(owner);
    if (!clip.open() || !::EmptyClipboard()) return ClipboardResult::Busy;
    if (!::SetClipboardData(CF_BITMAP, copy.get())) return ClipboardResult::NoMemory;
    copy.release();  // the clipboard owns it now
    return ClipboardResult::Ok;
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

ClipboardPicture CopyPictureFromClipboard(HWND owner, std::uint64_t pixelBudget, Dib& out) {
    out.Clear();
    if (!::IsClipboardFormatAvailable(CF_BITMAP) && !::IsClipboardFormatAvailable(CF_DIB))
        return ClipboardPicture::NoPicture;
    ClipboardSession clip(owner);
    if (!clip.open()) return ClipboardPicture::Busy;
    // The clipboard keeps the handle; it is only read here.
    const auto bitmap = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    BITMAP info{};
    if (!bitmap || ::GetObjectW(bitmap, sizeof(info), &info) != sizeof(info)) return ClipboardPicture::NoPicture;
    const int w = info.bmWidth, h = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    if (w <= 0 || h <= 0) return ClipboardPicture::NoPicture;
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

}  // namespace vellumo::win

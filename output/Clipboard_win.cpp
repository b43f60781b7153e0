#include "output/Clipboard_win.h"

#include "gfx/Dib_win.h"
#include "gfx/Handles_win.h"

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

// A device-dependent copy, the form CF_BITMAP readers expect everywhere.
unique_hbitmap CompatibleCopy(const Pixels& px) {
    WindowDc screen(nullptr);
    unique_hbitmap ddb(::CreateCompatibleBitmap(screen.get(), px.width, px.height));
    if (!ddb) return {};
    BITMAPINFO bi = TopDownDibInfo(px.width, px.height);
    if (::SetDIBits(screen.get(), ddb.get(), 0, px.height, px.bits.data(), &bi, DIB_RGB_COLORS) != px.height)
        return {};
    return ddb;
}
}  // namespace

bool PutBitmapOnClipboard(HWND owner, HBITMAP bitmap) {
    Pixels px;
    if (!ReadPixels(bitmap, px)) return false;
    unique_hbitmap copy = CompatibleCopy(px);
    if (!copy) return false;
    ClipboardSession clip(owner);
    if (!clip.open() || !::EmptyClipboard()) return false;
    if (!::SetClipboardData(CF_BITMAP, copy.get())) return false;
    copy.release();  // the clipboard owns it now
    return true;
}

HBITMAP BitmapFromClipboard(HWND owner) {
    ClipboardSession clip(owner);
    if (!clip.open()) return nullptr;
    const auto held = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    Pixels px;
    if (!held || !ReadPixels(held, px)) return nullptr;
    return BitmapFromPixels(px);
}

}  // namespace vellumo::win

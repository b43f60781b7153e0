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

}  // namespace vellumo::win

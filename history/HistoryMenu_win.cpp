#include "history/HistoryMenu_win.h"

#include "gfx/GdiPlus_win.h"
#include "gfx/Log_win.h"
#include "gfx/Picture_win.h"

namespace vellumo::win {

namespace {
// The small picture's box; the capture keeps its proportions inside it.
constexpr int kThumbWidth = 48;
constexpr int kThumbHeight = 32;

unique_hbitmap Thumbnail(const std::wstring& path) {
    try {
        if (!EnsureGdiPlus()) return {};
        int w = kThumbWidth, h = kThumbHeight;
        return LoadPictureScaled(path, w, h, ::GetSysColor(COLOR_MENU), true);
    } catch (const PictureLoadError&) {
        return {};  // a file removed or torn by hand: the time still shows
    }
}
}  // namespace

void RecentCapturesMenu::Fill(HMENU submenu, CaptureHistory& history, unsigned firstId, unsigned count) {
    if (!submenu) return;
    for (unsigned i = 0; i < listed_; ++i) ::DeleteMenu(submenu, 0, MF_BYPOSITION);
    listed_ = 0;
    thumbnails_.clear();
    paths_ = history.on() ? history.Newest(count) : std::vector<std::wstring>{};
    SYSTEMTIME t{};
    ::GetLocalTime(&t);
    const history::Stamp now{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
    for (unsigned i = 0; i < paths_.size(); ++i) {
        const std::wstring name = paths_[i].substr(paths_[i].find_last_of(L'\\') + 1);
        std::wstring caption = history::MenuTime(history::StampOfName(name).value_or(history::Stamp{}), now);
        thumbnails_.push_back(Thumbnail(paths_[i]));
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_ID | MIIM_STRING | MIIM_BITMAP;
        item.wID = firstId + i;
        item.dwTypeData = caption.data();
        item.hbmpItem = thumbnails_.back().get();
        if (LogLastErrorIf(!::InsertMenuItemW(submenu, i, TRUE, &item), L"InsertMenuItemW")) break;
        ++listed_;
    }
    const wchar_t* none = history.on() ? L"No captures yet" : L"The history is off (Keep=0 in set.ini)";
    if (paths_.empty() && ::InsertMenuW(submenu, 0, MF_BYPOSITION | MF_STRING | MF_GRAYED, firstId, none)) ++listed_;
    if (::InsertMenuW(submenu, listed_, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr)) ++listed_;
}

std::optional<std::wstring> RecentCapturesMenu::PathOf(unsigned index) const {
    if (index >= paths_.size()) return std::nullopt;
    return paths_[index];
}

bool LoadCapture(const std::wstring& path, Dib& out, std::wstring& why) {
    try {
        if (!EnsureGdiPlus()) {
            why = L"The capture could not be read: GDI+ did not start.";
            return false;
        }
        int w = -1, h = -1;
        const unique_hbitmap bitmap = LoadPictureScaled(path, w, h, RGB(255, 255, 255), false);
        Pixels px;
        if (!ReadPixels(bitmap.get(), px) || !out.Create(px.width, px.height)) {
            why = L"There is no memory to read the capture\n" + path;
            return false;
        }
        std::copy(px.bits.begin(), px.bits.end(), out.bits());
        return true;
    } catch (const PictureLoadError& e) {
        why = e.description;
        return false;
    }
}

}  // namespace vellumo::win

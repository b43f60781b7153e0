// The wheel over a Floater: zoom around the pointer, or with Ctrl the
// Floater's own opacity, and the percentage shown on it for a moment.
//
// Own opacity: the host is one window for every Floater, and a layered
// window has one alpha for all of it; per-pixel alpha (UpdateLayeredWindow)
// would take away the child windows the Floaters are. So a Floater below 100%
// leaves the host and becomes a layered popup of its own, owned by the host
// (above it, shown and hidden with it), at its own opacity times the host's
// translucency, and the host's region leaves a hole where it is (FloatersApart)
// so the desktop shows through it; back at 100% it returns into the host. It
// stays the same window object, so its events are unchanged. A popup stands
// above the whole host, so to keep the order the user made ("Lowest", a left
// press) and the drop icon above it, it leaves out of its own window what the
// stack puts in front of it in the host (FloaterStack.h). The host covers
// the virtual screen from its top-left: a Floater's place is kept in the
// host's coordinates, and ApplyFloater moves a popup to the screen's.
#include <windowsx.h>

#include <algorithm>

#include "floaters/FloaterHost_win.h"
#include "gfx/Region_win.h"

namespace vellumo::win {

const FloaterScale* FloaterHost::ScaleOf(int n) const {
    const auto it = scales_.find(n);
    return it == scales_.end() ? nullptr : &it->second;
}

std::optional<int> FloaterHost::FloaterAt(Point screen) const {
    const HWND under = ::WindowFromPoint({screen.x, screen.y});
    for (const auto& [n, picture] : pictures_)
        if (picture->hwnd() == under) return n;
    return std::nullopt;
}

void FloaterHost::OnFloaterWheel(WPARAM wp, LPARAM lp) {
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};  // screen coordinates
    const std::optional<int> n = FloaterAt({pt.x, pt.y});
    const Floater* f = n ? book_.Find(*n) : nullptr;
    if (!f) return;
    FloaterScale& scale = scales_[*n];
    const int delta = GET_WHEEL_DELTA_WPARAM(wp);
    const std::uint64_t now = ::GetTickCount64();
    ::ScreenToClient(hwnd(), &pt);
    if (GET_KEYSTATE_WPARAM(wp) & MK_CONTROL) {
        if (!scale.WheelOpacity(delta, now)) return;
        ApplyOwnOpacity(*n);
    } else {
        Rect shown = f->picture;
        if (!scale.WheelZoom(delta, shown, f->natural, {pt.x, pt.y}, f->collapsed(), now)) return;
        book_.PlacePicture(*n, shown);
        ApplyFloater(*n);
    }
    ::InvalidateRect(pictures_[*n]->hwnd(), nullptr, FALSE);
    ::SetTimer(hwnd(), kBadgeTimer, kPercentShowMs, nullptr);
}

void FloaterHost::HideBadges() {
    const std::uint64_t now = ::GetTickCount64();
    std::uint64_t next = 0;
    for (const auto& [n, scale] : scales_) {
        const std::uint64_t left = scale.badge().RemainingAt(now);
        if (left > 0) {
            next = next ? std::min(next, left) : left;
            continue;
        }
        if (auto pic = pictures_.find(n); pic != pictures_.end()) ::InvalidateRect(pic->second->hwnd(), nullptr, FALSE);
    }
    if (next) ::SetTimer(hwnd(), kBadgeTimer, static_cast<UINT>(next), nullptr);
    else ::KillTimer(hwnd(), kBadgeTimer);
}

void FloaterHost::ApplyOwnOpacity(int n) {
    const auto pic = pictures_.find(n);
    if (pic == pictures_.end()) return;
    const HWND w = pic->second->hwnd();
    const FloaterScale* scale = ScaleOf(n);
    // A Floater that lets the pointer through is a popup too: a layered
    // window with WS_EX_TRANSPARENT is passed over by the pointer (and under
    // Wine by X's input too), and the host's region leaves a hole there.
    const bool through = clickThrough_.contains(n);
    const bool own = (scale && scale->opacity() < kOpacityMaxPercent) || through;
    const LONG_PTR style = ::GetWindowLongPtrW(w, GWL_STYLE);
    const LONG_PTR ex = ::GetWindowLongPtrW(w, GWL_EXSTYLE);
    const bool popup = !(style & WS_CHILD);
    if (own && !popup) {
        // The system's order: out of the parent first, then the popup style.
        ::SetParent(w, nullptr);
        ::SetWindowLongPtrW(w, GWL_STYLE, (style & ~WS_CHILD) | WS_POPUP);
        ::SetWindowLongPtrW(w, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(hwnd()));  // the owner
        ::SetWindowLongPtrW(w, GWL_EXSTYLE, ex | WS_EX_LAYERED | WS_EX_TOOLWINDOW);
    } else if (!own && popup) {
        // And back: the child style first, then into the host.
        ::SetWindowLongPtrW(w, GWL_EXSTYLE, ex & ~(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT));
        ::SetWindowLongPtrW(w, GWL_STYLE, (style & ~WS_POPUP) | WS_CHILD);
        ::SetParent(w, hwnd());
    }
    if (own) {
        const LONG_PTR now = ::GetWindowLongPtrW(w, GWL_EXSTYLE);
        const LONG_PTR want = through ? (now | WS_EX_TRANSPARENT) : (now & ~WS_EX_TRANSPARENT);
        if (want != now) ::SetWindowLongPtrW(w, GWL_EXSTYLE, want);
        const int opacity = scale ? scale->opacity() : kOpacityMaxPercent;
        ::SetLayeredWindowAttributes(w, 0, SeenAlpha(opacity, book_.layerMode()), LWA_ALPHA);
    }
    NoteChanged();
    if (own == popup) return;
    ApplyFloater(n);
    // Where the stack has it among its new kind; what of the host lies in
    // front of it, the drop icon included, ApplyFloater's shape left out.
    PlaceInStack(n, SWP_FRAMECHANGED | (::IsWindowVisible(hwnd()) ? SWP_SHOWWINDOW : 0));
    RaiseDropIcon();
}

void FloaterHost::PlaceInStack(int n, UINT flags) {
    const auto pic = pictures_.find(n);
    if (pic == pictures_.end()) return;
    const HWND w = pic->second->hwnd();
    const auto isChild = [](HWND h) { return (::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD) != 0; };
    const bool child = isChild(w);
    const std::optional<int> ahead = stack_.NearestInFront(n, [&](int m) {
        const auto it = pictures_.find(m);
        return it != pictures_.end() && isChild(it->second->hwnd()) == child;
    });
    const HWND after = ahead ? pictures_[*ahead]->hwnd() : HWND_TOP;
    ::SetWindowPos(w, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | flags);
    NoteChanged();
}

void FloaterHost::ApplyApartCuts(const Rect& icon) {
    const std::vector<int> apart = FloatersApart();
    // Back in the host (its region is the host's again) or gone.
    for (auto it = apartCuts_.begin(); it != apartCuts_.end();) {
        if (std::find(apart.begin(), apart.end(), it->first) != apart.end()) {
            ++it;
            continue;
        }
        if (const auto pic = pictures_.find(it->first); pic != pictures_.end())
            ::SetWindowRgn(pic->second->hwnd(), nullptr, TRUE);
        it = apartCuts_.erase(it);
    }
    for (int n : apart) {
        const Floater* f = book_.Find(n);
        if (!f) continue;
        std::vector<Rect> cuts = ApartCuts(book_, stack_, n, apart, icon);
        const Rect whole{0, 0, f->picture.width, f->picture.height};
        // The picture's own size is part of what was applied: a zoom changes it.
        std::vector<Rect> applied = cuts;
        applied.push_back(whole);
        if (const auto known = apartCuts_.find(n); known != apartCuts_.end() && known->second == applied) continue;
        const HWND w = pictures_[n]->hwnd();
        if (cuts.empty()) {
            ::SetWindowRgn(w, nullptr, TRUE);
        } else {
            unique_hrgn shown = RegionOf({whole});
            const unique_hrgn holes = RegionOf(cuts);
            if (!shown || !holes || ::CombineRgn(shown.get(), shown.get(), holes.get(), RGN_DIFF) == ERROR) continue;
            // The system owns the region once set.
            if (!::SetWindowRgn(w, shown.get(), TRUE)) continue;
            shown.release();
        }
        apartCuts_[n] = std::move(applied);
    }
}

std::vector<int> FloaterHost::FloatersApart() const {
    std::vector<int> apart;
    for (const auto& [n, picture] : pictures_)
        if (picture->hwnd() && !(::GetWindowLongPtrW(picture->hwnd(), GWL_STYLE) & WS_CHILD)) apart.push_back(n);
    return apart;
}

void FloaterHost::ApplyAllOwnOpacities() {
    for (const auto& [n, scale] : scales_) ApplyOwnOpacity(n);
    for (int n : clickThrough_) ApplyOwnOpacity(n);
}

}  // namespace vellumo::win

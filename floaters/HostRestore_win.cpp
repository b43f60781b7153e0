// Kept Floaters brought back into the host: at start, and by "Reopen closed
// Floater". The files themselves are the coordinator's business.
#include "floaters/DisplayFollow.h"
#include "floaters/FloaterHost_win.h"

namespace vellumo::win {

HBITMAP FloaterHost::PictureOf(int n) const {
    const auto it = pictures_.find(n);
    return it == pictures_.end() ? nullptr : it->second->bitmap();
}

std::optional<int> FloaterHost::RestoreFloater(unique_hbitmap&& bitmap, std::optional<Point> topLeft, int zoom,
                                               int opacity, bool collapsed) {
    const std::optional<int> n = book_.NextUsableIndex();
    if (!n || !AddFloater(std::move(bitmap))) return std::nullopt;
    const Floater* f = book_.Find(*n);
    FloaterScale& scale = scales_[*n];
    // No zoom past what GDI can show, whatever the file says.
    scale.Restore(StepZoom(zoom, 0, f->natural), opacity);
    const Size shown = ZoomedSize(f->natural, scale.zoom());
    Point at{f->picture.left, f->picture.top};
    if (topLeft) {
        // A place on a monitor that is gone comes back on the nearest one.
        const Rect onScreen = OntoNearestMonitor(monitors_, {topLeft->x, topLeft->y, shown.width, shown.height});
        at = monitors_.ToBitmap(Point{onScreen.left, onScreen.top});
    } else {
        at = {at.x + (f->natural.width - shown.width) / 2, at.y + (f->natural.height - shown.height) / 2};
    }
    book_.PlacePicture(*n, {at.x, at.y, shown.width, shown.height});
    if (collapsed) book_.ToggleCollapse(*n, shown);
    // A Floater that comes back is not new: no frame around it (the flash's
    // last ticks find it hidden).
    book_.frameVisible = false;
    frameWaits_ = false;
    ApplyFloater(*n);
    ApplyOwnOpacity(*n);
    InvalidateFrame();
    return n;
}

}  // namespace vellumo::win

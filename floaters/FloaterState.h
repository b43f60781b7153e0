// What is kept of the Floaters on disk so that they outlive the program:
// each picture once as a PNG of its own ("floater-N.png"), and one small
// text file ("floaters.state") with their places, zooms, opacities, folds,
// order and the all-Floaters translucency, rewritten as they change. A
// deleted Floater's PNG moves to "Closed" as "closed-N.png" beside a one-line
// "closed-N.floater" with its place, so the last ones can be reopened, also
// after a restart. Everything here decides; the Win32 layer only reads,
// writes and renames. No platform headers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "floaters/FloaterBook.h"
#include "floaters/FloaterZoom.h"
#include "gfx/Geometry.h"

namespace vellumo {

inline constexpr int kFloaterStateVersion = 1;
inline constexpr wchar_t kFloatersFolderName[] = L"Floaters";
inline constexpr wchar_t kClosedFolderName[] = L"Closed";
inline constexpr wchar_t kFloaterStateName[] = L"floaters.state";
// How many deleted Floaters can be reopened.
inline constexpr std::size_t kClosedFloatersKept = 20;

// One Floater as kept.
struct SavedFloater {
    std::uint64_t picture = 0;  // floater-<picture>.png
    // The picture's (or the collapsed thumbnail's) top-left on the virtual
    // screen; nothing for a picture found with no place (centred on restore).
    std::optional<Point> topLeft;
    int zoom = 100;     // percent
    int opacity = 100;  // percent, its own
    bool collapsed = false;
    friend bool operator==(const SavedFloater&, const SavedFloater&) = default;
};

struct SavedFloaters {
    std::vector<SavedFloater> backToFront;
    std::uint8_t hostAlpha = 0;  // the all-Floaters translucency; 0 when off
    friend bool operator==(const SavedFloaters&, const SavedFloaters&) = default;
};

// The state file's text: a version line, then one line per fact. Small,
// readable, and a reader skips what it does not know.
std::string FormatFloaters(const SavedFloaters& saved);
// The same, tolerant: a torn, truncated or garbage file gives what can be
// read of it (lines that do not parse are skipped, values out of range are
// brought into range); a file of another version gives nothing.
SavedFloaters ParseFloaters(std::string_view text);
// One Floater's line, also the whole of a closed Floater's file.
std::string FormatFloaterLine(const SavedFloater& f);
std::optional<SavedFloater> ParseFloaterLine(std::string_view line);

// What comes back at start: the kept Floaters whose pictures are on disk, in
// their order (a picture named twice comes back once), then every picture
// on disk that the state does not name (written before a kill could write
// the state), oldest first and without a place: no picture is lost.
std::vector<SavedFloater> FloatersToRestore(const SavedFloaters& saved, const std::vector<std::uint64_t>& onDisk);

// The state of the Floaters shown: the host's book and stack (front first),
// each Floater's scale (null: never wheeled) and picture number (one without
// is not kept yet), the host's top-left on the virtual screen.
SavedFloaters SnapshotFloaters(const FloaterBook& book, const std::vector<int>& frontToBack,
                               const std::function<const FloaterScale*(int)>& scaleOf,
                               const std::map<int, std::uint64_t>& pictureOf, Point hostOrigin);

// "floater-12.png" and back; nothing for any other name.
std::wstring FloaterPictureName(std::uint64_t number);
std::optional<std::uint64_t> FloaterPictureNumber(std::wstring_view name);
// "closed-12.png", "closed-12.floater".
std::wstring ClosedPictureName(std::uint64_t number);
std::wstring ClosedPlaceName(std::uint64_t number);
std::optional<std::uint64_t> ClosedPictureNumber(std::wstring_view name);
// The closed Floaters beyond the newest kClosedFloatersKept, oldest first.
std::vector<std::uint64_t> ClosedToForget(std::vector<std::uint64_t> closed);
// The next free number after those in use.
std::uint64_t NextNumber(const std::vector<std::uint64_t>& used);
// A temporary a write cut off by a crash left ("....tmp" of a kept name).
bool IsLeftoverFloaterTemporary(std::wstring_view name);

}  // namespace vellumo

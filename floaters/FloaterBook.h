// The Floater host's bookkeeping, free of any window: the index counter, the
// selected Floater, each Floater's picture and label rectangles, collapsing,
// dragging, the highlight flash, the layered mode, the topmost keeper's test
// and the route a dropped file takes. The Win32 layer applies what it says.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/Dpi.h"
#include "gfx/Geometry.h"

namespace vellumo {

// Forms measure in twips: at 96 DPI 15 twips make a pixel (HostSizesAt
// converts at the monitor's DPI).

// The host window's title: observable (other programs see it, the keeper
// compares it), so it stays as it always was.
inline constexpr wchar_t kHostTitle[] = L"hoverdeck";
inline constexpr Colour kKeyColour{64, 0, 64};  // 0x400040: invisible and click-through
inline constexpr Colour kLabelTextColour{255, 255, 255};
inline constexpr Colour kLabelBackColour{0, 153, 255};
inline constexpr Colour kFrameFirstColour{255, 0, 255};  // before the first flash
inline constexpr int kFrameWidth = 3;
inline constexpr int kCollapsedSideTwips = 450;
inline constexpr int kCollapsedSide = TwipsToPixels(kCollapsedSideTwips, kDesignDpi);  // 30
inline constexpr Size kDropIconSize{36, 36};
inline constexpr int kDropIconInsetTwips = 500;
inline constexpr int kDropIconInset = TwipsToPixels(kDropIconInsetTwips, kDesignDpi);  // 33
inline constexpr Size kLabelPadTwips{160, 255};
inline constexpr int kLabelPadWidth = TwipsToPixels(kLabelPadTwips.width, kDesignDpi);    // 11
inline constexpr int kLabelPadHeight = TwipsToPixels(kLabelPadTwips.height, kDesignDpi);  // 17
inline constexpr int kMaxFloaterIndex = 32767;              // a 16-bit element index
inline constexpr unsigned kFlashIntervalMs = 500;
inline constexpr unsigned kKeeperIntervalMs = 5000;
inline constexpr std::uint8_t kAlpha50 = 200;  // "50%"
inline constexpr std::uint8_t kAlpha70 = 125;  // "70%"

// The host's own lengths at a monitor's DPI: those a form measured in twips
// at that DPI, the others (pixels designed at 96 DPI) scaled by it. The
// Floaters' pictures are never scaled.
struct HostSizes {
    int frameWidth = kFrameWidth;
    int collapsedSide = kCollapsedSide;
    Size dropIcon = kDropIconSize;
    int dropIconInset = kDropIconInset;
    Size labelPad{kLabelPadWidth, kLabelPadHeight};
    friend bool operator==(const HostSizes&, const HostSizes&) = default;
};
HostSizes HostSizesAt(int dpi);

// "n#".
std::wstring LabelText(int index);
// Label fit: the text's extent (measured in the host's font) plus the padding.
Size FitLabel(Size textExtent, const HostSizes& sizes = {});
// Label above the picture, left edges aligned.
Rect PlaceLabel(const Rect& picture, Size label);
// Top-left that centres `image` on `screen` (rounded towards minus infinity).
Point CentreOn(Size image, Size screen);
// The highlight frame: one pixel outside the picture on every side;
// its 3-pixel border is centred on that edge.
Rect HighlightFrame(const Rect& picture);
// dropIcon_'s top-left for a host `hostWidth` wide.
Point DropIconPosition(int hostWidth, const HostSizes& sizes = {});
// dropIcon_'s top-left in the top-right corner of `monitor` (the primary, in
// the host's coordinates), wherever the host's own edges are.
Point DropIconPosition(const Rect& monitor, const HostSizes& sizes = {});
// The topmost keeper re-asserts HWND_TOPMOST unless the host itself is the
// foreground window (exact, case-sensitive title match), or another window
// of this program is: raised over its own message box (the settings
// window's, say) the host would cover the box's buttons with a Floater.
bool KeeperShouldReassert(std::wstring_view foregroundTitle, bool foregroundIsOursNotTheHost = false);

// Decimal text of a usable Floater index (1..32767), else nothing.
std::optional<int> ParseIndex(std::wstring_view text);

// How a dropped file becomes a picture.
enum class PictureRoute {
    Scaled,    // PNG: GDI+, natural size, transparent areas white
    Standard,  // anything else: the standard picture loader
    Refused,   // no "." in the file's name: no way to tell its type
};
// The part of the file's name after its last ".", lower-cased (ASCII);
// empty when the name has no ".". Folder names do not count.
std::wstring PictureExtension(std::wstring_view path);
PictureRoute RouteFor(std::wstring_view path);

// What the user is told when a Floater cannot be made (an unreadable file:
// PictureLoadErrorText).
std::wstring NoExtensionMessage(std::wstring_view path);
inline constexpr wchar_t kNoFileDroppedMessage[] = L"Nothing to open: the drop carried no file.";
inline constexpr wchar_t kIndexExhaustedMessage[] =
    L"No more Floaters can be made: this host has used all 32767 numbers. "
    L"Choose \"Quit\" on the drop icon's menu to start again at 1#.";

// The host's look: normally its kKeyColour background does not show (nor
// take clicks), only its parts (HostShape) do; translucent, the whole host
// shows at `alpha`, background included.
struct LayerMode {
    bool colourKey = true;  // the background hidden; else LWA_ALPHA with alpha
    std::uint8_t alpha = 0;
    friend bool operator==(const LayerMode&, const LayerMode&) = default;
};

// One flash tick's action on the frame.
struct FlashAction {
    std::optional<Colour> colour;  // new frame colour
    bool hide = false;             // hide the frame and stop its flashing
};
FlashAction FlashStepAction(int step);

// A Floater shows its picture, or (collapsed by a double-click) a small
// square with its label above it.
enum class FloaterFold { Expanded, Collapsed };

struct Floater {
    Size natural;     // the image's own size
    Rect picture;     // pictures_(n)
    FloaterFold fold = FloaterFold::Expanded;
    Rect label;       // labels_(n)
    bool labelVisible = false;
    bool collapsed() const { return fold == FloaterFold::Collapsed; }
};

class FloaterBook {
public:
    // Host state, as the host shows it.
    int nextIndex = 1;                 // the next Floater's; past kMaxFloaterIndex once all are used
    std::optional<int> selectedIndex;  // the Floater last pressed, deleted or not
    bool translucent = false;          // the whole host shows at an alpha (SetHostAlpha)
    std::int16_t flashTicks = 0;  // ticks of the frame's flash so far
    Point grabPoint{};            // where in its picture a Floater was pressed

    Rect frame{};  // the highlight frame
    bool frameVisible = false;
    Colour frameColour = kFrameFirstColour;
    bool flashRunning = false;  // the frame flashes
    HostSizes sizes;  // at the host's DPI: the frame's width, the collapsed side

    // The index the next Floater takes, or nothing once it would pass 32767.
    std::optional<int> NextUsableIndex() const {
        if (nextIndex < 1 || nextIndex > kMaxFloaterIndex) return std::nullopt;
        return nextIndex;
    }

    // A new expanded Floater at the next index, centred on `screen`, outlined
    // and flashing; the index is used up. Nothing when no index is left.
    std::optional<int> Create(Size natural, Size labelSize, Size screen);
    // The same, centred on `monitor` (in the host's coordinates).
    std::optional<int> CreateOn(Size natural, Size labelSize, const Rect& monitor);

    // Any button: the frame hides and n is selected; the left button also
    // notes where in the picture it was pressed.
    void PictureMouseDown(int n, bool left, Point local);
    // A move with exactly the left button held: the picture moves by the
    // pointer's offset from the press point, and its label follows.
    bool DragPicture(int n, Point local);
    // The same drag started on the label; `local` is inside the label.
    bool DragLabel(int n, Point local) { return DragPicture(n, local); }
    // Double-click: collapse to 30 x 30 (at 96 DPI) with the label above, or expand back
    // to `expanded` (by default the natural size; a zoomed Floater gives its
    // zoomed size), its top-left kept.
    bool ToggleCollapse(int n, std::optional<Size> expanded = std::nullopt);
    // An expanded Floater's picture at `picture` (a zoom); the label follows.
    bool PlacePicture(int n, const Rect& picture);
    // Floater n holds a new picture `natural` large (drawn on, turned): shown
    // at `picture` when expanded; a collapsed one stays as it is and expands
    // from the new size.
    bool ReplacePicture(int n, Size natural, const Rect& picture);
    // Floater n moved to `topLeft`, collapsed or not, at its size; the label follows.
    bool MoveTo(int n, Point topLeft);
    // One tick of the frame's flashing.
    FlashAction FlashTick();

    // The Floater the menu commands act on.
    const Floater* Selected() const;
    std::optional<int> SelectedIndex() const;
    bool Delete(int n);

    LayerMode SetHostAlpha(std::uint8_t alpha);
    LayerMode BackToNormal();
    LayerMode layerMode() const { return layer_; }

    const std::map<int, Floater>& floaters() const { return floaters_; }
    // The pixels of every Floater's image together.
    std::int64_t PixelsHeld() const;
    const Floater* Find(int n) const;

private:
    std::map<int, Floater> floaters_;
    LayerMode layer_{};
};

// What of a host `host` large shows, in its coordinates: every Floater's
// picture, the labels shown, the highlight frame while it shows (unless
// `frameWaits`) and the drop icon at `dropIcon`; translucent, the whole host.
// The pictures of the Floaters in `apart` (windows of their own, at their own
// opacity) are left out: what shows through them is what lies beneath the host.
std::vector<Rect> HostShape(const FloaterBook& book, const Rect& dropIcon, Size host, bool frameWaits = false,
                            const std::vector<int>& apart = {});

}  // namespace vellumo

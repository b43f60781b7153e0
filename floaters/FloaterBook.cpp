#include "floaters/FloaterBook.h"

#include <algorithm>

#include "gfx/Dpi.h"

namespace vellumo {

namespace {
std::wstring_view FileName(std::wstring_view path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}
}  // namespace

std::wstring LabelText(int index) { return std::to_wstring(index) + L"#"; }

HostSizes HostSizesAt(int dpi) {
    return {ScaleUi(kFrameWidth, dpi),
            TwipsToPixels(kCollapsedSideTwips, dpi),
            ScaleUi(kDropIconSize, dpi),
            TwipsToPixels(kDropIconInsetTwips, dpi),
            {TwipsToPixels(kLabelPadTwips.width, dpi), TwipsToPixels(kLabelPadTwips.height, dpi)}};
}

Size FitLabel(Size textExtent, const HostSizes& sizes) {
    return {textExtent.width + sizes.labelPad.width, textExtent.height + sizes.labelPad.height};
}

Rect PlaceLabel(const Rect& picture, Size label) {
    return {picture.left, picture.top - label.height, label.width, label.height};
}

Point CentreOn(Size image, Size screen) {
    return {FloorHalf(screen.width - image.width), FloorHalf(screen.height - image.height)};
}

Rect HighlightFrame(const Rect& picture) { return Inflate(picture, 1); }

Point DropIconPosition(int hostWidth, const HostSizes& sizes) {
    return {hostWidth - sizes.dropIcon.width - sizes.dropIconInset, sizes.dropIconInset};
}

Point DropIconPosition(const Rect& monitor, const HostSizes& sizes) {
    const Point at = DropIconPosition(monitor.right(), sizes);
    return {at.x, monitor.top + at.y};
}

bool KeeperShouldReassert(std::wstring_view foregroundTitle, bool foregroundIsOursNotTheHost) {
    return foregroundTitle != kHostTitle && !foregroundIsOursNotTheHost;
}

std::optional<int> ParseIndex(std::wstring_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    int value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + (c - L'0');
    }
    if (value < 1 || value > kMaxFloaterIndex) return std::nullopt;
    return value;
}

std::wstring PictureExtension(std::wstring_view path) {
    const std::wstring_view name = FileName(path);
    const auto dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos) return {};
    std::wstring ext(name.substr(dot + 1));
    for (wchar_t& c : ext) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return ext;
}

PictureRoute RouteFor(std::wstring_view path) {
    if (FileName(path).find(L'.') == std::wstring_view::npos) return PictureRoute::Refused;
    return PictureExtension(path) == L"png" ? PictureRoute::Scaled : PictureRoute::Standard;
}

std::wstring NoExtensionMessage(std::wstring_view path) {
    return L"Cannot open " + std::wstring(path) + L": the file name has no extension, so its picture type is unknown.";
}

FlashAction FlashStepAction(int step) {
    switch (step) {
        case 0: return {Colour{255, 0, 0}, false};
        case 1: return {Colour{255, 255, 0}, false};
        case 2: return {Colour{0, 255, 0}, false};
        case 3: return {std::nullopt, true};
        // Later ticks only come from a timer message already queued when the flashing stopped.
        default: return {std::nullopt, true};
    }
}

std::int64_t FloaterBook::PixelsHeld() const {
    std::int64_t sum = 0;
    for (const auto& [n, f] : floaters_) sum += std::int64_t(f.natural.width) * f.natural.height;
    return sum;
}

std::optional<int> FloaterBook::Create(Size natural, Size labelSize, Size screen) {
    return CreateOn(natural, labelSize, Rect{0, 0, screen.width, screen.height});
}

std::optional<int> FloaterBook::CreateOn(Size natural, Size labelSize, const Rect& monitor) {
    const std::optional<int> n = NextUsableIndex();
    if (!n) return std::nullopt;
    Floater f;
    f.natural = natural;
    const Point centred = CentreOn(natural, {monitor.width, monitor.height});
    const Point at{monitor.left + centred.x, monitor.top + centred.y};
    f.picture = {at.x, at.y, natural.width, natural.height};
    f.label = PlaceLabel(f.picture, labelSize);
    floaters_[*n] = f;
    frame = HighlightFrame(f.picture);
    frameVisible = true;
    flashRunning = true;
    flashTicks = 0;
    nextIndex = *n + 1;
    return n;
}

void FloaterBook::PictureMouseDown(int n, bool left, Point local) {
    frameVisible = false;
    selectedIndex = n;
    if (left) grabPoint = local;
}

bool FloaterBook::DragPicture(int n, Point local) {
    auto it = floaters_.find(n);
    if (it == floaters_.end()) return false;
    Floater& f = it->second;
    f.picture.left += local.x - grabPoint.x;
    f.picture.top += local.y - grabPoint.y;
    f.label = PlaceLabel(f.picture, {f.label.width, f.label.height});
    return true;
}

bool FloaterBook::PlacePicture(int n, const Rect& picture) {
    auto it = floaters_.find(n);
    if (it == floaters_.end() || it->second.collapsed()) return false;
    Floater& f = it->second;
    f.picture = picture;
    f.label = PlaceLabel(f.picture, {f.label.width, f.label.height});
    return true;
}

bool FloaterBook::ReplacePicture(int n, Size natural, const Rect& picture) {
    auto it = floaters_.find(n);
    if (it == floaters_.end()) return false;
    it->second.natural = natural;
    if (!it->second.collapsed()) PlacePicture(n, picture);
    return true;
}

bool FloaterBook::MoveTo(int n, Point topLeft) {
    auto it = floaters_.find(n);
    if (it == floaters_.end()) return false;
    Floater& f = it->second;
    f.picture.left = topLeft.x;
    f.picture.top = topLeft.y;
    f.label = PlaceLabel(f.picture, {f.label.width, f.label.height});
    return true;
}

bool FloaterBook::ToggleCollapse(int n, std::optional<Size> expanded) {
    auto it = floaters_.find(n);
    if (it == floaters_.end()) return false;
    Floater& f = it->second;
    if (!f.collapsed()) {
        f.picture.width = f.picture.height = sizes.collapsedSide;
        f.fold = FloaterFold::Collapsed;
        // The label is placed first: a clamped picture leaves its label behind.
        f.label = PlaceLabel(f.picture, {f.label.width, f.label.height});
        f.labelVisible = true;
        if (f.picture.left < 0) f.picture.left = 0;
        if (f.picture.top < 0) f.picture.top = 0;
    } else {
        const Size size = expanded.value_or(f.natural);
        f.picture.width = size.width;
        f.picture.height = size.height;
        f.fold = FloaterFold::Expanded;
        f.labelVisible = false;
    }
    return true;
}

FlashAction FloaterBook::FlashTick() {
    const FlashAction a = FlashStepAction(flashTicks);
    if (a.colour) frameColour = *a.colour;
    if (a.hide) {
        frameVisible = false;
        flashRunning = false;
    }
    if (flashTicks < INT16_MAX) ++flashTicks;
    return a;
}

std::optional<int> FloaterBook::SelectedIndex() const {
    if (!selectedIndex || !floaters_.count(*selectedIndex)) return std::nullopt;
    return selectedIndex;
}

const Floater* FloaterBook::Selected() const {
    const std::optional<int> n = SelectedIndex();
    return n ? Find(*n) : nullptr;
}

const Floater* FloaterBook::Find(int n) const {
    auto it = floaters_.find(n);
    return it == floaters_.end() ? nullptr : &it->second;
}

bool FloaterBook::Delete(int n) { return floaters_.erase(n) > 0; }

LayerMode FloaterBook::SetHostAlpha(std::uint8_t alpha) {
    layer_ = {false, alpha};
    translucent = true;
    return layer_;
}

LayerMode FloaterBook::BackToNormal() {
    layer_ = {};
    translucent = false;
    return layer_;
}

std::vector<Rect> HostShape(const FloaterBook& book, const Rect& dropIcon, Size host, bool frameWaits,
                            const std::vector<int>& apart) {
    if (!book.layerMode().colourKey) return {Rect{0, 0, host.width, host.height}};
    std::vector<Rect> parts;
    for (const auto& [n, f] : book.floaters()) {
        if (std::find(apart.begin(), apart.end(), n) == apart.end()) parts.push_back(f.picture);
        if (f.labelVisible) parts.push_back(f.label);
    }
    if (book.frameVisible && !frameWaits) {
        for (const Rect& strip : FrameRing(book.frame, book.sizes.frameWidth))
            if (!strip.empty()) parts.push_back(strip);
    }
    if (!dropIcon.empty()) parts.push_back(dropIcon);
    return parts;
}

}  // namespace vellumo

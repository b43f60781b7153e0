#include "floaters/FloaterState.h"

#include <algorithm>
#include <charconv>
#include <set>

namespace vellumo {

namespace {
constexpr std::string_view kHeader = "vellumo-floaters";

// Whole decimal numbers only: no sign where none is wanted, nothing after.
template <typename T>
std::optional<T> Number(std::string_view text) {
    T value{};
    if (text.empty() || text.front() == '+') return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

// The whole lines of `text`: a last line with no end is a write cut short.
std::vector<std::string_view> WholeLines(std::string_view text) {
    std::vector<std::string_view> out;
    for (std::size_t end; (end = text.find('\n')) != std::string_view::npos; text.remove_prefix(end + 1)) {
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        out.push_back(line);
    }
    return out;
}

std::optional<std::uint64_t> NumberBetween(std::wstring_view name, std::wstring_view prefix, std::wstring_view suffix) {
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix))
        return std::nullopt;
    const std::wstring_view digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 19) return std::nullopt;
    std::uint64_t value = 0;
    for (const wchar_t c : digits) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    return value;
}
}  // namespace

std::string FormatFloaterLine(const SavedFloater& f) {
    const Point at = f.topLeft.value_or(Point{0, 0});
    return "floater " + std::to_string(f.picture) + ' ' + std::to_string(at.x) + ' ' + std::to_string(at.y) + ' ' +
           std::to_string(f.zoom) + ' ' + std::to_string(f.opacity) + ' ' + (f.collapsed ? '1' : '0') + '\n';
}

std::optional<SavedFloater> ParseFloaterLine(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::vector<std::string_view> w = Words(line);
    if (w.size() != 7 || w[0] != "floater") return std::nullopt;
    const auto picture = Number<std::uint64_t>(w[1]);
    const auto x = Number<int>(w[2]), y = Number<int>(w[3]);
    const auto zoom = Number<int>(w[4]), opacity = Number<int>(w[5]);
    if (!picture || !x || !y || !zoom || !opacity || (w[6] != "0" && w[6] != "1")) return std::nullopt;
    SavedFloater f;
    f.picture = *picture;
    f.topLeft = Point{*x, *y};
    f.zoom = std::clamp(*zoom, kZoomMinPercent, kZoomMaxPercent);
    f.opacity = std::clamp(*opacity, kOpacityMinPercent, kOpacityMaxPercent);
    f.collapsed = w[6] == "1";
    return f;
}

std::string FormatFloaters(const SavedFloaters& saved) {
    std::string text = std::string(kHeader) + ' ' + std::to_string(kFloaterStateVersion) + '\n';
    if (saved.hostAlpha) text += "translucent " + std::to_string(saved.hostAlpha) + '\n';
    for (const SavedFloater& f : saved.backToFront) text += FormatFloaterLine(f);
    return text;
}

SavedFloaters ParseFloaters(std::string_view text) {
    SavedFloaters saved;
    const std::vector<std::string_view> lines = WholeLines(text);
    if (lines.empty()) return saved;
    const std::vector<std::string_view> header = Words(lines.front());
    if (header.size() != 2 || header[0] != kHeader || Number<int>(header[1]) != kFloaterStateVersion) return saved;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (auto f = ParseFloaterLine(lines[i])) {
            saved.backToFront.push_back(*f);
            continue;
        }
        const std::vector<std::string_view> w = Words(lines[i]);
        if (w.size() == 2 && w[0] == "translucent")
            if (const auto alpha = Number<int>(w[1]); alpha && *alpha > 0 && *alpha < 256)
                saved.hostAlpha = static_cast<std::uint8_t>(*alpha);
    }
    return saved;
}

std::vector<SavedFloater> FloatersToRestore(const SavedFloaters& saved, const std::vector<std::uint64_t>& onDisk) {
    const std::set<std::uint64_t> there(onDisk.begin(), onDisk.end());
    std::set<std::uint64_t> taken;
    std::vector<SavedFloater> out;
    for (const SavedFloater& f : saved.backToFront)
        if (there.count(f.picture) && taken.insert(f.picture).second) out.push_back(f);
    std::vector<std::uint64_t> rest;
    for (const std::uint64_t n : there)
        if (!taken.count(n)) rest.push_back(n);
    // Numbers grow with each new picture: the oldest behind, the newest in front.
    for (const std::uint64_t n : rest) out.push_back({n, std::nullopt});
    return out;
}

SavedFloaters SnapshotFloaters(const FloaterBook& book, const std::vector<int>& frontToBack,
                               const std::function<const FloaterScale*(int)>& scaleOf,
                               const std::map<int, std::uint64_t>& pictureOf, Point hostOrigin) {
    SavedFloaters saved;
    const LayerMode layer = book.layerMode();
    if (!layer.colourKey && layer.alpha > 0) saved.hostAlpha = layer.alpha;
    for (auto it = frontToBack.rbegin(); it != frontToBack.rend(); ++it) {
        const Floater* f = book.Find(*it);
        const auto picture = pictureOf.find(*it);
        if (!f || picture == pictureOf.end()) continue;
        SavedFloater s;
        s.picture = picture->second;
        s.topLeft = Point{hostOrigin.x + f->picture.left, hostOrigin.y + f->picture.top};
        if (const FloaterScale* scale = scaleOf ? scaleOf(*it) : nullptr) {
            s.zoom = scale->zoom();
            s.opacity = scale->opacity();
        }
        s.collapsed = f->collapsed();
        saved.backToFront.push_back(s);
    }
    return saved;
}

std::wstring FloaterPictureName(std::uint64_t number) { return L"floater-" + std::to_wstring(number) + L".png"; }
std::optional<std::uint64_t> FloaterPictureNumber(std::wstring_view name) {
    return NumberBetween(name, L"floater-", L".png");
}
std::wstring ClosedPictureName(std::uint64_t number) { return L"closed-" + std::to_wstring(number) + L".png"; }
std::wstring ClosedPlaceName(std::uint64_t number) { return L"closed-" + std::to_wstring(number) + L".floater"; }
std::optional<std::uint64_t> ClosedPictureNumber(std::wstring_view name) {
    return NumberBetween(name, L"closed-", L".png");
}

std::vector<std::uint64_t> ClosedToForget(std::vector<std::uint64_t> closed) {
    std::sort(closed.begin(), closed.end());
    closed.erase(std::unique(closed.begin(), closed.end()), closed.end());
    if (closed.size() <= kClosedFloatersKept) return {};
    closed.resize(closed.size() - kClosedFloatersKept);
    return closed;
}

std::uint64_t NextNumber(const std::vector<std::uint64_t>& used) {
    const auto most = std::max_element(used.begin(), used.end());
    return most == used.end() ? 1 : *most + 1;
}

bool IsLeftoverFloaterTemporary(std::wstring_view name) {
    constexpr std::wstring_view kTmp = L".tmp";
    if (!name.ends_with(kTmp)) return false;
    const std::wstring_view kept = name.substr(0, name.size() - kTmp.size());
    return kept == kFloaterStateName || FloaterPictureNumber(kept) || ClosedPictureNumber(kept) ||
           NumberBetween(kept, L"closed-", L".floater");
}

}  // namespace vellumo

#include "history/HistoryRules.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>

#include "store/IniRules.h"

namespace vellumo::history {

namespace {
int NumberOr(std::wstring_view text, int min, int max, int fallback) {
    const auto n = settings::ParseWholeNumber(text);
    return n && *n >= min && *n <= max ? static_cast<int>(*n) : fallback;
}

constexpr std::wstring_view kPrefix = L"capture-";
constexpr std::wstring_view kExtension = L".png";
constexpr std::wstring_view kTemporary = L".tmp";
// "capture-" + "YYYYMMDD-HHMMSS-NNN" + ".png"
constexpr std::size_t kStampChars = 19;

bool Digits(std::wstring_view s) {
    return std::all_of(s.begin(), s.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}
int Number(std::wstring_view s) {
    int n = 0;
    for (wchar_t c : s) n = n * 10 + (c - L'0');
    return n;
}

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t Get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}
bool IsPng(const std::vector<std::uint8_t>& png) {
    return png.size() >= 8 + 25 && std::equal(std::begin(kSignature), std::end(kSignature), png.begin()) &&
           std::string(png.begin() + 12, png.begin() + 16) == "IHDR" && Get32(png.data() + 8) == 13;
}
}  // namespace

Settings ReadSettings(std::wstring_view folder, std::wstring_view keep, std::wstring_view maxMB) {
    Settings s;
    s.folder = std::wstring(folder);
    s.keep = NumberOr(keep, 0, kMaxKeep, kDefaultKeep);
    s.maxMB = NumberOr(maxMB, 1, kMaxMaxMB, kDefaultMaxMB);
    return s;
}

std::wstring DefaultFolder(std::wstring_view localAppData) {
    std::wstring path(localAppData);
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + L"Vellumo\\History";
}

std::wstring_view LeftByName(LeftBy how) {
    switch (how) {
        case LeftBy::Copy: return L"copy";
        case LeftBy::Save: return L"save";
        case LeftBy::Pin: return L"pin";
        case LeftBy::Clipboard: return L"clipboard";
        case LeftBy::File: return L"file";
    }
    return L"copy";
}

std::wstring FileName(const Stamp& w, int sequence) {
    wchar_t buf[64];
    std::swprintf(buf, std::size(buf), L"%04d%02d%02d-%02d%02d%02d-%03d", w.year, w.month, w.day, w.hour, w.minute,
                  w.second, std::clamp(sequence, 0, 999));
    return std::wstring(kPrefix) + buf + std::wstring(kExtension);
}

std::optional<Stamp> StampOfName(std::wstring_view name) {
    if (name.size() != kPrefix.size() + kStampChars + kExtension.size() || !name.starts_with(kPrefix) ||
        !name.ends_with(kExtension))
        return std::nullopt;
    const std::wstring_view s = name.substr(kPrefix.size(), kStampChars);
    if (!Digits(s.substr(0, 8)) || s[8] != L'-' || !Digits(s.substr(9, 6)) || s[15] != L'-' || !Digits(s.substr(16, 3)))
        return std::nullopt;
    Stamp t{Number(s.substr(0, 4)), Number(s.substr(4, 2)), Number(s.substr(6, 2)),
            Number(s.substr(9, 2)), Number(s.substr(11, 2)), Number(s.substr(13, 2))};
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 || t.second > 60)
        return std::nullopt;
    return t;
}

std::wstring MenuTime(const Stamp& w, const Stamp& now) {
    wchar_t buf[64];
    if (w.year == now.year && w.month == now.month && w.day == now.day)
        std::swprintf(buf, std::size(buf), L"%02d:%02d:%02d", w.hour, w.minute, w.second);
    else
        std::swprintf(buf, std::size(buf), L"%04d-%02d-%02d %02d:%02d:%02d", w.year, w.month, w.day, w.hour, w.minute,
                      w.second);
    return buf;
}

std::wstring TemporaryName(std::wstring_view fileName) { return std::wstring(fileName) + std::wstring(kTemporary); }

bool IsLeftoverTemporary(std::wstring_view name) {
    return name.ends_with(kTemporary) && StampOfName(name.substr(0, name.size() - kTemporary.size())).has_value();
}

std::vector<std::pair<std::string, std::string>> RecordText(const Record& r) {
    char buf[128];
    std::vector<std::pair<std::string, std::string>> text;
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", r.when.year, r.when.month, r.when.day, r.when.hour,
                  r.when.minute, r.when.second);
    text.emplace_back("Creation Time", buf);
    std::snprintf(buf, sizeof buf, "%d x %d", r.width, r.height);
    text.emplace_back("Size", buf);
    const std::wstring_view how = LeftByName(r.how);
    text.emplace_back("Left by", std::string(how.begin(), how.end()));
    if (r.onScreen) {
        const Rect& a = *r.onScreen;
        std::snprintf(buf, sizeof buf, "%d, %d, %d x %d", a.left, a.top, a.width, a.height);
        text.emplace_back("Screen rectangle", buf);
    }
    text.emplace_back("Software", "Vellumo");
    return text;
}

std::vector<std::uint8_t> WithText(const std::vector<std::uint8_t>& png,
                                   const std::vector<std::pair<std::string, std::string>>& text) {
    if (!IsPng(png)) return png;
    constexpr std::size_t afterHeader = 8 + 25;
    std::vector<std::uint8_t> out(png.begin(), png.begin() + afterHeader);
    for (const auto& [key, value] : text) {
        Put32(out, static_cast<std::uint32_t>(key.size() + 1 + value.size()));
        const std::size_t typeAt = out.size();
        out.insert(out.end(), {'t', 'E', 'X', 't'});
        out.insert(out.end(), key.begin(), key.end());
        out.push_back(0);
        out.insert(out.end(), value.begin(), value.end());
        Put32(out, static_cast<std::uint32_t>(crc32(0, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt))));
    }
    out.insert(out.end(), png.begin() + afterHeader, png.end());
    return out;
}

std::vector<std::pair<std::string, std::string>> ReadText(const std::vector<std::uint8_t>& png) {
    std::vector<std::pair<std::string, std::string>> text;
    if (!IsPng(png)) return text;
    std::size_t at = 8;
    while (png.size() - at >= 12) {
        const std::uint32_t length = Get32(png.data() + at);
        if (length > png.size() - at - 12) break;
        const std::uint8_t* type = png.data() + at + 4;
        const std::uint32_t crc = Get32(type + 4 + length);
        if (crc32(0, type, length + 4) != crc) break;
        if (std::string(type, type + 4) == "tEXt") {
            const std::string data(type + 4, type + 4 + length);
            const std::size_t nul = data.find('\0');
            if (nul != std::string::npos) text.emplace_back(data.substr(0, nul), data.substr(nul + 1));
        }
        if (std::string(type, type + 4) == "IEND") break;
        at += 12 + length;
    }
    return text;
}

std::vector<std::wstring> FilesToPrune(std::vector<StoredFile> files, int keep, std::uint64_t maxBytes) {
    std::erase_if(files, [](const StoredFile& f) { return !StampOfName(f.name); });
    std::sort(files.begin(), files.end(), [](const StoredFile& a, const StoredFile& b) { return a.name < b.name; });
    std::uint64_t total = 0;
    for (const StoredFile& f : files) total += f.bytes;
    std::vector<std::wstring> gone;
    std::size_t left = files.size();
    for (const StoredFile& f : files) {
        if (left <= 1) break;
        if (left <= static_cast<std::size_t>(std::max(keep, 0)) && total <= maxBytes) break;
        gone.push_back(f.name);
        total -= f.bytes;
        --left;
    }
    return gone;
}

std::vector<std::wstring> Newest(std::vector<std::wstring> names, std::size_t count) {
    std::erase_if(names, [](const std::wstring& n) { return !StampOfName(n); });
    std::sort(names.begin(), names.end(), std::greater<>());
    if (names.size() > count) names.resize(count);
    return names;
}

std::wstring NotWrittenMessage(std::wstring_view folder, std::wstring_view reason) {
    return L"The capture history could not be written to\n" + std::wstring(folder) + L"\n\n" + std::wstring(reason) +
           L"\n\nCopy, save and pin go on as before; this is told once until Vellumo starts again.";
}

}  // namespace vellumo::history

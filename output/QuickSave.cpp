#include "output/QuickSave.h"

#include <algorithm>
#include <cwctype>

#include "store/IniRules.h"

namespace vellumo {

namespace {
void AppendNumber(std::wstring& out, int value, int digits) {
    std::wstring n = std::to_wstring(value < 0 ? 0 : value);
    if (n.size() < static_cast<std::size_t>(digits)) n.insert(0, digits - n.size(), L'0');
    out += n;
}

bool Blank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view Trimmed(std::wstring_view s) {
    while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
    return s;
}

std::wstring Expand(std::wstring_view pattern, const LocalTime& at) {
    std::wstring out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const wchar_t c = pattern[i];
        if (c != L'%' || i + 1 == pattern.size()) {
            out += c;
            continue;
        }
        switch (pattern[i + 1]) {
            case L'Y': AppendNumber(out, at.year, 4); break;
            case L'm': AppendNumber(out, at.month, 2); break;
            case L'd': AppendNumber(out, at.day, 2); break;
            case L'H': AppendNumber(out, at.hour, 2); break;
            case L'M': AppendNumber(out, at.minute, 2); break;
            case L'S': AppendNumber(out, at.second, 2); break;
            case L'%': out += L'%'; break;
            default: out += c; continue;  // kept; the next character is read as itself
        }
        ++i;
    }
    for (wchar_t& ch : out)
        if (ch < 32 || std::wstring_view(L"\\/:*?\"<>|").find(ch) != std::wstring_view::npos) ch = L'_';
    while (!out.empty() && (out.back() == L'.' || Blank(out.back()))) out.pop_back();
    return out;
}
}  // namespace

std::wstring ExpandNamePattern(std::wstring_view pattern, const LocalTime& at) {
    std::wstring name = Expand(pattern, at);
    return name.empty() ? Expand(kQuickSavePattern.defaultValue, at) : name;
}

std::wstring QuickSaveFolder(std::wstring_view stored, std::wstring_view pictures) {
    const std::wstring_view folder = Trimmed(stored);
    if (!folder.empty()) return std::wstring(folder);
    return settings::JoinIniPath(pictures, kQuickSaveSubfolder);
}

std::wstring QuickSaveExtension(std::wstring_view stored) {
    std::wstring_view s = Trimmed(stored);
    if (!s.empty() && s.front() == L'.') s.remove_prefix(1);
    std::wstring lower(s);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return std::towlower(c); });
    if (lower == L"jpeg") return L"jpg";
    for (const wchar_t* known : {L"png", L"jpg", L"gif", L"bmp"})
        if (lower == known) return lower;
    return std::wstring(kQuickSaveFormat.defaultValue);
}

std::optional<std::wstring> FirstFreeName(std::wstring_view folder, std::wstring_view base, std::wstring_view ext,
                                          const std::function<bool(const std::wstring&)>& taken, int tries) {
    const std::wstring stem = settings::JoinIniPath(folder, base);
    for (int n = 1; n <= tries; ++n) {
        std::wstring name = stem;
        if (n > 1) name += L"_" + std::to_wstring(n);
        name += L"." + std::wstring(ext);
        if (!taken(name)) return name;
    }
    return std::nullopt;
}

std::wstring QuickSaveFolderMessage(std::wstring_view folder, std::wstring_view reason) {
    std::wstring text = L"The quick-save folder\n\n" + std::wstring(folder) + L"\n\ncannot be made or written";
    if (!reason.empty()) text += L": " + std::wstring(reason);
    return text + L"\n\nYour selection is still here. Choose another folder in set.ini ([Save] Folder=) "
                  L"or use Save (Ctrl+S).";
}

std::wstring QuickSaveNoFreeNameMessage(std::wstring_view folder, std::wstring_view base) {
    return L"Every name for \"" + std::wstring(base) + L"\" is taken in\n\n" + std::wstring(folder) +
           L"\n\nYour selection is still here; please try again in a second.";
}

std::wstring QuickSavedMessage(std::wstring_view path) { return L"Saved to " + std::wstring(path); }

}  // namespace vellumo

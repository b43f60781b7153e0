#include "store/IniRules.h"

#include <climits>

namespace vellumo::settings {

std::wstring JoinIniPath(std::wstring_view folder, std::wstring_view name) {
    std::wstring path(folder);
    if (path.empty() || path.back() != L'\\') path += L'\\';
    path += name;
    return path;
}

std::wstring ValueFromReadBuffer(std::wstring_view buffer, std::size_t copied) {
    if (copied == 0) return {};
    const std::size_t nul = buffer.find(L'\0');
    std::wstring_view value = nul == std::wstring_view::npos ? buffer : buffer.substr(0, nul);
    if (value.size() > kMaxValueChars) value = value.substr(0, kMaxValueChars);
    return std::wstring(value);
}

std::optional<long long> ParseWholeNumber(std::wstring_view text) {
    auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == L'+' || text.front() == L'-')) {
        negative = text.front() == L'-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    long long value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + (c - L'0');
        if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT_MAX || value < INT_MIN) return std::nullopt;
    return value;
}

int ReadNumber(const Setting& setting, std::wstring_view stored) {
    const auto n = ParseWholeNumber(stored);
    if (!n || *n < setting.min || *n > setting.max) return 0;
    return static_cast<int>(*n);
}

bool ReadFlag(std::wstring_view stored) {
    if (const auto n = ParseWholeNumber(stored)) return *n != 0;
    // Past the int range is still a whole number, and not 0.
    auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    while (!stored.empty() && blank(stored.front())) stored.remove_prefix(1);
    while (!stored.empty() && blank(stored.back())) stored.remove_suffix(1);
    if (!stored.empty() && (stored.front() == L'+' || stored.front() == L'-')) stored.remove_prefix(1);
    if (stored.empty()) return false;
    for (wchar_t c : stored)
        if (c < L'0' || c > L'9') return false;
    return true;
}

std::wstring SettingsNotSavedMessage(std::wstring_view iniPath, std::wstring_view reason) {
    return L"The settings could not be saved to\n" + std::wstring(iniPath) + L"\n\n" + std::wstring(reason);
}

}  // namespace vellumo::settings

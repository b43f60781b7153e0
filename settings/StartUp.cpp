#include "settings/StartUp.h"

#include <algorithm>
#include <cwctype>

namespace vellumo {

namespace {
std::wstring Lower(std::wstring_view s) {
    std::wstring out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](wchar_t c) { return std::towlower(c); });
    return out;
}
bool Blank(wchar_t c) { return c == L' ' || c == L'\t'; }
}  // namespace

std::wstring StartUpCommand(std::wstring_view exePath) {
    return L"\"" + std::wstring(exePath) + L"\" " + kTraySwitch;
}

bool StartUpValueIsCurrent(std::wstring_view stored, std::wstring_view exePath) {
    while (!stored.empty() && Blank(stored.back())) stored.remove_suffix(1);
    return Lower(stored) == Lower(StartUpCommand(exePath));
}

bool IsTrayStart(std::wstring_view arguments) {
    std::size_t i = 0;
    while (i < arguments.size()) {
        while (i < arguments.size() && Blank(arguments[i])) ++i;
        const std::size_t start = i;
        while (i < arguments.size() && !Blank(arguments[i])) ++i;
        std::wstring word = Lower(arguments.substr(start, i - start));
        if (word.size() > 1 && word.front() == L'"' && word.back() == L'"') word = word.substr(1, word.size() - 2);
        if (word == L"/tray" || word == L"-tray") return true;
    }
    return false;
}

}  // namespace vellumo

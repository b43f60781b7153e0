#include "hotkey/UserStore_win.h"

#include <windows.h>
// Declarations only: WIN32_LEAN_AND_MEAN leaves it out.
#include <winreg.h>

#include "gfx/SystemProc_win.h"
#include "store/IniRules.h"

namespace vellumo::win {

namespace {
struct RegistryApi {
    LSTATUS(WINAPI* getValue)(HKEY, LPCWSTR, LPCWSTR, DWORD, LPDWORD, PVOID, LPDWORD) = nullptr;
    LSTATUS(WINAPI* setKeyValue)(HKEY, LPCWSTR, LPCWSTR, DWORD, LPCVOID, DWORD) = nullptr;
};

const RegistryApi& Registry() {
    static const RegistryApi api{
        SystemProc<decltype(RegistryApi::getValue)>(L"advapi32.dll", "RegGetValueW"),
        SystemProc<decltype(RegistryApi::setKeyValue)>(L"advapi32.dll", "RegSetKeyValueW")};
    return api;
}

std::wstring SubKey(const std::wstring& app, const std::wstring& section) {
    return L"Software\\Vellumo\\" + app + L"\\" + section;
}
}  // namespace

std::wstring ReadUserSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                             const std::wstring& def) {
    const auto& reg = Registry();
    if (!reg.getValue) return def;
    const std::wstring sub = SubKey(app, section);
    DWORD bytes = 0;
    if (reg.getValue(HKEY_CURRENT_USER, sub.c_str(), key.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
        ERROR_SUCCESS)
        return def;
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (reg.getValue(HKEY_CURRENT_USER, sub.c_str(), key.c_str(), RRF_RT_REG_SZ, nullptr, value.data(), &bytes) !=
        ERROR_SUCCESS)
        return def;
    // Same shape as an INI read: up to the first NUL, at most 254 characters.
    return settings::ValueFromReadBuffer(value, value.empty() || value[0] == L'\0' ? 0 : value.size());
}

unsigned long WriteUserSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                               const std::wstring& value) {
    const auto& reg = Registry();
    if (!reg.setKeyValue) return ERROR_PROC_NOT_FOUND;
    return static_cast<unsigned long>(reg.setKeyValue(HKEY_CURRENT_USER, SubKey(app, section).c_str(), key.c_str(), REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

}  // namespace vellumo::win

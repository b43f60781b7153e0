#include "settings/StartUp_win.h"

#include <vector>

#include "gfx/SystemProc_win.h"
#include "settings/StartUp.h"

namespace vellumo::win {

namespace {
using RegGetValueFn = LSTATUS(WINAPI*)(HKEY, const wchar_t*, const wchar_t*, DWORD, DWORD*, void*, DWORD*);
using RegSetKeyValueFn = LSTATUS(WINAPI*)(HKEY, const wchar_t*, const wchar_t*, DWORD, const void*, DWORD);
using RegDeleteKeyValueFn = LSTATUS(WINAPI*)(HKEY, const wchar_t*, const wchar_t*);

template <typename Fn>
Fn Advapi(const char* name) {
    return SystemProc<Fn>(L"advapi32.dll", name);
}
}  // namespace

std::wstring ThisExePath() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) return std::wstring(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

std::optional<std::wstring> ReadStartUpValue() {
    static const auto get = Advapi<RegGetValueFn>("RegGetValueW");
    if (!get) return std::nullopt;
    DWORD bytes = 0;
    if (get(HKEY_CURRENT_USER, kRunKey, kRunValueName, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
            nullptr, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (get(HKEY_CURRENT_USER, kRunKey, kRunValueName, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
            value.data(), &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    value.resize(value.find(L'\0') == std::wstring::npos ? value.size() : value.find(L'\0'));
    return value;
}

DWORD WriteStartUpValue(const std::wstring& command) {
    static const auto set = Advapi<RegSetKeyValueFn>("RegSetKeyValueW");
    if (!set) return ERROR_PROC_NOT_FOUND;
    return static_cast<DWORD>(set(HKEY_CURRENT_USER, kRunKey, kRunValueName, REG_SZ, command.c_str(),
                                  static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))));
}

DWORD DeleteStartUpValue() {
    static const auto remove = Advapi<RegDeleteKeyValueFn>("RegDeleteKeyValueW");
    if (!remove) return ERROR_PROC_NOT_FOUND;
    const LSTATUS status = remove(HKEY_CURRENT_USER, kRunKey, kRunValueName);
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : static_cast<DWORD>(status);
}

}  // namespace vellumo::win

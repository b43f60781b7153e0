// The per-user store of a hotkey control whose SettingLocation is not 0:
// string values under HKCU\Software\Vellumo\<app>\<section>. advapi32 is
// loaded on first use, so the exe keeps its short import list.
#pragma once
#include <string>

namespace vellumo::win {

// A missing value (or no advapi32) gives `def`; values are cut to 254 characters.
std::wstring ReadUserSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                             const std::wstring& def);
// 0, or the system's error code.
unsigned long WriteUserSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                               const std::wstring& value);

}  // namespace vellumo::win

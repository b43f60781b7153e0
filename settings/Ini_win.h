// modini: "set.ini" beside the exe, read and written one value at a time
// through the private-profile functions. The W functions are used so any
// folder name works; Windows still keeps a file it creates in the ANSI code
// page, so files written by older copies read back unchanged.
#pragma once
#include <string>

namespace vellumo::win {

// Makes the exe's folder + `fileName` the current INI path.
void SetIniFile(const std::wstring& fileName);
const std::wstring& IniPath();
// A missing key gives `def`; a key present with an empty value gives "".
std::wstring ReadIni(const std::wstring& section, const std::wstring& key, const std::wstring& def);
// 0, or the system's error code when the value could not be kept (a
// read-only file or folder): callers tell the user.
unsigned long WriteIni(const std::wstring& section, const std::wstring& key, const std::wstring& value);

}  // namespace vellumo::win

// "set.ini" and any other INI file, read and written one value at a time
// through the private-profile functions. The W functions are used so any
// folder name works; Windows still keeps a file it creates in the ANSI code
// page, so files written by older copies read back unchanged.
#pragma once
#include <string>

namespace vellumo::win {

class IniFile {
public:
    explicit IniFile(std::wstring path) : path_(std::move(path)) {}
    // `fileName` in the exe's folder (where the program keeps "set.ini").
    static IniFile BesideExe(const std::wstring& fileName);

    const std::wstring& path() const { return path_; }
    // A missing key gives `def`; a key present with an empty value gives "".
    std::wstring Read(const std::wstring& section, const std::wstring& key, const std::wstring& def) const;
    // 0, or the system's error code when the value could not be kept (a
    // read-only file or folder): callers tell the user.
    unsigned long Write(const std::wstring& section, const std::wstring& key, const std::wstring& value) const;

private:
    std::wstring path_;
};

}  // namespace vellumo::win

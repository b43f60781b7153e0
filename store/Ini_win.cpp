#include "store/Ini_win.h"

#include <windows.h>

#include <vector>

#include "gfx/Log_win.h"
#include "store/IniRules.h"

namespace vellumo::win {

namespace {
std::wstring ExeFolder() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) {
            std::wstring path(buf.data(), n);
            const auto slash = path.find_last_of(L"\\/");
            // Keep the separator of a root ("C:\"), drop it otherwise.
            if (slash == std::wstring::npos) return {};
            return slash > 0 && path[slash - 1] == L':' ? path.substr(0, slash + 1) : path.substr(0, slash);
        }
        buf.resize(buf.size() * 2);  // long paths
    }
}
}  // namespace

IniFile IniFile::BesideExe(const std::wstring& fileName) {
    return IniFile(settings::JoinIniPath(ExeFolder(), fileName));
}

std::wstring IniFile::Read(const std::wstring& section, const std::wstring& key, const std::wstring& def) const {
    wchar_t buf[settings::kReadBufferChars] = {};
    const DWORD copied = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), def.c_str(), buf,
                                                    static_cast<DWORD>(settings::kReadBufferChars), path_.c_str());
    return settings::ValueFromReadBuffer(std::wstring_view(buf, settings::kReadBufferChars), copied);
}

unsigned long IniFile::Write(const std::wstring& section, const std::wstring& key, const std::wstring& value) const {
    if (!LogLastErrorIf(!::WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), path_.c_str()),
                        L"WritePrivateProfileStringW"))
        return 0;
    const DWORD error = ::GetLastError();
    return error ? error : ERROR_WRITE_FAULT;
}

}  // namespace vellumo::win

#include "gfx/Log_win.h"

#include <new>
#include <stdexcept>
#include <string>

#include "gfx/Handles_win.h"
#include "gfx/Log.h"
#include "gfx/SystemError_win.h"
#include "gfx/Window_win.h"

namespace vellumo::win {

namespace {
std::string Utf8(const std::wstring& text) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                              nullptr);
    return out;
}

void AppendToLogFile(const std::wstring& line) {
    wchar_t path[MAX_PATH * 2];
    const DWORD n = ::GetEnvironmentVariableW(L"VELLUMO_LOG", path, static_cast<DWORD>(std::size(path)));
    if (n == 0 || n >= std::size(path)) return;
    // Opened per line and shared: two copies of the program may log at once,
    // and a crash loses nothing already written.
    unique_handle file = FileHandle(::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    const std::string bytes = Utf8(L"vellumo[" + std::to_wstring(::GetCurrentProcessId()) + L"] " + line + L"\r\n");
    DWORD written = 0;
    ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void WriteLine(std::source_location where, const wchar_t* what, DWORD error) noexcept {
    try {
        const std::wstring line = FormatLogLine(where.file_name(), where.line(), what, error,
                                                error ? SystemErrorText(error) : std::wstring());
        ::OutputDebugStringW((L"vellumo: " + line + L"\n").c_str());
        AppendToLogFile(line);
    } catch (...) {
        ::OutputDebugStringW(L"vellumo: a failure could not be logged (no memory)\n");
    }
}
}  // namespace

void LogFailure(const wchar_t* what, DWORD error, std::source_location where) noexcept {
    // Formatting the line may reset the last error; the caller's stays.
    const DWORD keep = ::GetLastError();
    WriteLine(where, what, error);
    ::SetLastError(keep);
}

bool LogLastErrorIf(bool failed, const wchar_t* what, std::source_location where) noexcept {
    if (failed) LogFailure(what, ::GetLastError(), where);
    return failed;
}

void ReportCaughtException(std::source_location where) noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        LogFailure(L"a handler ran out of memory", 0, where);
        TellHandlerFailed(true);
    } catch (const std::exception& e) {
        std::wstring what = L"a handler threw: ";
        for (const char* c = e.what(); *c; ++c) what += static_cast<wchar_t>(static_cast<unsigned char>(*c));
        LogFailure(what.c_str(), 0, where);
        TellHandlerFailed(false);
    } catch (...) {
        LogFailure(L"a handler threw an unknown exception", 0, where);
        TellHandlerFailed(false);
    }
}

}  // namespace vellumo::win

// Failures that would otherwise vanish (a window not created, a class not
// registered, a GDI+ or shell call refused, a handler that threw) leave a
// line in the log: always to the debugger (OutputDebugStringW), and appended
// to the file the environment variable VELLUMO_LOG names, if any. Logging
// never throws and never changes what the program does next.
#pragma once
#include <windows.h>

#include <source_location>

namespace vellumo::win {

// Logs `what` with `error` (a system error code, 0 for none).
void LogFailure(const wchar_t* what, DWORD error = 0,
                std::source_location where = std::source_location::current()) noexcept;

// In the spirit of WIL's LOG_LAST_ERROR_IF: when `failed`, logs `what` with
// the thread's last error. Returns `failed`, so it can stand in a condition.
bool LogLastErrorIf(bool failed, const wchar_t* what,
                    std::source_location where = std::source_location::current()) noexcept;

// For calls that return a handle or a pointer: logs when it is null and
// hands the value on unchanged.
template <typename T>
T LogIfNull(T value, const wchar_t* what, std::source_location where = std::source_location::current()) noexcept {
    LogLastErrorIf(!value, what, where);
    return value;
}

// Inside a catch block: logs what was thrown and tells the user that the
// last action was not done (once at a time). The one place that decides what
// an escaped exception means, for window procedures, timers and idle work.
void ReportCaughtException(std::source_location where = std::source_location::current()) noexcept;

}  // namespace vellumo::win

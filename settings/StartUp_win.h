// The user's Run value for Vellumo, read, written and removed through
// advapi32 (loaded on first use, like the other system DLLs the program
// needs only now and then).
#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace vellumo::win {

// The running exe's full path.
std::wstring ThisExePath();
// The stored command; nothing when there is no value (or it is not text).
std::optional<std::wstring> ReadStartUpValue();
// ERROR_SUCCESS or the system's error code.
DWORD WriteStartUpValue(const std::wstring& command);
// ERROR_SUCCESS also when there was no value.
DWORD DeleteStartUpValue();

}  // namespace vellumo::win

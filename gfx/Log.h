// The lines of the failure log: what failed, where, and the system's reason.
// Portable so that the format is tested; gfx/Log_win.h writes them.
#pragma once
#include <string>
#include <string_view>

namespace vellumo {

// "overlay/Overlay_win.cpp(42): CreateWindowExW: error 8 (Not enough memory.)".
// `file` is shortened to its folder and name (the build's absolute path says
// nothing to a reader of the log); an `error` of 0 leaves the reason out.
std::wstring FormatLogLine(std::string_view file, unsigned line, std::wstring_view what, unsigned long error,
                           std::wstring_view reason);

}  // namespace vellumo

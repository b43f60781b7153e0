// Starting with Windows: the value Vellumo keeps under the user's Run key,
// whether a stored one still names this exe, and the /tray switch it starts
// with. No platform headers.
#pragma once
#include <string>
#include <string_view>

#include "gfx/Geometry.h"

namespace vellumo {

// HKEY_CURRENT_USER\<kRunKey>, value <kRunValueName>.
inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunValueName[] = L"Vellumo";
inline constexpr wchar_t kTraySwitch[] = L"/tray";
inline constexpr wchar_t kStartWithWindowsCaption[] = L"Start with Windows";
// The settings window's check box, in twips, between the hide button and the
// enable box.
inline constexpr Rect kStartUpBoxTwips{1200, 1700, 2900, 375};
inline constexpr int kStartUpBoxId = 120;

// "<exe>" /tray: quoted, so a path with blanks stays one.
std::wstring StartUpCommand(std::wstring_view exePath);
// A stored value is current when it is that command for this exe (the case
// of letters aside, as Windows paths go); one naming a moved exe is not.
bool StartUpValueIsCurrent(std::wstring_view stored, std::wstring_view exePath);
// The command line's arguments (without the exe) hold /tray (or -tray), in
// any case, as a word of its own.
bool IsTrayStart(std::wstring_view arguments);

}  // namespace vellumo

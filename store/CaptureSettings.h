// What set.ini says about a capture itself: read by the overlay at the
// freeze, written by the settings window's box.
#pragma once
#include "store/IniRules.h"

namespace vellumo {

// [Capture] Cursor=1 draws the pointer into the frozen screen where it was at
// the freeze, so copies, saves and pins hold it; off (0) unless set.
inline constexpr settings::Setting kCaptureCursor{L"Capture", L"Cursor", L"0", settings::ValueKind::WholeNumber, 0, 1};

}  // namespace vellumo

// The DPI of the monitors and windows the user interface stands on. The
// process is per-monitor aware (see the manifest): Windows scales none of
// its windows, so each sizes its own parts for the monitor it is on.
#pragma once
#include <windows.h>

#include "gfx/Geometry.h"

namespace vellumo::win {

// The system DPI: the screen's LOGPIXELSX, 96 when that cannot be read.
int SystemDpi();
// The DPI of `monitor` (GetDpiForMonitor where shcore has it, Windows 8.1
// on); the system DPI on older systems.
int MonitorDpi(HMONITOR monitor);
// The DPI of the monitor holding `p` (the nearest one for a point off every
// monitor), and of the monitor holding most of `r`.
int DpiAt(Point p);
int DpiOf(const Rect& r);
// WM_DPICHANGED's new DPI (LOWORD of wParam; both words are equal).
inline int DpiFromMessage(WPARAM wp) { return LOWORD(wp); }

}  // namespace vellumo::win

// The history's captures as the tray menu shows them, and a capture read
// back from its file for a pin or the clipboard.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "gfx/Dib_win.h"
#include "gfx/Handles_win.h"
#include "history/HistoryWriter_win.h"

namespace vellumo::win {

class RecentCapturesMenu {
public:
    // Puts the newest `count` captures at the top of `submenu` (a small
    // picture and the time of each) under ids firstId, firstId + 1, ...;
    // the captures an earlier Fill put there go first.
    void Fill(HMENU submenu, CaptureHistory& history, unsigned firstId, unsigned count);
    // The file of the index-th capture listed; nothing past the list.
    std::optional<std::wstring> PathOf(unsigned index) const;

private:
    std::vector<std::wstring> paths_;
    // The menu shows these; they live until the next Fill.
    std::vector<unique_hbitmap> thumbnails_;
    unsigned listed_ = 0;  // items Fill put in, the placeholder included
};

// A capture's file as a picture (32-bit DIB); false, with the reason, when it
// cannot be read.
bool LoadCapture(const std::wstring& path, Dib& out, std::wstring& why);

}  // namespace vellumo::win

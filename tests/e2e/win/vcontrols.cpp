// vcontrols.exe: one value slider (0..255, starting at 100) and one caption
// label ("Color", dark grey, white 微软雅黑 9 pt) on a borderless window at
// (0, 0), 300 x 150, for the end-to-end tests. The title tells what the
// controls reported:
//   v=<Value> c=<Change count> k=<Click count> d=<DblCilck count>
//   m=<moves over the host's bare surface> h=<hover log>
// where the hover log has M for MouseMove, E for MouseEnter, L for MouseLeave.
#include <windows.h>

#include <string>

#include "gfx/Window_win.h"
#include "controls/CaptionLabel_win.h"
#include "controls/ValueSlider_win.h"

namespace vellumo::win {
HINSTANCE Instance() { return ::GetModuleHandleW(nullptr); }
}  // namespace vellumo::win

namespace {

using namespace vellumo::win;

class Host : public Window<Host> {
public:
    bool Create() {
        RegisterClassOnce(L"VellumoControlsHost", ::LoadCursorW(nullptr, IDC_ARROW),
                          ::GetSysColorBrush(COLOR_BTNFACE));
        if (!CreateWin(0, L"VellumoControlsHost", L"", WS_POPUP | WS_VISIBLE, 0, 0, 300, 150)) return false;
        if (!slider_.Create(hwnd(), 20, 20, 200, 20, 255, 100)) return false;
        if (!label_.Create(hwnd(), 20, 60, 80, 30, L"Color")) return false;
        label_.SetBackColor(RGB(64, 64, 64));
        label_.SetForeColor(RGB(255, 255, 255));
        label_.SetWithBorder(false);
        label_.SetFont(LogFontFor(L"微软雅黑", 9));
        slider_.Change = [this] { ++changes_, Report(); };
        label_.Click = [this] { ++clicks_, Report(); };
        label_.DblCilck = [this] { ++doubles_, Report(); };
        label_.MouseMove = [this](int, int, float, float) { Hover(L'M'); };
        label_.MouseEnter = [this] { Hover(L'E'); };
        label_.MouseLeave = [this] { Hover(L'L'); };
        Report();
        return true;
    }

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_DESTROY) ::PostQuitMessage(0);
        // Moves over the bare surface: a test sees its earlier input handled.
        if (msg == WM_MOUSEMOVE) ++moves_, Report();
        return Default(msg, wp, lp);
    }

private:
    void Hover(wchar_t c) {
        if (hover_.size() < 200) hover_ += c;
        Report();
    }
    void Report() {
        const std::wstring title = L"v=" + std::to_wstring(static_cast<int>(slider_.Value())) +
                                   L" c=" + std::to_wstring(changes_) + L" k=" + std::to_wstring(clicks_) +
                                   L" d=" + std::to_wstring(doubles_) + L" m=" + std::to_wstring(moves_) +
                                   L" h=" + hover_;
        if (hwnd()) ::SetWindowTextW(hwnd(), title.c_str());
    }

    ValueSlider slider_;
    CaptionLabel label_;
    int changes_ = 0, clicks_ = 0, doubles_ = 0, moves_ = 0;
    std::wstring hover_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    Host host;
    if (!host.Create()) return 1;
    MSG m;
    while (::GetMessageW(&m, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&m);
        ::DispatchMessageW(&m);
    }
    return 0;
}

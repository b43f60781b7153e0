// vfixture.exe [left top width height]: known content for the end-to-end
// tests. A borderless top-level window in a known colour with child parts in
// other known colours (see FixtureLayout.h). Posted messages switch the
// palette or destroy a part; a key press, and the number of pointer moves
// between a left press and its release, are echoed in the title.
#include <windows.h>

#include <cwchar>
#include <cstdlib>

#include "tests/e2e/FixtureLayout.h"

using namespace vellumo::e2e;

namespace {

int g_palette = 0;
int g_heldMoves = 0;  // WM_MOUSEMOVEs with the left button held since the last press

// Pointer messages of any fixture window: the title tells how many moves a
// press-drag-release delivered, so tests can see Wine's message stream.
void CountPointer(HWND w, UINT msg, WPARAM wp) {
    if (msg == WM_LBUTTONDOWN) g_heldMoves = 0;
    if (msg == WM_MOUSEMOVE && (wp & MK_LBUTTON)) ++g_heldMoves;
    if (msg == WM_LBUTTONUP) {
        wchar_t title[64];
        swprintf(title, 64, L"Fixture moves=%d", g_heldMoves);
        SetWindowTextW(GetAncestor(w, GA_ROOT), title);
    }
}

COLORREF ColourOf(HWND w) {
    const Palette& p = kPalettes[g_palette];
    Rgb c = p.top;
    switch (GetDlgCtrlID(w)) {
        case kPanelA: c = p.panelA; break;
        case kNested: c = p.nested; break;
        case kPanelB: c = p.panelB; break;
        default: break;
    }
    if (GetParent(w) == nullptr) c = p.top;
    return RGB(c.r, c.g, c.b);
}

void Fill(HWND w, HDC dc) {
    RECT rc;
    GetClientRect(w, &rc);
    HBRUSH b = CreateSolidBrush(ColourOf(w));
    FillRect(dc, &rc, b);
    DeleteObject(b);
}

// Every window of the fixture is one flat colour; true when msg was a paint.
bool PaintFlat(HWND w, UINT msg, WPARAM wp, LRESULT& result) {
    if (msg == WM_ERASEBKGND) {
        Fill(w, reinterpret_cast<HDC>(wp));
        result = 1;
        return true;
    }
    if (msg != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    Fill(w, dc);
    EndPaint(w, &ps);
    result = 0;
    return true;
}

LRESULT CALLBACK PartProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    CountPointer(w, msg, wp);
    if (LRESULT r; PaintFlat(w, msg, wp, r)) return r;
    return DefWindowProcW(w, msg, wp, lp);
}

LRESULT CALLBACK TopProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    CountPointer(w, msg, wp);
    if (LRESULT r; PaintFlat(w, msg, wp, r)) return r;
    switch (msg) {
        case kMsgPalette:
            g_palette = wp ? 1 : 0;
            RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            {
                wchar_t title[64];
                swprintf(title, 64, L"Fixture palette=%d", g_palette);
                SetWindowTextW(w, title);  // after the paint: tests wait for it
            }
            return 0;
        case kMsgBusy:
            // A program too busy to repaint for a moment: what another
            // window uncovers keeps showing what covered it.
            Sleep(static_cast<DWORD>(wp));
            return 0;
        case kMsgDestroyPart: {
            HWND part = GetDlgItem(w, static_cast<int>(wp));
            if (!part) {
                HWND a = GetDlgItem(w, kPanelA);
                if (a) part = GetDlgItem(a, static_cast<int>(wp));
            }
            if (part) DestroyWindow(part);
            return part ? 1 : 0;
        }
        case WM_MOUSEWHEEL: {
            static int notches = 0;
            notches += GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA;
            wchar_t title[64];
            swprintf(title, 64, L"Fixture wheel=%d", notches);
            SetWindowTextW(w, title);
            return 0;
        }
        case WM_KEYDOWN: {
            wchar_t title[64];
            swprintf(title, 64, L"Fixture key=%u", static_cast<unsigned>(wp));
            SetWindowTextW(w, title);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(w, msg, wp, lp);
    }
}

HWND MakePart(HWND parent, int id, const PartRect& r) {
    return CreateWindowExW(0, kFixturePartClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                           r.left, r.top, r.width, r.height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
    int geo[4] = {100, 100, 400, 300};
    for (int i = 1; i < __argc && i <= 4; ++i) geo[i - 1] = _wtoi(__wargv[i]);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = TopProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kFixtureClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = PartProc;
    wc.lpszClassName = kFixturePartClass;
    RegisterClassExW(&wc);

    // Borderless, so the client area is the window rectangle.
    HWND top = CreateWindowExW(0, kFixtureClass, L"Fixture", WS_POPUP | WS_CLIPCHILDREN, geo[0], geo[1], geo[2],
                               geo[3], nullptr, nullptr, inst, nullptr);
    if (!top) return 1;
    HWND a = MakePart(top, kPanelA, kPanelARect);
    MakePart(a, kNested, kNestedRect);
    MakePart(top, kPanelB, kPanelBRect);
    ShowWindow(top, SW_SHOW);
    UpdateWindow(top);

    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}

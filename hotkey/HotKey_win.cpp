#include "hotkey/HotKey_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include "gfx/Convert_win.h"
#include "gfx/SystemProc_win.h"

#include "hotkey/UserStore_win.h"
#include "store/IniRules.h"
#include "store/Ini_win.h"

namespace vellumo::win {

namespace {
constexpr wchar_t kClass[] = L"VellumoHotKey";
constexpr int kHotKeyId = 1;  // one hotkey per hidden window
// The hidden window's property that points to its control, as other programs
// have always found it (beside "WinProc", which the hook keeps).
constexpr wchar_t kObjectProperty[] = L"Object";

bool IsCharMessage(UINT msg) {
    return msg == WM_CHAR || msg == WM_SYSCHAR || msg == WM_DEADCHAR || msg == WM_SYSDEADCHAR || msg == WM_UNICHAR ||
           msg == WM_IME_CHAR;
}

bool IsInputMessage(UINT msg) {
    return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST && !IsCharMessage(msg)) ||
           (msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK);
}

// Keys whose scan code alone names a numeric-keypad key: without the
// extended bit Left reads "Num 4" and Delete "Num Del".
bool IsExtendedKey(int vk) {
    switch (vk) {
        case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME:
        case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
        case VK_INSERT: case VK_DELETE: case VK_DIVIDE: case VK_NUMLOCK:
        case VK_RWIN: case VK_APPS: case VK_RCONTROL: case VK_RMENU:
            return true;
        default:
            return false;
    }
}

std::wstring KeyName(int vk) {
    const UINT scan = ::MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
    LONG lparam = static_cast<LONG>(scan << 16);
    if (IsExtendedKey(vk)) lparam |= 1L << 24;
    wchar_t name[255] = {};
    const int n = ::GetKeyNameTextW(lparam, name, 255);
    return std::wstring(name, n > 0 ? static_cast<std::size_t>(n) : 0);
}

// The 1 = Shift, 2 = Ctrl, 4 = Alt flags of the key and mouse events.
int ShiftState() {
    int s = 0;
    if (::GetKeyState(VK_SHIFT) < 0) s |= hotkey::kShiftMask;
    if (::GetKeyState(VK_CONTROL) < 0) s |= hotkey::kCtrlMask;
    if (::GetKeyState(VK_MENU) < 0) s |= hotkey::kAltMask;
    return s;
}

float TwipsPerPixel(HWND hwnd, int axis) {
    WindowDc dc(hwnd);
    const int dpi = dc.get() ? ::GetDeviceCaps(dc.get(), axis) : 96;
    return 1440.0f / static_cast<float>(dpi > 0 ? dpi : 96);
}
}  // namespace

HotKey::HotKey() : composer_(KeyName) {}

HotKey::~HotKey() {
    // The control's own termination order: both windows unhooked, then the
    // hidden one destroyed. It does not unregister: the system drops a
    // window's hotkeys when the window is destroyed.
    hiddenHook_.Remove();
    if (hidden_) ::RemovePropW(hidden_.get(), kObjectProperty);
    editHook_.Remove();
    hidden_.reset();
}

bool HotKey::Create(HWND parent, int x, int y, int w, int h, IniFile store, const Options& options) {
    options_ = options;
    store_ = std::move(store);
    RegisterClassOnce(kClass, ::LoadCursorW(nullptr, IDC_IBEAM), nullptr);
    // WS_EX_CONTROLPARENT: dialog navigation tabs into the text box.
    if (!CreateWin(WS_EX_CONTROLPARENT, kClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y, w, h, parent))
        return false;
    RECT rc{};
    ::GetClientRect(hwnd(), &rc);
    edit_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"NULL", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                              0, 0, rc.right, rc.bottom, hwnd(), reinterpret_cast<HMENU>(1), Instance(), nullptr);
    if (!edit_) return false;
    {
        WindowDc dc(hwnd());
        const int height = -::MulDiv(9, dc.get() ? ::GetDeviceCaps(dc.get(), LOGPIXELSY) : 96, 72);
        font_.reset(::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Arial"));
    }
    ::SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);

    hidden_.reset(::CreateWindowExW(0, L"#32770", L"", 0, 0, 0, 0, 0, nullptr, nullptr, Instance(), nullptr));
    if (!hidden_) return false;
    // "Object" first: a WM_HOTKEY may arrive as soon as the procedure is in.
    ::SetPropW(hidden_.get(), kObjectProperty, this);
    hiddenHook_.Install(hidden_.get(), [this](UINT msg, WPARAM wp, LPARAM lp) { return OnHiddenWindowMessage(msg, wp, lp); });
    editHook_.Install(edit_, [this](UINT msg, WPARAM wp, LPARAM lp) { return OnEditMessage(msg, wp, lp); });
    LoadSettings();
    return true;
}

void HotKey::LoadSettings() {
    const std::wstring& name = options_.instanceName;
    const IniFile& ini = store_;
    auto read = [&](const settings::Setting& s) {
        const std::wstring key = s.Key(name);
        const std::wstring def(s.defaultValue);
        if (options_.settingLocation == 0) return ini.Read(std::wstring(s.section), key, def);
        return ReadUserSetting(options_.regKeyName, std::wstring(s.section), key, def);
    };
    hotkey::Combination c;
    c.text = read(settings::kHotKeyText);
    c.keyCode = settings::ReadNumber(settings::kHotKeyKeyCode, read(settings::kHotKeyKeyCode));
    c.modKeyCode = settings::ReadNumber(settings::kHotKeyModKeyCode, read(settings::kHotKeyModKeyCode));
    composer_.Set(std::move(c));
    ShowCombination();
}

unsigned long HotKey::SaveSettings() {
    const std::wstring& name = options_.instanceName;
    const IniFile& ini = store_;
    unsigned long first = 0;
    auto write = [&](const settings::Setting& s, const std::wstring& value) {
        const unsigned long error = options_.settingLocation == 0
                                        ? ini.Write(std::wstring(s.section), s.Key(name), value)
                                        : WriteUserSetting(options_.regKeyName, std::wstring(s.section), s.Key(name), value);
        if (!first) first = error;
    };
    write(settings::kHotKeyText, Text());
    write(settings::kHotKeyKeyCode, std::to_wstring(KeyCode()));
    write(settings::kHotKeyModKeyCode, std::to_wstring(ModKeyCode()));
    return first;
}

void HotKey::SetCombination(const std::wstring& text, int keyCode, int modKeyCode) {
    composer_.Set(hotkey::Combination{text, keyCode, modKeyCode});
    ShowCombination();
}

void HotKey::SetBackColor(OleColor c) {
    look_.backColor = c;
    backBrush_.reset();
    if (edit_) ::InvalidateRect(edit_, nullptr, TRUE);
}

void HotKey::SetForeColor(OleColor c) {
    look_.foreColor = c;
    if (edit_) ::InvalidateRect(edit_, nullptr, TRUE);
}

void HotKey::SetEnabled(bool enabled) {
    look_.enabled = enabled;
    if (edit_) ::EnableWindow(edit_, enabled ? TRUE : FALSE);
}

void HotKey::SetBorderStyle(int borderStyle) {
    look_.borderStyle = borderStyle;
    ApplyFrame();
}

void HotKey::SetAppearance(int appearance) {
    look_.appearance = appearance;
    ApplyFrame();
}

void HotKey::ApplyFrame() {
    if (!edit_) return;
    const hotkey::EditFrame frame = hotkey::FrameFor(look_.borderStyle, look_.appearance);
    LONG_PTR style = ::GetWindowLongPtrW(edit_, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_BORDER);
    LONG_PTR ex = ::GetWindowLongPtrW(edit_, GWL_EXSTYLE) & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE);
    if (frame.line) style |= WS_BORDER;
    if (frame.sunken) ex |= WS_EX_CLIENTEDGE;
    ::SetWindowLongPtrW(edit_, GWL_STYLE, style);
    ::SetWindowLongPtrW(edit_, GWL_EXSTYLE, ex);
    // The frame is part of the non-client area: it is measured and drawn anew.
    ::SetWindowPos(edit_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ::InvalidateRect(edit_, nullptr, TRUE);
}

void HotKey::SetToolTipText(const std::wstring& text) {
    look_.toolTipText = text;
    if (!edit_) return;
    if (!tooltip_ && !text.empty() && InitCommonControlClasses(ICC_WIN95_CLASSES))
        tooltip_ = LogIfNull(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(),
                                               nullptr, Instance(), nullptr),
                             L"CreateWindowExW(tooltips)");
    if (!tooltip_) return;
    TOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd();
    ti.uId = reinterpret_cast<UINT_PTR>(edit_);
    // An empty text takes the tool away, so no empty tip shows.
    ::SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    if (text.empty()) return;
    ti.lpszText = const_cast<wchar_t*>(look_.toolTipText.c_str());
    ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void HotKey::SetFont(const LOGFONTW& font) {
    unique_hfont made(::CreateFontIndirectW(&font));
    if (!made) return;
    font_ = std::move(made);
    if (edit_) ::SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
}

LRESULT HotKey::ColourEdit(HDC dc) {
    if (!backBrush_) backBrush_.reset(::CreateSolidBrush(ResolvedColorRef(look_.backColor)));
    ::SetTextColor(dc, look_.enabled ? ResolvedColorRef(look_.foreColor) : ::GetSysColor(COLOR_GRAYTEXT));
    ::SetBkColor(dc, ResolvedColorRef(look_.backColor));
    return reinterpret_cast<LRESULT>(backBrush_.get());
}

void HotKey::SetHotKeyEnabled(bool v) {
    if (v == enabled_) return;
    if (!v) {
        UnregisterKey();
        enabled_ = false;
        return;
    }
    if (KeyCode() == 0) {
        ShowError(L"请设置热键");
        return;
    }
    if (RegisterKey()) {
        enabled_ = true;
        return;
    }
    if (Refused) {
        Refused();
        return;
    }
    ShowError(L"热键正在使用");
    composer_.Set(hotkey::Combination{});
    ShowCombination();
}

bool HotKey::RegisterKey() {
    return ::RegisterHotKey(hidden_.get(), kHotKeyId, static_cast<UINT>(hotkey::RegisteredModifiers(ModKeyCode())),
                            static_cast<UINT>(KeyCode())) != FALSE;
}

void HotKey::UnregisterKey() { ::UnregisterHotKey(hidden_.get(), kHotKeyId); }

void HotKey::ShowError(const wchar_t* text) {
    ::MessageBoxW(MessageBoxOwner(), text, L"错误",
                  MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
}

// Only WM_HOTKEY is answered here. Everything else goes to the window's own
// procedure: answering, say, WM_QUERYENDSESSION with 0 would veto logoff.
LRESULT HotKey::OnHiddenWindowMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_HOTKEY) return hiddenHook_.CallPrevious(msg, wp, lp);
    // The identifier is not looked at: one hotkey per hidden window.
    if (HotKeyPressed) HotKeyPressed();
    return 0;
}

// Keys and mouse messages come to OnEditInput before the box sees them.
LRESULT HotKey::OnEditMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CONTEXTMENU) return 0;
    if (IsCharMessage(msg)) return 0;  // typed characters are never inserted
    if (msg == WM_GETDLGCODE) {
        // In a window that moves the focus with Tab, a plain Tab or Shift+Tab
        // moves on; every other key (Enter and Esc too) is a hotkey key.
        const auto* key = reinterpret_cast<const MSG*>(lp);
        const bool navigates = key && key->message == WM_KEYDOWN && key->wParam == VK_TAB &&
                               ::GetKeyState(VK_CONTROL) >= 0 && ::GetKeyState(VK_MENU) >= 0;
        return editHook_.CallPrevious(msg, wp, lp) | (navigates ? 0 : DLGC_WANTALLKEYS);
    }
    if (IsInputMessage(msg) && OnEditInput(msg, wp, lp)) return 0;
    return editHook_.CallPrevious(msg, wp, lp);
}

void HotKey::ShowCombination() {
    if (!edit_) return;
    ::SetWindowTextW(edit_, Text().c_str());
    const int len = ::GetWindowTextLengthW(edit_);
    ::SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(len), static_cast<LPARAM>(len));
    if (Changed) Changed();
}

void HotKey::OnKeyDown(int keyCode) {
    if (hotkey::KeyComposer::Ignored(keyCode)) return;
    int shift = ShiftState();
    if (KeyDown) KeyDown(keyCode, shift);
    composer_.KeyDown(keyCode, shift);
    // A new combination starts: the old one stops working at once.
    if (enabled_) SetHotKeyEnabled(false);
    ShowCombination();
}

void HotKey::OnKeyUp(int keyCode) {
    composer_.KeyUp(keyCode);
    ShowCombination();
    int shift = ShiftState();
    if (KeyUp) KeyUp(keyCode, shift);
}

void HotKey::OnMouse(UINT msg, WPARAM wp, LPARAM lp) {
    int button = 0;
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP || msg == WM_LBUTTONDBLCLK) button = 1;
    else if (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP || msg == WM_RBUTTONDBLCLK) button = 2;
    else if (msg == WM_MBUTTONDOWN || msg == WM_MBUTTONUP || msg == WM_MBUTTONDBLCLK) button = 4;
    else if (msg == WM_MOUSEMOVE)
        button = ((wp & MK_LBUTTON) ? 1 : 0) | ((wp & MK_RBUTTON) ? 2 : 0) | ((wp & MK_MBUTTON) ? 4 : 0);
    int shift = ShiftState();
    float x = static_cast<float>(GET_X_LPARAM(lp)) * TwipsPerPixel(edit_, LOGPIXELSX);
    float y = static_cast<float>(GET_Y_LPARAM(lp)) * TwipsPerPixel(edit_, LOGPIXELSY);
    switch (msg) {
        case WM_MOUSEMOVE:
            if (MouseMove) MouseMove(button, shift, x, y);
            break;
        case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
            if (MouseDown) MouseDown(button, shift, x, y);
            break;
        case WM_LBUTTONDBLCLK:
            if (MouseDown) MouseDown(button, shift, x, y);
            if (DblClick) DblClick();
            break;
        case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK:
            if (MouseDown) MouseDown(button, shift, x, y);
            break;
        case WM_LBUTTONUP:
            if (MouseUp) MouseUp(button, shift, x, y);
            if (Click) Click();
            break;
        case WM_RBUTTONUP: case WM_MBUTTONUP:
            if (MouseUp) MouseUp(button, shift, x, y);
            break;
        default:
            break;
    }
}

LRESULT HotKey::OnEditInput(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        // Keys never reach the text box: it would delete or move the caret
        // in a text the control rebuilds anyway. System keys are taken too,
        // so Alt and F10 do not open the host's menu.
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            OnKeyDown(static_cast<int>(wp));
            return 1;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            OnKeyUp(static_cast<int>(wp));
            return 1;
        default:
            if (msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK) OnMouse(msg, wp, lp);
            return 0;  // the box still takes the focus and places the caret
    }
}

LRESULT HotKey::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SIZE:
            if (edit_) ::MoveWindow(edit_, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
            return 0;
        case WM_SETFOCUS:
            if (edit_) ::SetFocus(edit_);
            return 0;
        // A disabled or read-only box asks with WM_CTLCOLORSTATIC.
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            if (edit_ && reinterpret_cast<HWND>(lp) == edit_) return ColourEdit(reinterpret_cast<HDC>(wp));
            return Default(msg, wp, lp);
        default:
            return Default(msg, wp, lp);
    }
}

void HotKey::OnDestroyed() {
    // The host went first: the text box is gone with this window (its hook
    // let go of it on the way out).
    edit_ = nullptr;
}

}  // namespace vellumo::win

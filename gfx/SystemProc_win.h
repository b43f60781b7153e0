// A function of a system DLL that is loaded on first use rather than imported,
// so that loading it cannot delay the first frame of a capture. The DLL stays
// loaded; callers keep the result in a static.
#pragma once
#include <windows.h>

#include <commctrl.h>

namespace vellumo::win {

template <typename Fn>
Fn SystemProc(const wchar_t* dll, const char* name) {
    HMODULE module = ::LoadLibraryW(dll);
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

// The common control classes (tooltips and the like), from comctl32 loaded on
// first use. False when they cannot be had; a tooltip is then just missing.
inline bool InitCommonControlClasses(DWORD classes) {
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    static const auto init = SystemProc<InitFn>(L"comctl32.dll", "InitCommonControlsEx");
    if (!init) return false;
    const INITCOMMONCONTROLSEX icc{sizeof(icc), classes};
    return init(&icc) != FALSE;
}

}  // namespace vellumo::win

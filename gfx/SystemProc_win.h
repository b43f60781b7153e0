// A function of a system DLL that is loaded on first use rather than imported,
// so that loading it cannot delay the first frame of a capture. The DLL stays
// loaded; callers keep the result in a static.
#pragma once
#include <windows.h>

namespace vellumo::win {

template <typename Fn>
Fn SystemProc(const wchar_t* dll, const char* name) {
    HMODULE module = ::LoadLibraryW(dll);
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

}  // namespace vellumo::win

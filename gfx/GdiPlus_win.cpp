#include "gfx/GdiPlus_win.h"

#include <string>

#include "gfx/Log_win.h"

namespace vellumo::win {

namespace {
GdiPlusApi g_api;
bool g_loadTried = false;
ULONG_PTR g_session = 0;

bool LoadApi() {
    if (g_loadTried) return g_api.loaded;
    g_loadTried = true;
    // Kept loaded for the life of the process: GDI+ objects outlive any one caller.
    HMODULE dll = ::LoadLibraryW(L"gdiplus.dll");
    if (!dll) return false;
    GdiPlusApi api;
    bool complete = true;
#define VELLUMO_GDIPLUS_RESOLVE(name)                                                           \
    api.name = reinterpret_cast<gdiplus_detail::name##_t>(                                      \
        reinterpret_cast<void*>(::GetProcAddress(dll, #name)));                                 \
    complete = complete && api.name != nullptr;
    VELLUMO_GDIPLUS_FUNCTIONS(VELLUMO_GDIPLUS_RESOLVE)
#undef VELLUMO_GDIPLUS_RESOLVE
    if (!complete) return false;
    api.loaded = true;
    g_api = api;
    return true;
}
}  // namespace

const GdiPlusApi& GdiPlus() { return g_api; }

bool EnsureGdiPlus() {
    if (g_session) return true;
    if (!LoadApi()) {
        LogFailure(L"gdiplus.dll could not be loaded");
        return false;
    }
    gp::GdiplusStartupInput input;  // version 1, no callback, background thread on
    const gp::Status status = g_api.GdiplusStartup(&g_session, &input, nullptr);
    if (status != gp::Ok) {
        g_session = 0;
        LogFailure((L"GdiplusStartup failed with status " + std::to_wstring(status)).c_str());
        return false;
    }
    return true;
}

bool GdiPlusReady() { return g_session != 0; }

}  // namespace vellumo::win

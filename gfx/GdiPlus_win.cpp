#include "gfx/GdiPlus_win.h"

namespace vellumo::win {

namespace {
GdiPlusApi g_api;
bool g_loadTried = false;
int g_sessions = 0;

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

ULONG_PTR StartGdiPlus() {
    if (!LoadApi()) return 0;
    gp::GdiplusStartupInput input;  // version 1, no callback, background thread on
    ULONG_PTR token = 0;
    if (g_api.GdiplusStartup(&token, &input, nullptr) != gp::Ok) return 0;
    ++g_sessions;
    return token;
}

void StopGdiPlus(ULONG_PTR& token) {
    if (!token || !g_api.loaded) return;
    g_api.GdiplusShutdown(token);
    token = 0;
    --g_sessions;
}

bool GdiPlusReady() { return g_api.loaded && g_sessions > 0; }

}  // namespace vellumo::win

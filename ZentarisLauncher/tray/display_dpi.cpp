#include "display_dpi.h"

#include "display_scale.h"
#include "unique_handle.h"

namespace {

// Looked up at run time: Windows 7 has neither call, and an import of either
// would stop the program from loading there.
using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using GetDpiForMonitorCall = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int EffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

template <typename Call>
Call Lookup(HMODULE module, const char* name)
{
    // Through void(*)(): the documented way to cast between function types.
    return module ? reinterpret_cast<Call>(reinterpret_cast<void (*)()>(GetProcAddress(module, name))) : nullptr;
}

UINT SystemDpi()
{
    const auto screen = zentaris::UniqueWindowDc::Get(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : zentaris::BaseDpi;
}

GetDpiForMonitorCall MonitorDpiCall()
{
    // shcore stays loaded for the process: the pointer must stay valid.
    static const auto call = [] {
        HMODULE shcore = LoadLibraryExA("shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return Lookup<GetDpiForMonitorCall>(shcore, "GetDpiForMonitor");
    }();
    return call;
}

}  // namespace

UINT DpiAtPointer()
{
    UINT x = 0, y = 0;
    if (const GetDpiForMonitorCall call = MonitorDpiCall()) {
        POINT pointer{};
        GetCursorPos(&pointer);
        HMONITOR monitor = MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST);
        if (SUCCEEDED(call(monitor, EffectiveDpi, &x, &y)) && y > 0) return y;
    }
    return SystemDpi();
}

UINT DpiOfWindow(HWND window)
{
    static const auto call = Lookup<GetDpiForWindowCall>(GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    const UINT dpi = call && window ? call(window) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

UINT DpiOfMenuDc(HDC dc)
{
    if (HWND window = WindowFromDC(dc)) return DpiOfWindow(window);
    return DpiAtPointer();
}

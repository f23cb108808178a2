// The tray window's own messages, and how a worker hands a result to the UI
// thread: as an owned pointer in a posted message, which the window takes
// over, or which is freed here when the post fails (the window is gone).
#pragma once

#include <windows.h>

#include <memory>

// The icon's callback: wParam its id, lParam the mouse message.
inline constexpr UINT WM_TRAYICON = WM_USER + 1;
inline constexpr UINT TrayIconId = 1;
// lParam: a DownloadCatalog, the list as read.
inline constexpr UINT WM_TRAY_DOWNLOADS = WM_APP + 1;
// lParam: a NewsImage that passed its check.
inline constexpr UINT WM_TRAY_NEWS = WM_APP + 2;
// lParam: an UpdateReport, what an update check came to.
inline constexpr UINT WM_TRAY_UPDATE = WM_APP + 3;

template <class T>
bool PostOwned(HWND window, UINT message, std::unique_ptr<T> value)
{
    if (!window || !PostMessageA(window, message, 0, reinterpret_cast<LPARAM>(value.get()))) return false;
    value.release();
    return true;
}

template <class T>
std::unique_ptr<T> TakePosted(LPARAM lParam)
{
    return std::unique_ptr<T>(reinterpret_cast<T*>(lParam));
}

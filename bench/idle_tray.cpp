// An idle tray program and nothing more: a hidden message window, one tray
// icon, and GetMessage. Whatever it costs while idle is the platform's.
// Ends on WM_CLOSE (or when its process is ended).
#include <windows.h>
#include <shellapi.h>

#include <cstring>

namespace {

constexpr UINT TrayMessage = WM_APP + 1;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "ZentarisBenchIdle";
    if (!RegisterClassA(&windowClass)) return 1;
    HWND window = CreateWindowA("ZentarisBenchIdle", "Zentaris bench idle", 0, 0, 0, 0, 0, nullptr, nullptr,
                                instance, nullptr);
    if (!window) return 1;

    NOTIFYICONDATAA icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    icon.uCallbackMessage = TrayMessage;
    icon.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    std::strcpy(icon.szTip, "idle");
    Shell_NotifyIconA(NIM_ADD, &icon);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    Shell_NotifyIconA(NIM_DELETE, &icon);
    return 0;
}

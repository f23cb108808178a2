// Tray mode: the hidden message window, the notification-area icon, the
// message loop and the actions behind the menu commands.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <optional>
#include <string>

#include "application_record.h"
#include "game_process.h"
#include "news_popup.h"
#include "owner_draw.h"
#include "tray.h"
#include "tray_menu.h"
#include "unique_handle.h"

namespace {

constexpr WORD IDI_APP = 101;
constexpr char WindowClassName[] = "ZentarisLauncherApplication";
constexpr char WindowTitle[] = "Zentaris MsgWindow";

// Kept for the whole run: removing the icon needs it again.
NOTIFYICONDATAA trayIcon;

#ifndef _WIN64
static_assert(sizeof(NOTIFYICONDATAA) == 508, "the full ANSI record, balloon icon included");
#endif

// Nobody waits for a worker: its handle goes at once.
void StartWorker(LPTHREAD_START_ROUTINE procedure)
{
    zentaris::UniqueKernelHandle thread(CreateThread(nullptr, 0, procedure, nullptr, 0, nullptr));
}

HICON LoadAppIcon(HINSTANCE instance)
{
    return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
}

void RegisterTrayClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = TrayWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadAppIcon(instance);
    windowClass.hIconSm = LoadAppIcon(instance);
    windowClass.hCursor = GetCursor();
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszClassName = WindowClassName;
    RegisterClassExA(&windowClass);
}

void AddTrayIcon(HINSTANCE instance, HWND window)
{
    trayIcon = NOTIFYICONDATAA{};
    trayIcon.cbSize = sizeof trayIcon;
    trayIcon.hWnd = window;
    trayIcon.uID = TrayIconId;
    trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIcon.uCallbackMessage = WM_TRAYICON;
    trayIcon.hIcon = LoadAppIcon(instance);
    lstrcpynA(trayIcon.szTip, "Zentaris", sizeof trayIcon.szTip);
    Shell_NotifyIconA(NIM_ADD, &trayIcon);
}

void OnTrayIcon(HWND window, WPARAM id, LPARAM mouseMessage)
{
    if (id != TrayIconId) return;
    if (mouseMessage == WM_LBUTTONUP || mouseMessage == WM_RBUTTONUP) ShowTrayMenu(window);
}

// Entry i of a catalog has the id first + i; the ids just before and just
// after a range (2000, 3000, 4000, 5000) belong to no entry.
bool InCatalogRange(UINT id, UINT first)
{
    return id >= first && id < first + CatalogCapacity;
}

void RunTrayCommand(UINT id)
{
    if (id == IDM_EXIT) {
        Shell_NotifyIconA(NIM_DELETE, &trayIcon);
        PostQuitMessage(0);
    } else if (id == IDM_NEWS) {
        StartWorker(NewsThread);
    } else if (InCatalogRange(id, IDM_FEATURE_FIRST)) {
        OpenFeatureLink(id - IDM_FEATURE_FIRST);
    } else if (InCatalogRange(id, IDM_GAME_FIRST)) {
        StartMenuGame(id - IDM_GAME_FIRST);
    } else if (InCatalogRange(id, IDM_DOWNLOAD_FIRST)) {
        OpenDownloadLink(id - IDM_DOWNLOAD_FIRST);
    }
}

// Links come from the portal and from records other software may write;
// the shell would run anything else it is handed.
void OpenUrl(const char* url)
{
    if (!url || !IsOpenableWebLink(url)) return;
    ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
}

// Before any worker thread starts, so that none of their first entries is
// cleared behind their back.
void ResetTrayTables()
{
    DestroyTrayMenu();
    trayCatalog.Clear();
    downloadCatalog.Clear();
}

// The loop ends with "Salir", which removes the icon; removing it again here
// covers a loop ended by an error.
void RunMessageLoop(HINSTANCE instance, HWND window)
{
    AddTrayIcon(instance, window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    Shell_NotifyIconA(NIM_DELETE, &trayIcon);
}

}  // namespace

void OpenFeatureLink(int index)
{
    OpenUrl(trayCatalog.FeatureLink(index));
}

void OpenDownloadLink(int index)
{
    const char* url = downloadCatalog.Url(index);
    if (!url) return;
    if (const std::optional<std::string> link = DownloadLinkToOpen(url)) OpenUrl(link->c_str());
}

void StartMenuGame(int index)
{
    const char* command = trayCatalog.GameCommand(index);
    if (!command) return;
    // The executable as the icon scan reads it; StartGameProcess refuses what
    // the platform itself would reach over the network.
    if (IsNetworkPath(ApplicationExecutablePath(command))) return;
    StartGameProcess(command, trayCatalog.GameDir(index));
}

LRESULT CALLBACK TrayWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TRAYICON:
        OnTrayIcon(window, wParam, lParam);
        break;
    case WM_MENUSELECT:
        if (HIWORD(wParam) == 0xFFFF) DestroyTrayMenu();
        break;
    case WM_COMMAND:
        RunTrayCommand(LOWORD(wParam));
        break;
    case WM_MEASUREITEM:
        MeasureTrayMenuItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return 0;
    case WM_DRAWITEM:
        DrawTrayMenuItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RunTray(HINSTANCE instance)
{
    ResetTrayTables();
    // Shell "open" may hand the link to a COM-based handler.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    StartWorker(NewsThread);
    StartWorker(DownloadListThread);

    RegisterTrayClass(instance);
    HWND window = CreateWindowExA(0, WindowClassName, WindowTitle, WS_OVERLAPPEDWINDOW, -500, -500, 1, 1, nullptr,
                                  nullptr, instance, nullptr);
    // Without the window there is no icon, no menu and no "Salir": a loop
    // would wait for a quit that nothing can send.
    if (window) RunMessageLoop(instance, window);
    if (SUCCEEDED(com)) CoUninitialize();
}

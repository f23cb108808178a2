// The tray menu: built anew at every click on the icon, tracked at the
// cursor, and destroyed when it closes.
#include "tray_menu.h"

HMENU trayMenu, downloadMenu, featureMenu, gameMenu;

namespace {

// Icons of the program's own entries.
enum : WORD { IDI_DOWNLOADS = 103, IDI_EXIT = 104, IDI_FEATURES = 105, IDI_GAMES = 106, IDI_NEWS = 107 };
enum : int { CategoryDownloads = 1, CategoryFeatures = 2, CategoryGames = 3 };

// True while a menu is tracked: a second click must not rebuild the tables
// that the open menu's items point into.
bool menuShowing;

HICON LoadProgramIcon(WORD id)
{
    return static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
}

void LoadCategoryIcons()
{
    if (menuIcons[IDM_NEWS]) return;
    menuIcons[IDM_NEWS] = LoadProgramIcon(IDI_NEWS);
    menuIcons[IDM_EXIT] = LoadProgramIcon(IDI_EXIT);
    menuIcons[CategoryDownloads] = LoadProgramIcon(IDI_DOWNLOADS);
    menuIcons[CategoryFeatures] = LoadProgramIcon(IDI_FEATURES);
    menuIcons[CategoryGames] = LoadProgramIcon(IDI_GAMES);
}

void AppendSubmenu(HMENU submenu, const char* text)
{
    AppendMenuA(trayMenu, MF_OWNERDRAW | MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), text);
}

}  // namespace

HMENU BuildDownloadMenu()
{
    downloadMenu = CreatePopupMenu();
    const int count = downloadCatalog.Count();
    for (int i = 0; i < count; ++i) {
        const char* name = downloadCatalog.Name(i);
        if (!name) break;
        AppendMenuA(downloadMenu, MF_OWNERDRAW, IDM_DOWNLOAD_FIRST + i, name);
    }
    return downloadMenu;
}

void DestroyTrayMenu()
{
    // The top menu takes its submenus with it.
    if (trayMenu) DestroyMenu(trayMenu);
    trayMenu = downloadMenu = featureMenu = gameMenu = nullptr;
}

void ShowTrayMenu()
{
    if (menuShowing) return;
    DestroyTrayMenu();
    POINT cursor{};
    GetCursorPos(&cursor);
    trayMenu = CreatePopupMenu();
    AppendSubmenu(BuildDownloadMenu(), DownloadMenuText);
    AppendSubmenu(BuildFeatureMenu(), FeatureMenuText);
    AppendSubmenu(BuildGameMenu(), GameMenuText);
    AppendMenuA(trayMenu, MF_OWNERDRAW, IDM_NEWS, NewsItemText);
    AppendMenuA(trayMenu, MF_SEPARATOR | MF_OWNERDRAW, 0, "");
    AppendMenuA(trayMenu, MF_OWNERDRAW, IDM_EXIT, ExitItemText);
    LoadCategoryIcons();

    menuShowing = true;
    SetForegroundWindow(trayWindow);
    TrackPopupMenu(trayMenu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, trayWindow, nullptr);
    menuShowing = false;
    PostMessageA(trayWindow, WM_NULL, 0, 0);
}

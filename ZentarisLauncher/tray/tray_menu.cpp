// The tray menu: built anew at every click on the icon, tracked at the
// cursor, and destroyed when it closes.
#include "tray_menu.h"

namespace {

// The top menu of the last showing; it takes its submenus with it.
HMENU trayMenu;

// True while a menu is tracked: a second click must not rebuild the tables
// that the open menu's items point into.
bool menuShowing;

HICON LoadProgramIcon(WORD id, int size)
{
    return static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

// The news entry's icon stands for all of them.
void LoadCategoryIcons()
{
    // Loaded again only when the menu opens at another scale.
    static int loadedSize = 0;
    const int size = MenuIconSizeHere();
    if (size == loadedSize && trayCatalog.MenuIcon(IDM_NEWS)) return;
    for (const ProgramIcon& icon : ProgramIcons) {
        if (HICON old = trayCatalog.MenuIcon(icon.slot)) DestroyIcon(old);
        trayCatalog.SetMenuIcon(icon.slot, LoadProgramIcon(icon.resource, size));
    }
    loadedSize = size;
}

void AppendSubmenu(HMENU submenu, const char* text)
{
    AppendMenuA(trayMenu, MF_OWNERDRAW | MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), text);
}

}  // namespace

HMENU BuildDownloadMenu()
{
    HMENU menu = CreatePopupMenu();
    const int count = downloadCatalog.Count();
    for (int i = 0; i < count; ++i) {
        const char* name = downloadCatalog.Name(i);
        if (!name) break;
        AppendMenuA(menu, MF_OWNERDRAW, IDM_DOWNLOAD_FIRST + i, name);
    }
    return menu;
}

void DestroyTrayMenu()
{
    if (trayMenu) DestroyMenu(trayMenu);
    trayMenu = nullptr;
}

void ShowTrayMenu(HWND owner)
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
    SetForegroundWindow(owner);
    TrackPopupMenu(trayMenu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, owner, nullptr);
    menuShowing = false;
    PostMessageA(owner, WM_NULL, 0, 0);
}

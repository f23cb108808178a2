// State that the tray's menu side and its drawing and news side share.
#pragma once

#include <windows.h>

// Menu command ids. Entry i of a catalog table (0 to 998) gets base + i.
enum TrayCommand : UINT {
    IDM_EXIT = 1000,           // "Salir"
    IDM_NEWS = 1001,           // "Mostrar Noticias nuevamente"
    IDM_FEATURE_FIRST = 2001,  // a game's portal page
    IDM_GAME_FIRST = 3001,     // a game
    IDM_DOWNLOAD_FIRST = 4001, // a game client to download
};

inline constexpr int CatalogCapacity = 999;
inline constexpr int MenuIconCount = 5000;

// Icons of the menu entries, indexed by command id, or by the menu category
// (1 to 3) for the three submenu entries. Null where an entry has none.
extern HICON menuIcons[MenuIconCount];

// The tray menu's own entries: their texts, the icon category of the three
// submenu entries, the command ids and the program icons they show. The menu
// model is built from these, so a text changed here changes what is painted
// and what assistive technology reads. Free of windows.h: the model is
// tested on the host.
#pragma once

#include <cstdint>

// Item texts, Windows-1252: the í of "Características" is the byte 0xED.
inline constexpr char DownloadMenuText[] = "Descargar game client";
inline constexpr char FeatureMenuText[] = "Caracter\xEDsticas de zentaris";
inline constexpr char GameMenuText[] = "Iniciar Juego";
inline constexpr char NewsItemText[] = "Mostrar Noticias nuevamente";
inline constexpr char ExitItemText[] = "Salir";

// Icon slots 1 to 3 belong to the three submenu entries.
enum TrayMenuCategory : int32_t {
    CategoryNone = 0,
    CategoryDownloads = 1,
    CategoryFeatures = 2,
    CategoryGames = 3,
};

struct SubmenuEntry {
    TrayMenuCategory category;
    const char* text;
};

// In menu order.
inline constexpr SubmenuEntry SubmenuEntries[] = {
    {CategoryDownloads, DownloadMenuText},
    {CategoryFeatures, FeatureMenuText},
    {CategoryGames, GameMenuText},
};

// Menu command ids. Entry i of a catalog table (0 to 998) gets base + i.
enum TrayCommand : uint32_t {
    IDM_EXIT = 1000,           // "Salir"
    IDM_NEWS = 1001,           // "Mostrar Noticias nuevamente"
    IDM_FEATURE_FIRST = 2001,  // a game's portal page
    IDM_GAME_FIRST = 3001,     // a game
    IDM_DOWNLOAD_FIRST = 4001, // a game client to download
};

// The entries whose icon is the program's own: an icon resource (16 x 16
// used) for an icon slot, in the order they are loaded. Resources: 103
// downloads, 104 exit, 105 features, 106 games, 107 news.
struct ProgramIcon {
    int32_t slot;
    uint16_t resource;
};
inline constexpr ProgramIcon ProgramIcons[] = {
    {IDM_NEWS, 107}, {IDM_EXIT, 104}, {CategoryDownloads, 103}, {CategoryFeatures, 105}, {CategoryGames, 106},
};

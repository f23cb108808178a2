// The tray menu's own entries: their texts, the icon category of the three
// submenu entries and the program icons they show. The menu is built from
// these and painted by them, so a text changed here changes both. Free of
// windows.h: the painting's category rule is tested on the host.
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

// The program's icon resources for the menu's own entries.
enum TrayMenuIconResource : uint16_t {
    IDI_DOWNLOADS = 103,
    IDI_EXIT = 104,
    IDI_FEATURES = 105,
    IDI_GAMES = 106,
    IDI_NEWS = 107,
};

struct SubmenuEntry {
    TrayMenuCategory category;
    const char* text;
    TrayMenuIconResource icon;
};

// In menu order.
inline constexpr SubmenuEntry SubmenuEntries[] = {
    {CategoryDownloads, DownloadMenuText, IDI_DOWNLOADS},
    {CategoryFeatures, FeatureMenuText, IDI_FEATURES},
    {CategoryGames, GameMenuText, IDI_GAMES},
};

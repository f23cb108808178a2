// The tables behind the tray menu's feature and game submenus, the modules
// their icons come from and the icon of every menu entry. UI thread only;
// the download tables are a DownloadCatalog of their own.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

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

// Entry i belongs to the application record at enumeration index i. The
// texts are rebuilt at every showing of the menu; a stored text stays in
// place until its table is cleared, so the menu carries it as item data.
class TrayCatalog {
public:
    TrayCatalog() = default;
    TrayCatalog(const TrayCatalog&) = delete;
    TrayCatalog& operator=(const TrayCatalog&) = delete;

    // Empties every table and forgets every icon. The modules stay loaded;
    // only their slots are emptied, so that a position is scanned again for
    // the icon just forgotten.
    void Clear();

    // The feature submenu: a record's web link and its name.
    void ClearFeatures();
    void SetFeatureLink(int index, std::string link);
    const char* SetFeatureName(int index, std::string name);  // the stored text
    const char* FeatureLink(int index) const;                // null when not set

    // The game submenu: a record's command line, working folder and name.
    void ClearGames();
    const char* SetGameCommand(int index, std::string command);  // the stored text
    void SetGameDir(int index, std::string dir);
    const char* SetGameName(int index, std::string name);  // the stored text
    const char* GameCommand(int index) const;              // null when not set
    const char* GameDir(int index) const;                  // null when not set

    // Gives the entry the first icon of its executable. Each position loads
    // its executable once and keeps it: a position whose module is loaded is
    // not scanned again, even for another application.
    void ScanFeatureIcon(int index, const std::string& executable);
    void ScanGameIcon(int index, const std::string& executable);

    // Icons by command id, or by category (1 to 3) for the submenu entries.
    // Null where an entry has none, and outside the table.
    HICON MenuIcon(int slot) const;
    void SetMenuIcon(int slot, HICON icon);

private:
    using Text = std::optional<std::string>;

    Text featureLinks_[CatalogCapacity];
    Text featureNames_[CatalogCapacity];
    Text gameCommands_[CatalogCapacity];
    Text gameDirs_[CatalogCapacity];
    Text gameNames_[CatalogCapacity];
    // Executables loaded as data files for their icons: kept for the life
    // of the process, never freed.
    HMODULE featureModulesForProcessLife_[CatalogCapacity] = {};
    HMODULE gameModulesForProcessLife_[CatalogCapacity] = {};
    HICON menuIcons_[MenuIconCount] = {};
};

// The tray's one catalog: filled by the menu, read by its commands and by
// the painting of its items.
extern TrayCatalog trayCatalog;

// The tables behind the tray menu's feature and game submenus, the modules
// their icons come from and the icon of every menu entry. UI thread only;
// the download tables are a DownloadCatalog of their own.
#pragma once

#include <windows.h>

#include "display_scale.h"

#include <optional>
#include <string>
#include <utility>

#include "tray_menu_entries.h"

inline constexpr int CatalogCapacity = 999;
inline constexpr int MenuIconCount = 5000;

// Menu icons are 16 x 16 at 96 DPI, loaded at the size of the scale they
// show at rather than stretched.
inline int MenuIconSize(UINT dpi) { return zentaris::ScaleForDpi(16, dpi); }
// The size for a menu opening now, at the pointer.
int MenuIconSizeHere();

// Entry i belongs to the application record at enumeration index i. The
// texts are rebuilt at every showing of the menu; a stored text stays in
// place until its table is cleared, so the menu carries it as item data.
class TrayCatalog {
public:
    using Text = std::optional<std::string>;

    // Empties every table and forgets every icon. The modules stay loaded;
    // only their slots are emptied, so that a position is scanned again for
    // the icon just forgotten.
    void Clear();

    // Each Set stores its text, or empties the slot for none, and answers
    // the stored text (null for none).

    // The feature submenu: a record's web link and its name.
    void ClearFeatures();
    const char* SetFeatureLink(int index, Text link) { return Store(features_[index].link, std::move(link)); }
    const char* SetFeatureName(int index, Text name) { return Store(features_[index].name, std::move(name)); }
    const char* FeatureLink(int index) const { return InCatalog(index) ? Get(features_[index].link) : nullptr; }

    // The game submenu: a record's command line, working folder and name.
    void ClearGames();
    const char* SetGameCommand(int index, Text command) { return Store(games_[index].command, std::move(command)); }
    const char* SetGameDir(int index, Text dir) { return Store(games_[index].dir, std::move(dir)); }
    const char* SetGameName(int index, Text name) { return Store(games_[index].name, std::move(name)); }
    const char* GameCommand(int index) const { return InCatalog(index) ? Get(games_[index].command) : nullptr; }
    const char* GameDir(int index) const { return InCatalog(index) ? Get(games_[index].dir) : nullptr; }

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
    static bool InCatalog(int index) { return index >= 0 && index < CatalogCapacity; }
    static const char* Get(const Text& text) { return text ? text->c_str() : nullptr; }
    static const char* Store(Text& slot, Text text)
    {
        slot = std::move(text);
        return Get(slot);
    }

    struct FeatureEntry {
        Text link, name;
    };
    struct GameEntry {
        Text command, dir, name;
    };

    FeatureEntry features_[CatalogCapacity];
    GameEntry games_[CatalogCapacity];
    // Executables loaded as data files for their icons: kept for the life
    // of the process, never freed.
    HMODULE featureModulesForProcessLife_[CatalogCapacity] = {};
    HMODULE gameModulesForProcessLife_[CatalogCapacity] = {};
    HICON menuIcons_[MenuIconCount] = {};
};

// The tray's one catalog: filled by the menu, read by its commands and by
// the painting of its items.
extern TrayCatalog trayCatalog;

// The tables behind the tray menu's feature and game submenus: what the
// application records gave, by enumeration index. Portable (no windows.h):
// which record is listed is decided here and tested on the host; the icons
// the entries show are the menu's (menu_icons.h).
#pragma once

#include <optional>
#include <string>
#include <utility>

inline constexpr int CatalogCapacity = 999;

// One application record as the tray reads it. Texts read whole, except
// those the launcher reads into its text buffer, which are missing when
// they do not fit there.
struct RecordFields {
    std::optional<std::string> webLink;        // whole
    std::optional<std::string> appName;        // through the buffer
    std::optional<std::string> app;            // whole: the game's command line
    std::optional<std::string> appInBuffer;    // through the buffer: the feature entry's icon
    std::optional<std::string> apath;          // whole
    bool noLaunch = false;                     // "NOLAUNCH" present, of any type
};

// Entry i belongs to the application record at enumeration index i. A
// stored text stays in place until its table is cleared.
class TrayCatalog {
public:
    using Text = std::optional<std::string>;

    void Clear()
    {
        ClearFeatures();
        ClearGames();
    }
    void ClearFeatures();
    void ClearGames();

    // Stores what record i gives, each text in turn until one is missing: a
    // failure at any step keeps what the steps before it stored, so a record
    // without "APPNAME" is not listed but its link stays behind its unused
    // id. Answers the executable whose first icon the entry shows, when the
    // entry is listed and names one; an empty text for none.
    std::string AddFeature(int index, const RecordFields& record);
    std::string AddGame(int index, const RecordFields& record);

    // Null outside the table and where the record gave none. An entry with
    // a name is listed.
    const char* FeatureLink(int index) const { return InCatalog(index) ? Get(features_[index].link) : nullptr; }
    const char* FeatureName(int index) const { return InCatalog(index) ? Get(features_[index].name) : nullptr; }
    const char* GameCommand(int index) const { return InCatalog(index) ? Get(games_[index].command) : nullptr; }
    const char* GameDir(int index) const { return InCatalog(index) ? Get(games_[index].dir) : nullptr; }
    const char* GameName(int index) const { return InCatalog(index) ? Get(games_[index].name) : nullptr; }

private:
    static bool InCatalog(int index) { return index >= 0 && index < CatalogCapacity; }
    static const char* Get(const Text& text) { return text ? text->c_str() : nullptr; }

    struct FeatureEntry {
        Text link, name;
    };
    struct GameEntry {
        Text command, dir, name;
    };

    FeatureEntry features_[CatalogCapacity];
    GameEntry games_[CatalogCapacity];
};

#include "tray_catalog.h"

#include "application_record.h"
#include "display_dpi.h"

TrayCatalog trayCatalog;

namespace {

constexpr int IconScanLastId = 1024;
using IconIds = bool[IconScanLastId + 1];

BOOL CALLBACK CollectIconId(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    const ULONG_PTR id = reinterpret_cast<ULONG_PTR>(name);
    if (IS_INTRESOURCE(name) && id >= 1 && id <= IconScanLastId) (*reinterpret_cast<IconIds*>(param))[id] = true;
    return TRUE;
}

// The first icon of the executable at path, at the menu's icon size where it
// has that size.
// The module slot takes what the load gives, even nothing.
void ScanExecutableIcon(const char* path, HMODULE* moduleSlot, HICON* iconSlot)
{
    // Loading a file from another machine, even as data, reaches out to it;
    // the slot stays empty, so the entry just has no icon.
    if (IsNetworkPath(path)) {
        *moduleSlot = nullptr;
        return;
    }
    *moduleSlot = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    // Without a module the resource calls would look at the system's own
    // images instead of the game's.
    if (!*moduleSlot) return;
    // Only ids the file holds can give an icon: asking for each of the 1024
    // ids in turn would cost seconds for a file without icons.
    IconIds ids{};
    EnumResourceNamesA(*moduleSlot, RT_GROUP_ICON, CollectIconId, reinterpret_cast<LONG_PTR>(&ids));
    const int size = MenuIconSizeHere();
    for (int id = 1; id <= IconScanLastId; ++id) {
        if (!ids[id]) continue;
        HANDLE icon = LoadImageA(*moduleSlot, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR);
        if (!icon) icon = LoadImageA(*moduleSlot, MAKEINTRESOURCEA(id), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR);
        if (icon) {
            *iconSlot = static_cast<HICON>(icon);
            return;
        }
    }
}

}  // namespace

int MenuIconSizeHere() { return MenuIconSize(DpiAtPointer()); }

void TrayCatalog::Clear()
{
    ClearFeatures();
    ClearGames();
    for (HICON& icon : menuIcons_) icon = nullptr;
    for (int i = 0; i < CatalogCapacity; ++i) featureModulesForProcessLife_[i] = gameModulesForProcessLife_[i] = nullptr;
}

void TrayCatalog::ClearFeatures()
{
    for (FeatureEntry& entry : features_) entry = {};
}

void TrayCatalog::ClearGames()
{
    for (GameEntry& entry : games_) entry = {};
}

void TrayCatalog::ScanFeatureIcon(int index, const std::string& executable)
{
    if (featureModulesForProcessLife_[index]) return;
    ScanExecutableIcon(executable.c_str(), &featureModulesForProcessLife_[index],
                       &menuIcons_[IDM_FEATURE_FIRST + index]);
}

void TrayCatalog::ScanGameIcon(int index, const std::string& executable)
{
    if (gameModulesForProcessLife_[index]) return;
    ScanExecutableIcon(executable.c_str(), &gameModulesForProcessLife_[index], &menuIcons_[IDM_GAME_FIRST + index]);
}

HICON TrayCatalog::MenuIcon(int slot) const
{
    return slot >= 0 && slot < MenuIconCount ? menuIcons_[slot] : nullptr;
}

void TrayCatalog::SetMenuIcon(int slot, HICON icon)
{
    if (slot >= 0 && slot < MenuIconCount) menuIcons_[slot] = icon;
}

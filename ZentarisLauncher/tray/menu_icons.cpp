#include "menu_icons.h"

#include "application_record.h"
#include "display_dpi.h"

namespace {

constexpr int IconScanLastId = 1024;
using IconIds = bool[IconScanLastId + 1];

BOOL CALLBACK CollectIconId(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    const ULONG_PTR id = reinterpret_cast<ULONG_PTR>(name);
    if (IS_INTRESOURCE(name) && id >= 1 && id <= IconScanLastId) (*reinterpret_cast<IconIds*>(param))[id] = true;
    return TRUE;
}

// The first icon of the module, at the menu's icon size where it has that
// size. Only ids the file holds can give an icon: asking for each of the
// 1024 ids in turn would cost seconds for a file without icons.
HICON FirstIcon(HMODULE module)
{
    IconIds ids{};
    EnumResourceNamesA(module, RT_GROUP_ICON, CollectIconId, reinterpret_cast<LONG_PTR>(&ids));
    const int size = MenuIconSizeHere();
    for (int id = 1; id <= IconScanLastId; ++id) {
        if (!ids[id]) continue;
        HANDLE icon = LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR);
        if (!icon) icon = LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR);
        if (icon) return static_cast<HICON>(icon);
    }
    return nullptr;
}

}  // namespace

int MenuIconSizeHere() { return MenuIconSize(DpiAtPointer()); }

void MenuIcons::LoadProgramIcons(HINSTANCE program)
{
    const int size = MenuIconSizeHere();
    if (size == programIconSize_ && Icon(IDM_NEWS)) return;
    for (const ProgramIcon& icon : ProgramIcons) {
        SetIcon(icon.slot, static_cast<HICON>(LoadImageA(program, MAKEINTRESOURCEA(icon.resource), IMAGE_ICON, size,
                                                         size, LR_DEFAULTCOLOR)));
    }
    programIconSize_ = size;
}

void MenuIcons::ScanFeatureIcon(int index, const std::string& executable)
{
    if (index >= 0 && index < CatalogCapacity) Scan(executable, featureModules_[index], IDM_FEATURE_FIRST + index);
}

void MenuIcons::ScanGameIcon(int index, const std::string& executable)
{
    if (index >= 0 && index < CatalogCapacity) Scan(executable, gameModules_[index], IDM_GAME_FIRST + index);
}

// The module slot takes what the load gives, even nothing: a position that
// could not be loaded is tried again at the next showing.
void MenuIcons::Scan(const std::string& executable, zentaris::UniqueModule& module, int32_t slot)
{
    if (module || executable.empty()) return;
    // Loading a file from another machine, even as data, reaches out to it;
    // the entry just has no icon.
    if (IsNetworkPath(executable)) return;
    module.reset(LoadLibraryExA(executable.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    // Without a module the resource calls would look at the system's own
    // images instead of the game's.
    if (module) SetIcon(slot, FirstIcon(module.get()));
}

HICON MenuIcons::Icon(int32_t slot) const
{
    return slot >= 0 && slot < MenuIconCount ? icons_[slot].get() : nullptr;
}

void MenuIcons::SetIcon(int32_t slot, HICON icon)
{
    if (slot >= 0 && slot < MenuIconCount) {
        icons_[slot].reset(icon);
    } else if (icon) {
        DestroyIcon(icon);
    }
}

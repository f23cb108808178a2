#include "tray_menu.h"

#include <string>
#include <string_view>

#include "application_record.h"
#include "owner_draw.h"

namespace {

zentaris::UniqueMenu Render(const std::vector<TrayMenuItem>& items);

// Every item is owner-drawn and still carries its text, which is what
// assistive technology reads (GetMenuString, GetMenuItemInfo) and what
// the letters typed in the menu are matched against. The item's data is
// its model entry, which the painting reads.
bool Append(HMENU menu, const TrayMenuItem& item)
{
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID;
    info.fType = MFT_OWNERDRAW;
    info.dwItemData = reinterpret_cast<ULONG_PTR>(&item);
    info.wID = item.command;
    if (item.kind == TrayMenuItem::Kind::Separator) {
        info.fType |= MFT_SEPARATOR;
    } else {
        info.fMask |= MIIM_STRING;
        info.dwTypeData = const_cast<char*>(item.text.c_str());
    }
    zentaris::UniqueMenu submenu;
    if (item.kind == TrayMenuItem::Kind::Submenu) {
        submenu = Render(item.children);
        if (!submenu) return false;
        info.fMask |= MIIM_SUBMENU;
        info.hSubMenu = submenu.get();
    }
    if (!InsertMenuItemA(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &info)) return false;
    submenu.release();  // destroyed with its parent from now on
    return true;
}

// Null when any part could not be made: a menu with entries missing is not
// shown.
zentaris::UniqueMenu Render(const std::vector<TrayMenuItem>& items)
{
    zentaris::UniqueMenu menu(CreatePopupMenu());
    if (!menu) return {};
    for (const TrayMenuItem& item : items) {
        if (!Append(menu.get(), item)) return {};
    }
    return menu;
}

const TrayMenuItem* Entry(ULONG_PTR data) { return reinterpret_cast<const TrayMenuItem*>(data); }

}  // namespace

bool TrayMenu::Show(HWND owner, std::vector<TrayMenuItem> model)
{
    if (showing_) return false;
    model_ = std::move(model);
    const zentaris::UniqueMenu menu = Render(model_);
    if (!menu) return false;
    palette_ = CurrentMenuPalette();
    POINT cursor{};
    GetCursorPos(&cursor);
    showing_ = true;
    // The menu closes when the user clicks elsewhere only if its owner is in
    // the foreground, and the message after it lets a second click open it.
    SetForegroundWindow(owner);
    TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, owner, nullptr);
    showing_ = false;
    PostMessageA(owner, WM_NULL, 0, 0);
    return true;
}

void TrayMenu::Measure(MEASUREITEMSTRUCT* item) const
{
    const TrayMenuItem* entry = Entry(item->itemData);
    MeasureTrayMenuItem(item, entry ? entry->text.c_str() : "");
}

void TrayMenu::Draw(const DRAWITEMSTRUCT* item) const
{
    const TrayMenuItem* entry = Entry(item->itemData);
    if (!entry) return;
    DrawTrayMenuItem(item, entry->text.c_str(), icons_.Icon(entry->iconSlot), palette_);
}

// Owner-drawn items have no underlined letter, so the menu asks its owner
// what a typed character picks; the items' own texts answer.
LRESULT TrayMenu::OnMenuChar(WPARAM typed, HMENU menu) const
{
    const int count = GetMenuItemCount(menu);
    std::vector<std::string> texts(count > 0 ? static_cast<size_t>(count) : 0);
    int highlighted = -1;
    for (int i = 0; i < count; ++i) {
        char text[zentaris::LauncherTextSize] = "";
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING | MIIM_STATE;
        info.dwTypeData = text;
        info.cch = sizeof text;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        if (info.fState & MFS_HILITE) highlighted = i;
        texts[i] = text;
    }
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    const MenuCharChoice choice = ChooseMenuChar(views, static_cast<unsigned char>(LOWORD(typed)), highlighted);
    switch (choice.action) {
    case MenuCharChoice::Action::Execute:
        return MAKELRESULT(choice.index, MNC_EXECUTE);
    case MenuCharChoice::Action::Select:
        return MAKELRESULT(choice.index, MNC_SELECT);
    case MenuCharChoice::Action::Ignore:
        break;
    }
    return MAKELRESULT(0, MNC_IGNORE);
}

// The tray menu as plain values: its entries, their texts, icon slots and
// commands, built from the catalogs at every showing and then rendered by
// the menu (tray_menu.h). Also the two choices the menu makes for everyone
// who uses it: which item a typed letter picks, and which colours it is
// painted in. Free of windows.h: all of it is tested on the host.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tray_menu_entries.h"

class DownloadCatalog;
class TrayCatalog;

// The icon table's size: an id from 0 to 4999 is its own slot, 1 to 3 are
// the submenu entries' categories.
inline constexpr int MenuIconCount = 5000;

struct TrayMenuItem {
    enum class Kind : uint8_t { Command, Submenu, Separator };
    Kind kind = Kind::Command;
    uint32_t command = 0;  // the id a Command sends
    std::string text;      // Windows-1252; what is painted and what assistive technology reads
    int32_t iconSlot = -1; // -1: no icon
    std::vector<TrayMenuItem> children;  // a Submenu's entries
};

// The slot of a command's icon, or -1 where the table has none (id 5000 is
// a valid command id but the table ends at 4999).
int32_t CommandIconSlot(uint32_t command);

// The whole tree in menu order: the three submenus (downloads listed up to
// the first entry without a name, features and games where their record
// gave a name), the news entry, a separator and "Salir".
std::vector<TrayMenuItem> BuildTrayMenuModel(const DownloadCatalog& downloads, const TrayCatalog& records);

// What a typed character does in a menu whose items show `texts` (in menu
// order; a separator's text is empty), with the item at `highlighted` (-1
// for none) selected: the items whose text starts with the character, in
// any case, are candidates. One candidate is picked, as a click would;
// among several the next one after the highlighted item is selected,
// wrapping round; none leaves the menu as it is. Characters are
// Windows-1252, like the texts.
struct MenuCharChoice {
    enum class Action : uint8_t { Ignore, Select, Execute };
    Action action = Action::Ignore;
    int index = -1;
};
MenuCharChoice ChooseMenuChar(const std::vector<std::string_view>& texts, unsigned char typed, int highlighted);

// Colours as 0x00BBGGRR, the platform's own layout.
struct MenuColours {
    uint32_t menu, menuText, highlight, highlightText;
};
// How an item is painted: the product's blue-to-white gradient with black
// text (black with white text when selected), or, when the user has asked
// for High Contrast, the system's menu colours, flat.
struct MenuPalette {
    bool gradient = true;
    uint32_t gradientFrom = 0, gradientTo = 0;  // left and right ends
    uint32_t background = 0, text = 0;          // flat background (no gradient)
    uint32_t selectedBackground = 0, selectedText = 0;
};
MenuPalette ChooseMenuPalette(bool highContrast, const MenuColours& system);

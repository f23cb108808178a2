// Which icon slot a tray menu item paints with. Free of windows.h so that it
// is tested on the host.
#pragma once

#include <cstdint>

#include "tray_menu_entries.h"

// An id from 0 to 5000 is a command id and is its own slot. Anything else is
// a submenu entry, whose id is its submenu's handle: its text decides.
// `itemId` is the draw record's id read as a signed number; `text` may be null.
int32_t TrayMenuItemCategory(int32_t itemId, const char* text);

// The slot of `category` in a table of `tableSize` icons, or -1 when the item
// has no slot there (category 0, or beyond the table: id 5000 is a valid
// command id but the table ends at 4999).
int32_t TrayMenuIconSlot(int32_t category, int32_t tableSize);

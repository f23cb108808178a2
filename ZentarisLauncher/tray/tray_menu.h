// The tray menu as the user sees it: the model rendered into owner-drawn
// menus at every click on the icon, tracked at the cursor, painted from the
// model, and destroyed when it closes. UI thread only.
#pragma once

#include <windows.h>

#include <vector>

#include "menu_icons.h"
#include "tray_catalog.h"
#include "tray_menu_model.h"
#include "unique_handle.h"

class TrayMenu {
public:
    // Renders the model and tracks it at the cursor until it closes; `owner`
    // receives its commands. False when nothing was shown: a menu of an
    // earlier click is still open (its items point into the model it shows),
    // or the menus could not be made.
    bool Show(HWND owner, std::vector<TrayMenuItem> model);
    bool Showing() const { return showing_; }

    // WM_MEASUREITEM, WM_DRAWITEM and WM_MENUCHAR of the owner.
    void Measure(MEASUREITEMSTRUCT* item) const;
    void Draw(const DRAWITEMSTRUCT* item) const;
    LRESULT OnMenuChar(WPARAM typed, HMENU menu) const;

    MenuIcons& Icons() { return icons_; }
    const MenuIcons& Icons() const { return icons_; }

private:
    std::vector<TrayMenuItem> model_;  // each rendered item's data points into it
    MenuIcons icons_;
    MenuPalette palette_;  // chosen at each showing
    bool showing_ = false;
};

// Reads the application records into the catalog, at every showing of the
// menu so that it shows the registry as it is when the icon is clicked, and
// gives each listed entry the icon of its executable.
void ReadApplicationRecords(TrayCatalog& records, MenuIcons& icons);

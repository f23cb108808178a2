// The icons the tray menu shows and the executables they come from: the
// program's own for the fixed entries, the first icon of each record's
// executable for the feature and game entries. UI thread only.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "display_scale.h"
#include "tray_catalog.h"
#include "tray_menu_model.h"
#include "unique_handle.h"

// Menu icons are 16 x 16 at 96 DPI, loaded at the size of the scale they
// show at rather than stretched.
inline int MenuIconSize(UINT dpi) { return zentaris::ScaleForDpi(16, dpi); }
// The size for a menu opening now, at the pointer.
int MenuIconSizeHere();

class MenuIcons {
public:
    // The program's own icons for the fixed entries (ProgramIcons), loaded
    // again only when the menu opens at another scale.
    void LoadProgramIcons(HINSTANCE program);

    // Gives entry `index` the first icon of its executable. Each position
    // loads its executable once and keeps it: a position whose module is
    // loaded is not scanned again, even for another application.
    void ScanFeatureIcon(int index, const std::string& executable);
    void ScanGameIcon(int index, const std::string& executable);

    // Null where a slot has none, and outside the table.
    HICON Icon(int32_t slot) const;
    // Takes the icon into the slot, destroying the one it held.
    void SetIcon(int32_t slot, HICON icon);

private:
    void Scan(const std::string& executable, zentaris::UniqueModule& module, int32_t slot);

    // Heap-held: five thousand slots are too many for a thread's stack.
    std::unique_ptr<zentaris::UniqueIcon[]> icons_ = std::make_unique<zentaris::UniqueIcon[]>(MenuIconCount);
    // Executables loaded as data files for their icons.
    std::unique_ptr<zentaris::UniqueModule[]> featureModules_ =
        std::make_unique<zentaris::UniqueModule[]>(CatalogCapacity);
    std::unique_ptr<zentaris::UniqueModule[]> gameModules_ =
        std::make_unique<zentaris::UniqueModule[]>(CatalogCapacity);
    int programIconSize_ = 0;
};

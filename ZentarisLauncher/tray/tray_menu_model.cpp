#include "tray_menu_model.h"

#include "download_list.h"
#include "tray_catalog.h"

namespace {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

TrayMenuItem Command(uint32_t command, std::string text)
{
    TrayMenuItem item;
    item.command = command;
    item.text = std::move(text);
    item.iconSlot = CommandIconSlot(command);
    return item;
}

TrayMenuItem Submenu(TrayMenuCategory category, std::vector<TrayMenuItem> children)
{
    TrayMenuItem item;
    item.kind = TrayMenuItem::Kind::Submenu;
    item.iconSlot = category;
    for (const SubmenuEntry& entry : SubmenuEntries) {
        if (entry.category == category) item.text = entry.text;
    }
    item.children = std::move(children);
    return item;
}

// Each named entry of a record table, under the id first + index.
template <typename Name>
std::vector<TrayMenuItem> RecordEntries(uint32_t first, Name name)
{
    std::vector<TrayMenuItem> entries;
    for (int i = 0; i < CatalogCapacity; ++i) {
        if (const char* text = name(i)) entries.push_back(Command(first + static_cast<uint32_t>(i), text));
    }
    return entries;
}

// Windows-1252 letters in one case: ASCII, and the accented letters whose
// capitals lie 0x20 below them (0xD7 and 0xF7 are signs, not letters).
unsigned char Fold(unsigned char c)
{
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
    return c;
}

}  // namespace

int32_t CommandIconSlot(uint32_t command)
{
    return command < static_cast<uint32_t>(MenuIconCount) ? static_cast<int32_t>(command) : -1;
}

std::vector<TrayMenuItem> BuildTrayMenuModel(const DownloadCatalog& downloads, const TrayCatalog& records)
{
    std::vector<TrayMenuItem> downloadEntries;
    for (int i = 0; i < downloads.Count(); ++i) {
        const char* name = downloads.Name(i);
        if (!name) break;
        downloadEntries.push_back(Command(IDM_DOWNLOAD_FIRST + static_cast<uint32_t>(i), name));
    }
    std::vector<TrayMenuItem> menu;
    menu.push_back(Submenu(CategoryDownloads, std::move(downloadEntries)));
    menu.push_back(Submenu(CategoryFeatures, RecordEntries(IDM_FEATURE_FIRST, [&](int i) { return records.FeatureName(i); })));
    menu.push_back(Submenu(CategoryGames, RecordEntries(IDM_GAME_FIRST, [&](int i) { return records.GameName(i); })));
    menu.push_back(Command(IDM_NEWS, NewsItemText));
    TrayMenuItem separator;
    separator.kind = TrayMenuItem::Kind::Separator;
    menu.push_back(separator);
    menu.push_back(Command(IDM_EXIT, ExitItemText));
    return menu;
}

MenuCharChoice ChooseMenuChar(const std::vector<std::string_view>& texts, unsigned char typed, int highlighted)
{
    std::vector<int> candidates;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (!texts[i].empty() && Fold(static_cast<unsigned char>(texts[i].front())) == Fold(typed))
            candidates.push_back(static_cast<int>(i));
    }
    if (candidates.empty()) return {};
    if (candidates.size() == 1) return {MenuCharChoice::Action::Execute, candidates.front()};
    for (int index : candidates) {
        if (index > highlighted) return {MenuCharChoice::Action::Select, index};
    }
    return {MenuCharChoice::Action::Select, candidates.front()};
}

MenuPalette ChooseMenuPalette(bool highContrast, const MenuColours& system)
{
    MenuPalette palette;
    if (highContrast) {
        palette.gradient = false;
        palette.background = system.menu;
        palette.text = system.menuText;
        palette.selectedBackground = system.highlight;
        palette.selectedText = system.highlightText;
        return palette;
    }
    palette.gradientFrom = Rgb(0x21, 0x84, 0xE7);
    palette.gradientTo = Rgb(0xFF, 0xFF, 0xFF);
    palette.text = Rgb(0, 0, 0);
    palette.selectedBackground = Rgb(0, 0, 0);
    palette.selectedText = Rgb(0xFF, 0xFF, 0xFF);
    return palette;
}

#include "owner_draw_category.h"

#include <cstring>

namespace {

constexpr int32_t LastCommandId = 5000;

// Windows-1252 text of the submenu entries: the í is the byte 0xED.
constexpr char DownloadsText[] = "Descargar game client";
constexpr char FeaturesText[] = "Caracter\xEDsticas de zentaris";
constexpr char GamesText[] = "Iniciar Juego";

}  // namespace

int32_t TrayMenuItemCategory(int32_t itemId, const char* text)
{
    if (itemId >= 0 && itemId <= LastCommandId) return itemId;
    if (!text) return CategoryNone;
    if (std::strcmp(text, DownloadsText) == 0) return CategoryDownloads;
    if (std::strcmp(text, FeaturesText) == 0) return CategoryFeatures;
    if (std::strcmp(text, GamesText) == 0) return CategoryGames;
    return CategoryNone;
}

int32_t TrayMenuIconSlot(int32_t category, int32_t tableSize)
{
    if (category <= 0 || category >= tableSize) return -1;
    return category;
}

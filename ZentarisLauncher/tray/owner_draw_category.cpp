#include "owner_draw_category.h"

#include <cstring>

namespace {

constexpr int32_t LastCommandId = 5000;

}  // namespace

int32_t TrayMenuItemCategory(int32_t itemId, const char* text)
{
    if (itemId >= 0 && itemId <= LastCommandId) return itemId;
    if (!text) return CategoryNone;
    for (const SubmenuEntry& entry : SubmenuEntries) {
        if (std::strcmp(text, entry.text) == 0) return entry.category;
    }
    return CategoryNone;
}

int32_t TrayMenuIconSlot(int32_t category, int32_t tableSize)
{
    if (category <= 0 || category >= tableSize) return -1;
    return category;
}

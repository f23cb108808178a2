#include <gtest/gtest.h>

#include <cstdint>

#include "owner_draw_category.h"

namespace {

TEST(OwnerDrawCategory, CommandIdsAreTheirOwnSlotAndSubmenuEntriesGoByText)
{
    constexpr int32_t Submenu = 0x0002003A;  // a menu handle as an item id
    const struct {
        int32_t id;
        const char* text;
        int32_t category;
    } cases[] = {
        {1000, "Salir", 1000}, {0, "", 0}, {3999, "Game", 3999}, {4001, "Iniciar Juego", 4001}, {5000, "x", 5000},
        {Submenu, "Descargar game client", 1}, {Submenu, "Caracter\xEDsticas de zentaris", 2},
        {Submenu, "Iniciar Juego", 3}, {-7, "Iniciar Juego", 3}, {5001, "Descargar game client", 1},
        {Submenu, "iniciar juego", 0}, {Submenu, "Caracter\xC3\xADsticas de zentaris", 0},
        {Submenu, "Salir", 0}, {Submenu, nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " " << (c.text ? c.text : "(null)"));
        EXPECT_EQ(TrayMenuItemCategory(c.id, c.text), c.category);
    }
    // Id 5000 is a command id, but the icon table ends at 4999.
    EXPECT_EQ(TrayMenuIconSlot(5000, 5000), -1);
    EXPECT_EQ(TrayMenuIconSlot(4999, 5000), 4999);
    EXPECT_EQ(TrayMenuIconSlot(0, 5000), -1);
}

}  // namespace

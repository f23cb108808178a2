#include <gtest/gtest.h>

#include <cstdint>

#include "owner_draw_category.h"

namespace {

constexpr int32_t SubmenuHandle = 0x0002003A;  // what a menu handle looks like

struct CategoryCase {
    int32_t id;
    const char* text;
    int32_t category;
};

TEST(OwnerDrawCategory, CommandIdsAreTheirOwnSlotAndSubmenusGoByText)
{
    const CategoryCase cases[] = {
        {1000, "Salir", 1000},
        {1001, "Mostrar Noticias nuevamente", 1001},
        {0, "", 0},                                  // separator
        {2001, "Some game", 2001},
        {3999, "Other game", 3999},
        {4001, "Iniciar Juego", 4001},               // an id wins over the text
        {5000, "x", 5000},
        {SubmenuHandle, "Descargar game client", 1},
        {SubmenuHandle, "Caracter\xEDsticas de zentaris", 2},
        {SubmenuHandle, "Iniciar Juego", 3},
        {-7, "Iniciar Juego", 3},                    // a handle read as negative
        {5001, "Descargar game client", 1},
        {SubmenuHandle, "iniciar juego", 0},         // case-sensitive
        {SubmenuHandle, "Iniciar Juego ", 0},
        {SubmenuHandle, "Caracteristicas de zentaris", 0},  // no 0xED
        {SubmenuHandle, "Caracter\xC3\xADsticas de zentaris", 0},  // UTF-8 is not the text
        {SubmenuHandle, "Salir", 0},
        {SubmenuHandle, "", 0},
        {SubmenuHandle, nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "id " << c.id << " text " << (c.text ? c.text : "(null)"));
        EXPECT_EQ(TrayMenuItemCategory(c.id, c.text), c.category);
    }
}

TEST(OwnerDrawCategory, IconSlotStaysInsideTheTable)
{
    const struct {
        int32_t category;
        int32_t slot;
    } cases[] = {{0, -1}, {1, 1}, {3, 3}, {1001, 1001}, {4999, 4999}, {5000, -1}, {-3, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.category);
        EXPECT_EQ(TrayMenuIconSlot(c.category, 5000), c.slot);
    }
}

}  // namespace

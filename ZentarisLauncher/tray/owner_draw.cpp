#include "owner_draw.h"

#include <cstring>

#include "display_dpi.h"
#include "display_scale.h"
#include "owner_draw_category.h"
#include "tray_catalog.h"
#include "unique_handle.h"

namespace {

// Pixels at 96 DPI; other scales multiply them (display_scale.h).
constexpr int TextMargin = 20;      // the icon sits in this margin
constexpr int IconInset = 2;
constexpr int ExtraHeight = 4;      // over the text's own height
constexpr int ItemTextBuffer = 1024;

const char* TextOrEmpty(ULONG_PTR data)
{
    const char* text = reinterpret_cast<const char*>(data);
    return text ? text : "";
}

// The item's data is the text pointer the menu was built with. The draw
// record carries the same data, which stands in if the menu lookup fails.
const char* ItemText(const DRAWITEMSTRUCT* item)
{
    char typeText[ItemTextBuffer] = "";
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_TYPE | MIIM_DATA;
    info.dwTypeData = typeText;
    info.cch = sizeof typeText;
    HMENU menu = reinterpret_cast<HMENU>(item->hwndItem);
    if (GetMenuItemInfoA(menu, item->itemID, FALSE, &info) && info.dwItemData)
        return TextOrEmpty(info.dwItemData);
    return TextOrEmpty(item->itemData);
}

void PaintBackground(HDC dc, const RECT& rect, bool selected)
{
    if (selected) {
        FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return;
    }
    TRIVERTEX vertices[2] = {
        {rect.left, rect.top, 0x2100, 0x8400, 0xE700, 0},
        {rect.right, rect.bottom, 0xFF00, 0xFF00, 0xFF00, 0},
    };
    GRADIENT_RECT span = {0, 1};
    GradientFill(dc, vertices, 2, &span, 1, GRADIENT_FILL_RECT_H);
}

HICON ItemIcon(const DRAWITEMSTRUCT* item, const char* text)
{
    const int32_t category = TrayMenuItemCategory(static_cast<int32_t>(item->itemID), text);
    const int32_t slot = TrayMenuIconSlot(category, MenuIconCount);
    return slot < 0 ? nullptr : trayCatalog.MenuIcon(slot);
}

// The text is drawn in the menu's font: at 100 % as wide as the screen's
// default font, at other scales it can be wider than that.
int MenuFontWidth(HDC dc, const char* text)
{
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return 0;
    const zentaris::UniqueGdiObject font(CreateFontIndirectA(&metrics.lfMenuFont));
    if (!font) return 0;
    const HGDIOBJ old = SelectObject(dc, font.get());
    SIZE extent{};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &extent);
    SelectObject(dc, old);
    return extent.cx;
}

}  // namespace

void MeasureTrayMenuItem(MEASUREITEMSTRUCT* item)
{
    const char* text = TextOrEmpty(item->itemData);
    // Measured before the menu shows: at the scale of the monitor under
    // the pointer, where it opens.
    const UINT dpi = DpiAtPointer();
    SIZE extent{};
    int width = 0;
    {
        const auto screen = zentaris::UniqueWindowDc::Get(nullptr);
        if (screen) GetTextExtentPoint32A(screen.get(), text, static_cast<int>(std::strlen(text)), &extent);
        width = extent.cx;
        // At 96 DPI the width is the text's, the margin left to the space
        // the menu keeps for check marks. That space does not grow with the
        // scale everywhere (Wine), nor is the menu's font always as narrow:
        // elsewhere both are allowed for, or the text's end is cut off.
        if (screen && dpi != zentaris::BaseDpi) {
            const int menuWidth = MenuFontWidth(screen.get(), text);
            const int marginGrowth = zentaris::ScaleForDpi(TextMargin, dpi) - TextMargin;
            width = (menuWidth > width ? menuWidth : width) + (marginGrowth > 0 ? marginGrowth : 0);
        }
    }
    item->itemWidth = static_cast<UINT>(width);
    item->itemHeight = static_cast<UINT>(extent.cy + zentaris::ScaleForDpi(ExtraHeight, dpi));
}

void DrawTrayMenuItem(const DRAWITEMSTRUCT* item)
{
    HDC dc = item->hDC;
    const char* text = ItemText(item);
    const bool selected = (item->itemState & ODS_SELECTED) != 0;

    PaintBackground(dc, item->rcItem, selected);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));

    const UINT dpi = DpiOfMenuDc(dc);
    RECT textRect = item->rcItem;
    textRect.left += zentaris::ScaleForDpi(TextMargin, dpi);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = 0;
    if (selected) oldColour = SetTextColor(dc, RGB(255, 255, 255));
    DrawTextA(dc, text, static_cast<int>(std::strlen(text)), &textRect, DT_SINGLELINE | DT_VCENTER);

    if (HICON icon = ItemIcon(item, text)) {
        const int inset = zentaris::ScaleForDpi(IconInset, dpi);
        const int size = MenuIconSize(dpi);
        DrawIconEx(dc, item->rcItem.left + inset, item->rcItem.top + inset, icon, size, size, 0, nullptr, DI_NORMAL);
    }

    if (selected) SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

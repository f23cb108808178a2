#include "owner_draw.h"

#include <cstring>

#include "display_dpi.h"
#include "display_scale.h"
#include "menu_icons.h"
#include "unique_handle.h"

namespace {

// Pixels at 96 DPI; other scales multiply them (display_scale.h).
constexpr int TextMargin = 20;      // the icon sits in this margin
constexpr int IconInset = 2;
constexpr int ExtraHeight = 4;      // over the text's own height

COLORREF Colour(uint32_t bgr) { return static_cast<COLORREF>(bgr); }

void PaintBackground(HDC dc, const RECT& rect, bool selected, const MenuPalette& palette)
{
    if (selected || !palette.gradient) {
        const zentaris::UniqueGdiObject brush(
            CreateSolidBrush(Colour(selected ? palette.selectedBackground : palette.background)));
        if (brush) FillRect(dc, &rect, static_cast<HBRUSH>(brush.get()));
        return;
    }
    const auto vertex = [](LONG x, LONG y, uint32_t c) {
        return TRIVERTEX{x, y, static_cast<COLOR16>((c & 0xFF) << 8), static_cast<COLOR16>(c & 0xFF00),
                         static_cast<COLOR16>((c >> 8) & 0xFF00), 0};
    };
    TRIVERTEX vertices[2] = {vertex(rect.left, rect.top, palette.gradientFrom),
                             vertex(rect.right, rect.bottom, palette.gradientTo)};
    GRADIENT_RECT span = {0, 1};
    GradientFill(dc, vertices, 2, &span, 1, GRADIENT_FILL_RECT_H);
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

void MeasureTrayMenuItem(MEASUREITEMSTRUCT* item, const char* text)
{
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

void DrawTrayMenuItem(const DRAWITEMSTRUCT* item, const char* text, HICON icon, const MenuPalette& palette)
{
    HDC dc = item->hDC;
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    PaintBackground(dc, item->rcItem, selected, palette);

    const UINT dpi = DpiOfMenuDc(dc);
    RECT textRect = item->rcItem;
    textRect.left += zentaris::ScaleForDpi(TextMargin, dpi);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, Colour(selected ? palette.selectedText : palette.text));
    DrawTextA(dc, text, static_cast<int>(std::strlen(text)), &textRect, DT_SINGLELINE | DT_VCENTER);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);

    if (icon) {
        const int inset = zentaris::ScaleForDpi(IconInset, dpi);
        const int size = MenuIconSize(dpi);
        DrawIconEx(dc, item->rcItem.left + inset, item->rcItem.top + inset, icon, size, size, 0, nullptr, DI_NORMAL);
    }
}

MenuPalette CurrentMenuPalette()
{
    HIGHCONTRASTA contrast{};
    contrast.cbSize = sizeof contrast;
    const bool on = SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
                    (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
    const MenuColours system{GetSysColor(COLOR_MENU), GetSysColor(COLOR_MENUTEXT), GetSysColor(COLOR_HIGHLIGHT),
                             GetSysColor(COLOR_HIGHLIGHTTEXT)};
    return ChooseMenuPalette(on, system);
}

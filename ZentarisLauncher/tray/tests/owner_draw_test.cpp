// Menu items painted into a 32-bit memory canvas and read back pixel by
// pixel, at the display scale of the test's prefix: the lengths below are
// those of 96 DPI, scaled as the menu scales them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "owner_draw.h"
#include "uiauto.h"
#include "unique_handle.h"

namespace {

constexpr uint32_t Magenta = 0xFF00FF, Black = 0, White = 0xFFFFFF;
constexpr uint32_t Red = 0xFF0000, Green = 0x00C800;
using uiauto::ScaledForPrefix;
const RECT Item{5, 30, 205, 30 + ScaledForPrefix(24)};  // inside the canvas, away from its edges
const int TextLeft = 5 + ScaledForPrefix(20);
// The icon square, from the item's corner.
const int IconFrom = ScaledForPrefix(2), IconTo = ScaledForPrefix(2) + ScaledForPrefix(16);

bool Near(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift : {0, 8, 16})
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
    return true;
}
bool IsDark(uint32_t c) { return Near(c, Black, 60); }
bool IsLight(uint32_t c) { return Near(c, White, 55); }
// The system colours the High Contrast test sets for text.
bool IsYellow(uint32_t c) { return Near(c, 0xFFFF00, 40); }
bool IsOrange(uint32_t c) { return Near(c, 0xFF8000, 40); }

// Gradient colour at dx of the item's 200 pixels: blue to white.
uint32_t GradientAt(int dx)
{
    const auto mix = [dx](int from) { return uint32_t(from + (255 - from) * dx / 200); };
    return mix(0x21) << 16 | mix(0x84) << 8 | mix(0xE7);
}

class Canvas {
public:
    static constexpr int W = 260, H = 90;
    Canvas()
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, W, -H, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0));
        old_ = SelectObject(dc_.get(), bitmap_.get());
        for (int i = 0; i < W * H; ++i) bits_[i] = Magenta;
    }
    ~Canvas() { SelectObject(dc_.get(), old_); }
    HDC dc() const { return dc_.get(); }
    uint32_t At(int x, int y) const { return GdiFlush(), bits_[y * W + x] & 0xFFFFFF; }

    // Pixels matching `is` inside the item: in the margin (icon square left
    // out) and the leftmost column of the text area holding one.
    int MarginCount(bool (*is)(uint32_t)) const
    {
        int n = 0;
        for (int y = Item.top; y < Item.bottom; ++y)
            for (int x = Item.left; x < TextLeft; ++x)
                n += !InIcon(x, y) && is(At(x, y));
        return n;
    }
    int FirstTextColumn(bool (*is)(uint32_t)) const
    {
        for (int x = TextLeft - 2; x < Item.right; ++x)
            for (int y = Item.top; y < Item.bottom; ++y)
                if (is(At(x, y))) return x;
        return -1;
    }
    bool IconShown(uint32_t colour) const
    {
        for (int y = Item.top + IconFrom; y < Item.top + IconTo; ++y)
            for (int x = Item.left + IconFrom; x < Item.left + IconTo; ++x)
                if (!Near(At(x, y), colour, 2)) return false;
        return !Near(At(Item.left + IconFrom - 1, Item.top + IconFrom - 1), colour, 40) &&
               !Near(At(Item.left + IconTo, Item.top + IconTo), colour, 40);
    }
    void ExpectGradientRow(int y) const
    {
        for (int dx : {0, 50, 100, 150, 199}) EXPECT_TRUE(Near(At(Item.left + dx, y), GradientAt(dx), 4)) << dx;
    }
    void ExpectNothingOutside() const
    {
        for (int x = 0; x < W; x += 7) EXPECT_TRUE(At(x, Item.top - 1) == Magenta && At(x, Item.bottom) == Magenta) << x;
        EXPECT_TRUE(At(Item.left - 1, 40) == Magenta && At(Item.right, 40) == Magenta);
    }

private:
    static bool InIcon(int x, int y)
    {
        return x >= Item.left + IconFrom && x < Item.left + IconTo && y >= Item.top + IconFrom && y < Item.top + IconTo;
    }
    zentaris::UniqueMemoryDc dc_{CreateCompatibleDC(nullptr)};
    zentaris::UniqueGdiObject bitmap_;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
};

HICON SolidIcon(uint32_t rgb)
{
    uint32_t pixels[16 * 16];
    for (auto& p : pixels) p = 0xFF000000u | rgb;
    const uint8_t opaque[32] = {};
    const zentaris::UniqueGdiObject mask(CreateBitmap(16, 16, 1, 1, opaque));
    const zentaris::UniqueGdiObject colour(CreateBitmap(16, 16, 1, 32, pixels));
    ICONINFO info{TRUE, 0, 0, static_cast<HBITMAP>(mask.get()), static_cast<HBITMAP>(colour.get())};
    return CreateIconIndirect(&info);
}

const MenuPalette Product = ChooseMenuPalette(false, {});

// Paints the item as the menu asks for it.
void Paint(const Canvas& canvas, const char* text, HICON icon, bool selected, const MenuPalette& palette = Product)
{
    DRAWITEMSTRUCT d{ODT_MENU, 0, 0, ODA_DRAWENTIRE, UINT(selected ? ODS_SELECTED : 0), nullptr, canvas.dc(), Item, 0};
    DrawTrayMenuItem(&d, text, icon, palette);
}

class OwnerDraw : public testing::Test {
protected:
    HICON Icon(uint32_t colour) const
    {
        return colour == Red ? red_.get() : colour == Green ? green_.get() : nullptr;
    }
    const zentaris::UniqueIcon red_{SolidIcon(Red)}, green_{SolidIcon(Green)};
};

TEST_F(OwnerDraw, ItemShowsGradientTextAtTheMarginAndItsIcon)
{
    const struct {
        UINT id;
        const char* text;
        uint32_t icon;  // Black: none expected
    } cases[] = {{1000, "Salir", Red}, {3001, "Space Game", Green}, {3002, "Game without icon", Black},
                 {0, "", Black}};  // the last: the separator
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Canvas canvas;
        Paint(canvas, c.text, Icon(c.icon), false);
        canvas.ExpectGradientRow(Item.bottom - 1);
        canvas.ExpectNothingOutside();
        EXPECT_EQ(canvas.MarginCount(IsDark), 0);
        const int first = canvas.FirstTextColumn(IsDark);
        if (*c.text) {
            EXPECT_GE(first, TextLeft);
            EXPECT_LE(first, TextLeft + 3);
        } else {
            EXPECT_EQ(first, -1);
        }
        for (uint32_t colour : {Red, Green}) EXPECT_EQ(canvas.IconShown(colour), colour == c.icon);
        if (c.icon == Black) {
            const int middle = (IconFrom + IconTo) / 2;  // gradient only
            EXPECT_TRUE(Near(canvas.At(Item.left + middle, Item.top + middle), GradientAt(middle), 4));
        }
    }
}

TEST_F(OwnerDraw, SelectedItemIsBlackWithWhiteTextAndRecoversWhenDeselected)
{
    Canvas canvas;
    SetBkMode(canvas.dc(), OPAQUE);
    Paint(canvas, "Salir", Icon(Red), true);
    EXPECT_EQ(canvas.At(Item.left, Item.top), Black);
    EXPECT_EQ(canvas.At(Item.right - 1, Item.bottom - 1), Black);
    EXPECT_GE(canvas.FirstTextColumn(IsLight), TextLeft);
    EXPECT_EQ(canvas.MarginCount(IsLight), 0);
    EXPECT_TRUE(canvas.IconShown(Red));
    canvas.ExpectNothingOutside();
    // The device context keeps its own text colour and background mode.
    EXPECT_EQ(GetTextColor(canvas.dc()), RGB(0, 0, 0));
    EXPECT_EQ(GetBkMode(canvas.dc()), OPAQUE);

    Paint(canvas, "Salir", Icon(Red), false);
    canvas.ExpectGradientRow(Item.top);
    EXPECT_GE(canvas.FirstTextColumn(IsDark), TextLeft);
    int light = 0;  // no white text left over the gradient's darker half
    for (int y = Item.top; y < Item.bottom; ++y)
        for (int x = TextLeft; x < Item.left + 60; ++x) light += IsLight(canvas.At(x, y));
    EXPECT_EQ(light, 0);
}

// High Contrast: the system's menu colours, flat, whatever they are; the
// prefix's own are changed to colours the product never paints.
TEST_F(OwnerDraw, HighContrastItemIsPaintedInTheSystemsColours)
{
    const int elements[] = {COLOR_MENU, COLOR_MENUTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT};
    const COLORREF chosen[] = {RGB(0, 0, 0x80), RGB(0xFF, 0xFF, 0), RGB(0, 0x80, 0), RGB(0xFF, 0x80, 0)};
    COLORREF before[4];
    for (int i = 0; i < 4; ++i) before[i] = GetSysColor(elements[i]);
    ASSERT_TRUE(SetSysColors(4, elements, chosen));
    const MenuColours system{GetSysColor(COLOR_MENU), GetSysColor(COLOR_MENUTEXT), GetSysColor(COLOR_HIGHLIGHT),
                             GetSysColor(COLOR_HIGHLIGHTTEXT)};
    SetSysColors(4, elements, before);
    ASSERT_EQ(system.menu, chosen[0]);
    const MenuPalette contrast = ChooseMenuPalette(true, system);
    // The canvas reads 0xRRGGBB, the platform's colours are 0xBBGGRR.
    const auto pixel = [](COLORREF c) { return uint32_t(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c); };
    for (bool selected : {false, true}) {
        SCOPED_TRACE(selected ? "selected" : "not selected");
        Canvas canvas;
        Paint(canvas, "Salir", Icon(Red), selected, contrast);
        const uint32_t background = pixel(selected ? chosen[2] : chosen[0]);
        for (int dx : {0, 100, 199}) EXPECT_EQ(canvas.At(Item.left + dx, Item.bottom - 1), background) << dx;
        bool (*const isText)(uint32_t) = selected ? IsOrange : IsYellow;
        const int first = canvas.FirstTextColumn(isText);
        EXPECT_GE(first, TextLeft);
        EXPECT_LE(first, TextLeft + 3);
        EXPECT_EQ(canvas.FirstTextColumn(selected ? IsYellow : IsOrange), -1) << "text in the other state's colour";
        EXPECT_EQ(canvas.MarginCount(isText), 0);
        EXPECT_TRUE(canvas.IconShown(Red));
        canvas.ExpectNothingOutside();
    }
}

TEST_F(OwnerDraw, MeasureIsTheScreenTextExtentFourScaledPixelsTaller)
{
    const zentaris::UniqueWindowDc screen = zentaris::UniqueWindowDc::Get(nullptr);
    for (const char* text : {"Salir", "Mostrar Noticias nuevamente", "Caracter\xEDsticas de zentaris", ""}) {
        SCOPED_TRACE(text);
        SIZE extent{99, 99};
        GetTextExtentPoint32A(screen.get(), text, int(std::strlen(text)), &extent);  // Wine: 0 high for ""
        MEASUREITEMSTRUCT m{ODT_MENU, 0, 1000, 0, 0, 0};
        MeasureTrayMenuItem(&m, text);
        if (uiauto::PrefixDpi() == 96) {
            EXPECT_EQ(m.itemWidth, UINT(extent.cx));  // no room added for the margin
        } else {
            EXPECT_GE(m.itemWidth, UINT(extent.cx + ScaledForPrefix(20) - 20));  // room for what the margin grew by
        }
        EXPECT_EQ(m.itemHeight, UINT(extent.cy + ScaledForPrefix(4)));
    }
}

}  // namespace

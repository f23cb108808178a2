// Menu items painted into a memory canvas and read back pixel by pixel.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "owner_draw.h"
#include "tray_state.h"

namespace {

struct Colour {
    int r, g, b;
};

bool Near(Colour a, Colour b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

std::string Show(Colour c)
{
    return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

const Colour Magenta{255, 0, 255};
const Colour GradientLeft{33, 132, 231};
const Colour White{255, 255, 255};
const Colour Black{0, 0, 0};

bool IsDark(Colour c) { return c.r < 60 && c.g < 60 && c.b < 60; }
bool IsLight(Colour c) { return c.r > 200 && c.g > 200 && c.b > 200; }

// A 32-bit top-down canvas in a memory DC, cleared to magenta so that paint
// outside the item rectangle shows.
class Canvas {
public:
    static constexpr int Width = 260;
    static constexpr int Height = 90;

    Canvas()
    {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = Width;
        info.bmiHeader.biHeight = -Height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        for (int i = 0; i < Width * Height; ++i) bits_[i] = 0x00FF00FF;
    }
    ~Canvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }
    Colour At(int x, int y) const
    {
        GdiFlush();
        const uint32_t p = bits_[y * Width + x];
        return Colour{int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)};
    }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
};

// An opaque 16 x 16 icon of one colour.
HICON SolidIcon(Colour c)
{
    uint32_t pixels[16 * 16];
    for (auto& p : pixels) p = 0xFF000000u | uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | uint32_t(c.b);
    uint8_t maskBits[16 * 2] = {};  // 0: opaque
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = CreateBitmap(16, 16, 1, 32, pixels);
    info.hbmMask = CreateBitmap(16, 16, 1, 1, maskBits);
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return icon;
}

const Colour Red{255, 0, 0};
const Colour Green{0, 200, 0};
const Colour Yellow{255, 255, 0};
const Colour Cyan{0, 255, 255};

// Item rectangle inside the canvas, away from its edges.
const RECT ItemRect{5, 30, 205, 54};
constexpr int TextLeft = 5 + 20;

struct Menu {
    HMENU handle = CreatePopupMenu();
    ~Menu() { DestroyMenu(handle); }
};

DRAWITEMSTRUCT DrawRecord(HMENU menu, UINT id, const char* text, HDC dc, bool selected)
{
    DRAWITEMSTRUCT d{};
    d.CtlType = ODT_MENU;
    d.itemID = id;
    d.itemAction = ODA_DRAWENTIRE;
    d.itemState = selected ? ODS_SELECTED : 0;
    d.hwndItem = reinterpret_cast<HWND>(menu);
    d.hDC = dc;
    d.rcItem = ItemRect;
    d.itemData = reinterpret_cast<ULONG_PTR>(text);
    return d;
}

// True when the whole 16 x 16 square at (left + 2, top + 2) has the colour.
bool IconShown(const Canvas& c, Colour colour)
{
    for (int y = ItemRect.top + 2; y < ItemRect.top + 18; ++y)
        for (int x = ItemRect.left + 2; x < ItemRect.left + 18; ++x)
            if (!Near(c.At(x, y), colour, 2)) return false;
    return true;
}

// Pixels of the text colour left of the text margin, outside the icon.
int MarginPixels(const Canvas& c, bool (*isText)(Colour))
{
    int n = 0;
    for (int y = ItemRect.top; y < ItemRect.bottom; ++y)
        for (int x = ItemRect.left; x < TextLeft; ++x) {
            const bool inIcon = x >= ItemRect.left + 2 && x < ItemRect.left + 18 && y >= ItemRect.top + 2 &&
                                y < ItemRect.top + 18;
            if (!inIcon && isText(c.At(x, y))) ++n;
        }
    return n;
}

// Leftmost column holding a text pixel at or right of the margin; -1: none.
int FirstTextColumn(const Canvas& c, bool (*isText)(Colour))
{
    for (int x = TextLeft - 2; x < ItemRect.right; ++x)
        for (int y = ItemRect.top; y < ItemRect.bottom; ++y)
            if (isText(c.At(x, y))) return x;
    return -1;
}

void ExpectUntouchedOutside(const Canvas& c)
{
    for (int x = 0; x < Canvas::Width; x += 7) {
        EXPECT_TRUE(Near(c.At(x, ItemRect.top - 1), Magenta, 0)) << "above, x " << x;
        EXPECT_TRUE(Near(c.At(x, ItemRect.bottom), Magenta, 0)) << "below, x " << x;
    }
    EXPECT_TRUE(Near(c.At(ItemRect.left - 1, 40), Magenta, 0));
    EXPECT_TRUE(Near(c.At(ItemRect.right, 40), Magenta, 0));
}

void ExpectGradientRow(const Canvas& c, int y)
{
    const int width = ItemRect.right - ItemRect.left;
    const Colour left = c.At(ItemRect.left, y);
    const Colour right = c.At(ItemRect.right - 1, y);
    EXPECT_TRUE(Near(left, GradientLeft, 3)) << "left edge " << Show(left);
    EXPECT_TRUE(Near(right, White, 3)) << "right edge " << Show(right);
    // Straight line from blue to white, left to right.
    for (int dx : {width / 4, width / 2, 3 * width / 4}) {
        const Colour want{33 + (255 - 33) * dx / width, 132 + (255 - 132) * dx / width, 231 + (255 - 231) * dx / width};
        const Colour got = c.At(ItemRect.left + dx, y);
        EXPECT_TRUE(Near(got, want, 4)) << "at +" << dx << " " << Show(got) << " want " << Show(want);
    }
}

class OwnerDraw : public testing::Test {
protected:
    void SetUp() override
    {
        std::memset(menuIcons, 0, sizeof menuIcons);
        menuIcons[0] = SolidIcon(Cyan);  // must never show: the separator has no icon
        menuIcons[1] = SolidIcon(Red);
        menuIcons[2] = SolidIcon(Green);
        menuIcons[3] = SolidIcon(Yellow);
        menuIcons[1000] = SolidIcon(Red);
        menuIcons[3001] = SolidIcon(Green);
    }
    void TearDown() override
    {
        for (HICON& icon : menuIcons)
            if (icon) DestroyIcon(icon);
    }
};

TEST_F(OwnerDraw, ItemShowsGradientTextAtTheMarginAndItsIcon)
{
    const struct {
        UINT id;
        const char* text;
        const Colour* icon;  // null: no icon expected
    } cases[] = {
        {1000, "Salir", &Red},
        {3001, "Space Game", &Green},
        {3002, "Game without icon", nullptr},  // executable without an icon
        {4001, "Client download", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Menu menu;
        AppendMenuA(menu.handle, MF_OWNERDRAW, c.id, c.text);
        Canvas canvas;
        const DRAWITEMSTRUCT d = DrawRecord(menu.handle, c.id, c.text, canvas.dc(), false);
        DrawTrayMenuItem(&d);

        ExpectGradientRow(canvas, ItemRect.bottom - 1);
        ExpectUntouchedOutside(canvas);
        const int first = FirstTextColumn(canvas, IsDark);
        EXPECT_GE(first, TextLeft);
        EXPECT_LE(first, TextLeft + 3);
        EXPECT_EQ(MarginPixels(canvas, IsDark), 0);
        if (c.icon) {
            EXPECT_TRUE(IconShown(canvas, *c.icon));
            EXPECT_FALSE(Near(canvas.At(ItemRect.left + 1, ItemRect.top + 1), *c.icon, 40));
            EXPECT_FALSE(Near(canvas.At(ItemRect.left + 18, ItemRect.top + 10), *c.icon, 40));
        } else {
            // The margin is gradient only.
            EXPECT_TRUE(Near(canvas.At(ItemRect.left + 10, ItemRect.top + 10),
                             Colour{33 + 222 * 10 / 200, 132 + 123 * 10 / 200, 231 + 24 * 10 / 200}, 4));
        }
    }
}

TEST_F(OwnerDraw, SelectedItemIsBlackWithWhiteTextAndRecoversWhenDeselected)
{
    Menu menu;
    const char* text = "Salir";
    AppendMenuA(menu.handle, MF_OWNERDRAW, 1000, text);
    Canvas canvas;
    SetTextColor(canvas.dc(), RGB(0, 0, 0));
    SetBkMode(canvas.dc(), OPAQUE);

    DRAWITEMSTRUCT d = DrawRecord(menu.handle, 1000, text, canvas.dc(), true);
    DrawTrayMenuItem(&d);
    EXPECT_TRUE(Near(canvas.At(ItemRect.left, ItemRect.top), Black, 0));
    EXPECT_TRUE(Near(canvas.At(ItemRect.right - 1, ItemRect.bottom - 1), Black, 0));
    const int first = FirstTextColumn(canvas, IsLight);
    EXPECT_GE(first, TextLeft);
    EXPECT_LE(first, TextLeft + 3);
    EXPECT_EQ(MarginPixels(canvas, IsLight), 0);
    EXPECT_TRUE(IconShown(canvas, Red));
    ExpectUntouchedOutside(canvas);
    // The device context keeps its own text colour and background mode.
    EXPECT_EQ(GetTextColor(canvas.dc()), RGB(0, 0, 0));
    EXPECT_EQ(GetBkMode(canvas.dc()), OPAQUE);

    d.itemState = 0;
    DrawTrayMenuItem(&d);
    ExpectGradientRow(canvas, ItemRect.top);
    EXPECT_GE(FirstTextColumn(canvas, IsDark), TextLeft);
    // No white text is left over the gradient's darker half.
    int light = 0;
    for (int y = ItemRect.top; y < ItemRect.bottom; ++y)
        for (int x = TextLeft; x < ItemRect.left + 60; ++x) light += IsLight(canvas.At(x, y));
    EXPECT_EQ(light, 0);
}

TEST_F(OwnerDraw, SeparatorIsAnEmptyItemWithGradientOnly)
{
    Menu menu;
    const char* empty = "";
    AppendMenuA(menu.handle, MF_SEPARATOR | MF_OWNERDRAW, 0, empty);
    Canvas canvas;
    const DRAWITEMSTRUCT d = DrawRecord(menu.handle, 0, empty, canvas.dc(), false);
    DrawTrayMenuItem(&d);
    for (int y = ItemRect.top; y < ItemRect.bottom; y += 5) ExpectGradientRow(canvas, y);
    EXPECT_EQ(FirstTextColumn(canvas, IsDark), -1);
    EXPECT_FALSE(IconShown(canvas, Cyan));

    MEASUREITEMSTRUCT m{};
    m.CtlType = ODT_MENU;
    m.itemData = reinterpret_cast<ULONG_PTR>(empty);
    MeasureTrayMenuItem(&m);
    // Sized like any text, here the empty one (Wine measures it 0 high).
    HDC screen = GetDC(nullptr);
    SIZE extent{99, 99};
    GetTextExtentPoint32A(screen, "", 0, &extent);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(m.itemWidth, 0u);
    EXPECT_EQ(m.itemHeight, static_cast<UINT>(extent.cy + 4));
}

TEST_F(OwnerDraw, SubmenuEntryIconFollowsItsText)
{
    const struct {
        const char* text;
        const Colour* icon;
    } cases[] = {
        {"Descargar game client", &Red},
        {"Caracter\xEDsticas de zentaris", &Green},
        {"Iniciar Juego", &Yellow},
        {"Iniciar juego", nullptr},
        {"Otros", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Menu menu;
        HMENU sub = CreatePopupMenu();  // destroyed with its parent
        AppendMenuA(menu.handle, MF_OWNERDRAW | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), c.text);
        Canvas canvas;
        const UINT id = static_cast<UINT>(reinterpret_cast<UINT_PTR>(sub));
        ASSERT_GT(id, 5000u) << "a submenu handle in the command id range would be taken for a command";
        for (bool selected : {false, true}) {
            const DRAWITEMSTRUCT d = DrawRecord(menu.handle, id, c.text, canvas.dc(), selected);
            DrawTrayMenuItem(&d);
            if (c.icon) {
                EXPECT_TRUE(IconShown(canvas, *c.icon));
            } else {
                for (const Colour& any : {Red, Green, Yellow, Cyan}) EXPECT_FALSE(IconShown(canvas, any));
            }
        }
    }
}

TEST_F(OwnerDraw, MeasureIsTheScreenTextExtentPlusFourInHeight)
{
    HDC screen = GetDC(nullptr);
    for (const char* text : {"Salir", "Mostrar Noticias nuevamente", "W", "Caracter\xEDsticas de zentaris"}) {
        SCOPED_TRACE(text);
        SIZE extent{};
        ASSERT_TRUE(GetTextExtentPoint32A(screen, text, static_cast<int>(std::strlen(text)), &extent));
        MEASUREITEMSTRUCT m{};
        m.CtlType = ODT_MENU;
        m.itemID = 1000;
        m.itemData = reinterpret_cast<ULONG_PTR>(text);
        MeasureTrayMenuItem(&m);
        EXPECT_EQ(m.itemWidth, static_cast<UINT>(extent.cx));  // no room added for the margin
        EXPECT_EQ(m.itemHeight, static_cast<UINT>(extent.cy + 4));
    }
    ReleaseDC(nullptr, screen);
}

}  // namespace

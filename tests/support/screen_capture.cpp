#include "screen_capture.h"

#include <fstream>

#include "unique_handle.h"

namespace testsupport {

std::optional<ScreenImage> CaptureScreen(RECT area)
{
    if (IsRectEmpty(&area)) area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    ScreenImage image;
    image.width = area.right - area.left;
    image.height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, image.width, image.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const zentaris::UniqueWindowDc screen = zentaris::UniqueWindowDc::Get(nullptr);
    const zentaris::UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
    void* bits = nullptr;
    const zentaris::UniqueGdiObject bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return std::nullopt;
    HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
    const bool copied =
        BitBlt(memory.get(), 0, 0, image.width, image.height, screen.get(), area.left, area.top, SRCCOPY) != 0;
    SelectObject(memory.get(), old);
    if (!copied) return std::nullopt;
    GdiFlush();
    const auto* first = static_cast<const unsigned char*>(bits);
    image.rows.assign(first, first + image.Stride() * image.height);
    return image;
}

bool WriteBmp(const std::string& path, const ScreenImage& image)
{
    const auto size = static_cast<DWORD>(image.rows.size());
    BITMAPINFOHEADER info{sizeof info, image.width, image.height, 1, 24, BI_RGB, size, 0, 0, 0, 0};
    BITMAPFILEHEADER file{0x4D42, DWORD(sizeof file + sizeof info + size), 0, 0, DWORD(sizeof file + sizeof info)};
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(reinterpret_cast<const char*>(image.rows.data()), size);
    out.close();
    return !out.fail();
}

}  // namespace testsupport

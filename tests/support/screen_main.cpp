// Screenshots for the demo and the README, taken inside the Wine desktop.
//   zen_screen.exe FILE.bmp                 the whole screen as a 24-bit BMP
//   zen_screen.exe --tray-menu FILE.bmp     open the tray's menu first, as a
//                                           click on its icon does, and move
//                                           onto the games submenu
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool SaveScreen(const char* path)
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD stride = (width * 3 + 3) & ~3u;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + stride * height;
    bool written = false;
    if (FILE* out = std::fopen(path, "wb")) {
        written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                  std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
                  std::fwrite(bits, stride, height, out) == static_cast<size_t>(height);
        written = std::fclose(out) == 0 && written;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written;
}

// The tray's hidden window takes its icon's clicks as WM_USER + 1 with the
// icon id 1 and the mouse message.
bool OpenTrayMenu()
{
    HWND tray = nullptr;
    for (int i = 0; i < 100 && !tray; ++i) {
        tray = FindWindowA("ZentarisLauncherApplication", "Zentaris MsgWindow");
        if (!tray) Sleep(100);
    }
    if (!tray) return false;
    PostMessageA(tray, WM_USER + 1, 1, WM_RBUTTONUP);
    HWND menu = nullptr;
    for (int i = 0; i < 50 && !menu; ++i) {
        Sleep(100);
        menu = FindWindowA("#32768", nullptr);
    }
    if (!menu) return false;
    // Down to the games submenu and into it, as the keyboard would.
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT}) {
        PostMessageA(menu, WM_KEYDOWN, key, 0);
        Sleep(200);
    }
    Sleep(500);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool trayMenu = argc == 3 && std::strcmp(argv[1], "--tray-menu") == 0;
    if (argc != 2 && !trayMenu) {
        std::fprintf(stderr, "usage: zen_screen [--tray-menu] FILE.bmp\n");
        return 2;
    }
    if (trayMenu && !OpenTrayMenu()) {
        std::fprintf(stderr, "zen_screen: no tray menu\n");
        return 1;
    }
    const bool saved = SaveScreen(argv[argc - 1]);
    // Leave the tray as it was: a window that owns a menu ends it on this.
    if (trayMenu) PostMessageA(FindWindowA("ZentarisLauncherApplication", nullptr), WM_CANCELMODE, 0, 0);
    return saved ? 0 : 1;
}

// Screenshots for the demo and the README, taken inside the Wine desktop.
//   zen_screen.exe FILE.bmp                 the whole screen as a 24-bit BMP
//   zen_screen.exe --tray-menu FILE.bmp     open the tray's menu first, as a
//                                           click on its icon does, and move
//                                           onto the games submenu
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "shared_names.h"
#include "screen_capture.h"

namespace {

// The tray's hidden window takes its icon's clicks as WM_USER + 1 with the
// icon id 1 and the mouse message.
bool OpenTrayMenu()
{
    HWND tray = nullptr;
    for (int i = 0; i < 100 && !tray; ++i) {
        tray = FindWindowA(zentaris::TrayWindowClass, "Zentaris MsgWindow");
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
    const auto image = testsupport::CaptureScreen();
    const bool saved = image && testsupport::WriteBmp(argv[argc - 1], *image);
    // Leave the tray as it was: a window that owns a menu ends it on this.
    if (trayMenu) PostMessageA(FindWindowA(zentaris::TrayWindowClass, nullptr), WM_CANCELMODE, 0, 0);
    return saved ? 0 : 1;
}

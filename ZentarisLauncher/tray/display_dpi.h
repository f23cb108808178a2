// The DPI that menus and the news popup draw at: the monitor's own where
// Windows tells it (8.1 and later), else the system's.
#pragma once

#include <windows.h>

// The monitor under the pointer, where a menu opens.
UINT DpiAtPointer();
UINT DpiOfWindow(HWND window);
// A menu item's DC: the DPI of the menu window it paints; the one at the
// pointer when it paints no window.
UINT DpiOfMenuDc(HDC dc);

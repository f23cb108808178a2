// The DPI that menus and the news popup draw at: the monitor's own where
// Windows tells it (8.1 and later), else the system's.
#pragma once

#include <windows.h>

UINT DpiAtPoint(POINT point);
UINT DpiOfWindow(HWND window);
// A menu item's DC: the DPI of the menu window it paints; the monitor under
// the pointer (where the menu opened) when it paints no window.
UINT DpiOfMenuDc(HDC dc);

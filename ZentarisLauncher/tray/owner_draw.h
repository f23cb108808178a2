// Painting of the tray menu's owner-drawn items: every item, the separator
// included, is sized and painted by the message window.
#pragma once

#include <windows.h>

// WM_MEASUREITEM: the text's extent in the screen's default font, 4 pixels
// taller. The window procedure answers 0 without default processing.
void MeasureTrayMenuItem(MEASUREITEMSTRUCT* item);

// WM_DRAWITEM: blue-to-white gradient (black when selected), the text 20
// pixels from the left and the item's 16 x 16 icon in that margin. The
// window procedure then passes the message on to DefWindowProcA.
void DrawTrayMenuItem(const DRAWITEMSTRUCT* item);

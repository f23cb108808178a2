// Painting of the tray menu's owner-drawn items: every item, the separator
// included, is sized and painted by the message window, from the text and
// icon the menu model gives it.
#pragma once

#include <windows.h>

#include "tray_menu_model.h"

// WM_MEASUREITEM: the text's extent in the screen's default font, 4 pixels
// taller. The window procedure answers TRUE without default processing.
void MeasureTrayMenuItem(MEASUREITEMSTRUCT* item, const char* text);

// WM_DRAWITEM: the palette's background (its gradient, or flat), the text
// 20 pixels from the left and the 16 x 16 icon, if any, in that margin. The
// device context keeps its own text colour and background mode.
void DrawTrayMenuItem(const DRAWITEMSTRUCT* item, const char* text, HICON icon, const MenuPalette& palette);

// The palette for the settings in force now: High Contrast on or off, and
// the system's menu colours.
MenuPalette CurrentMenuPalette();

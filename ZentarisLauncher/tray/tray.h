// Tray mode: icon in the notification area, menu and news popup.
#pragma once

#include <windows.h>

// Runs until the user picks "Salir".
void RunTray(HINSTANCE instance);

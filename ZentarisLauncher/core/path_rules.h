// What a local path to a game or its folder may look like, wherever the text
// came from (a launch link, a registry value another program wrote, an
// application record). Portable; shared by the launcher and the tray.
#pragma once

#include <string_view>

// True for a path in one of the platform's namespaces ("\\?\", "\\.\",
// "\??\"): such a path skips the usual path rules and can name devices and
// objects that are not files at all.
bool IsNamespacePath(std::string_view path);

// True for a reserved device name used as a path component: CON, PRN, AUX,
// NUL, COM0-9, LPT0-9 (with the superscript digits 1-3 too), CONIN$ and
// CONOUT$, in any case and with any extension or trailing blanks and dots
// ("COM1.exe", "nul .txt"). Opening such a component opens the device.
bool HasDeviceNameComponent(std::string_view path);

// The update check, on a worker thread of its own.
#pragma once

#include <windows.h>

// Thread procedure: what the check came to goes to the tray window given as
// the parameter (WM_TRAY_UPDATE). Exit code 0 when it was handed on.
DWORD WINAPI UpdateCheckThread(LPVOID window);

#include "tray.h"

// Tray mode is not built yet: the program ends at once.
void RunTray(HINSTANCE)
{
}

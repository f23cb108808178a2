#include "messages.h"

#include <windows.h>

void ShowLauncherMessage(const char* text, const char* caption)
{
    MessageBoxA(nullptr, text, caption, MB_OK);
}

// Entry of ZentarisLauncher: "--autostart" selects tray mode, anything else
// is a launch command.
#include <windows.h>

#include <cstring>

#include "installation.h"
#include "launcher.h"
#include "tray.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    if (std::strcmp(commandLine, zentaris::AutostartArgument) == 0) {
        RunTray(instance);
        return 0;
    }
    RunLaunchCommand(commandLine);
    return 0;
}

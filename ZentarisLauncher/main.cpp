// Entry of ZentarisLauncher: "--autostart" selects tray mode,
// "--check-updates" one update check, anything else is a launch command.
#include <windows.h>

#include <cstring>

#include "installation.h"
#include "launcher.h"
#include "tray.h"
#include "update.h"
#include "update_check.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    if (std::strcmp(commandLine, zentaris::AutostartArgument) == 0) {
        RunTray(instance);
        return 0;
    }
    if (std::strcmp(commandLine, zentaris::CheckUpdatesArgument) == 0) return RunUpdateCheckCommand();
    // While this launch runs, no update's installer starts: the object
    // exists as long as the process (update_check.cpp looks for it).
    const HANDLE launchUnderWayForProcessLife = CreateMutexA(nullptr, FALSE, zentaris::LaunchMutexName);
    static_cast<void>(launchUnderWayForProcessLife);
    RunLaunchCommand(commandLine);
    return 0;
}

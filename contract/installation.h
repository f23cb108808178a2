// What the installation leaves on the machine for both deliverables. The
// branch, its values and the file names come from shared_names.h.
#pragma once

#include "shared_names.h"

namespace zentaris {

// The one command line that selects tray mode.
inline constexpr char AutostartArgument[] = "--autostart";

// The support log, off unless the branch's DWORD value LogValue is not 0 or
// the launcher's command line opens with LogArgument (before the link). Each
// program writes its own file in LogFolder below the user's local
// application data.
inline constexpr char LogValue[] = "Log";
inline constexpr char LogArgument[] = "--log";
inline constexpr wchar_t LogFolder[] = L"Zentaris\\Logs";
inline constexpr wchar_t LauncherLogFile[] = L"launcher.log";
inline constexpr wchar_t HandlerLogFile[] = L"zenproto.log";

}  // namespace zentaris

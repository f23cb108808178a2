// What the installation leaves on the machine for both deliverables. The
// branch, its values and the file names come from shared_names.h.
#pragma once

#include "shared_names.h"

namespace zentaris {

// The branch (AppBranch, shared_names.h) under HKEY_CURRENT_USER: the
// launcher keeps the user's application records beneath it, and an
// installation for that user alone writes LauncherPath into it. An
// installation for every user of the machine writes LauncherPath into the
// same branch under HKEY_LOCAL_MACHINE instead, and has each user's branch
// created at their logon.

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

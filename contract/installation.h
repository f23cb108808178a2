// What the installation leaves on the machine for both deliverables.
#pragma once

namespace zentaris {

// Branch under HKEY_CURRENT_USER: the launcher keeps the user's application
// records beneath it, and an installation for that user alone writes
// LauncherPath into it. An installation for every user of the machine writes
// LauncherPath into the same branch under HKEY_LOCAL_MACHINE instead, and
// has each user's branch created at their logon.
inline constexpr char AppBranch[] = "SOFTWARE\\Telmark\\Zentaris";
inline constexpr wchar_t AppBranchW[] = L"SOFTWARE\\Telmark\\Zentaris";

// Full path of ZentarisLauncher.exe, read by the protocol handler.
inline constexpr char LauncherPathValue[] = "LauncherPath";
inline constexpr wchar_t LauncherPathValueW[] = L"LauncherPath";

// The one command line that selects tray mode.
inline constexpr char AutostartArgument[] = "--autostart";

}  // namespace zentaris

// What the installation leaves on the machine for both deliverables.
#pragma once

namespace zentaris {

// Branch under HKEY_CURRENT_USER. The installer creates it and writes
// LauncherPath; the launcher keeps its application records beneath it.
inline constexpr char AppBranch[] = "SOFTWARE\\Telmark\\Zentaris";
inline constexpr wchar_t AppBranchW[] = L"SOFTWARE\\Telmark\\Zentaris";

// Full path of ZentarisLauncher.exe, read by the protocol handler.
inline constexpr char LauncherPathValue[] = "LauncherPath";
inline constexpr wchar_t LauncherPathValueW[] = L"LauncherPath";

// The one command line that selects tray mode.
inline constexpr char AutostartArgument[] = "--autostart";

}  // namespace zentaris

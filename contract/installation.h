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

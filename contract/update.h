// What the launcher's updates leave on the machine and share between its
// processes: the launch that an update waits for, the one check at a time,
// the command that checks now, and what the tray remembers.
#pragma once

namespace zentaris {

// Exists while a launch runs (launch mode opens it for its life): no
// update's installer is started meanwhile.
inline constexpr char LaunchMutexName[] = "Local\\ZentarisLaunch";
// Held by the one update check of this session that runs.
inline constexpr wchar_t UpdateMutexName[] = L"Local\\ZentarisUpdate";

// Checks for an update now, once, and ends with the outcome as exit status.
inline constexpr char CheckUpdatesArgument[] = "--check-updates";

// Under the branch (installation.h): the version the user was last told is
// waiting for the administrator, so that it is told once.
inline constexpr char UpdateToldValue[] = "UpdateTold";
// Under the branch: the version whose installer the tray last started and
// when ("1.0.2.0 1767225600"), so that an update that did not take is tried
// again a day later, not at every start of the tray it left behind.
inline constexpr char UpdateTriedValue[] = "UpdateTried";

// Below the user's local application data: the installer is downloaded
// into this folder, made anew for each download.
inline constexpr wchar_t UpdateFolderW[] = L"Zentaris\\Updates";
inline constexpr wchar_t UpdateInstallerNameW[] = L"Zentaris-Setup.exe";

}  // namespace zentaris

// One update check, from the portal's manifest to a running installer: the
// Windows edge of update_rules.h. The tray runs it at its start and then
// once a day on a worker thread; `ZentarisLauncher.exe --check-updates` runs
// it once and ends with its outcome.
#pragma once

#include <cstdint>
#include <string>

#include "update_rules.h"

// Who checks. The tray waits (on its worker) for an installer it started,
// which ends the tray as it replaces its files, and logs a failure; the
// command ends as soon as the installer runs, its own file being among
// those the installer replaces. A check under way makes the tray come back
// later, and the command wait for it to end.
enum class UpdateRunner { Tray, Command };

struct UpdateReport {
    UpdateOutcome outcome = UpdateOutcome::NoManifest;
    FileVersion version;           // the manifest's, once it passed its checks
    bool tellUser = false;         // ForAdministrator, and the user was not told of this version yet
    uint32_t nextCheckSeconds = 0; // when the tray checks again
};

UpdateReport CheckForUpdate(UpdateRunner runner);

// Remembers that the user was told `version` waits for the administrator.
void RememberToldVersion(const FileVersion& version);

// The command: the outcome's number is the exit status.
int RunUpdateCheckCommand();

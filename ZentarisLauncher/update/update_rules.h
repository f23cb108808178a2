// What the launcher does with a manifest that passed its checks, what a
// check came to, and when the tray checks next. Portable (no windows.h).
#pragma once

#include <cstdint>
#include <optional>

#include "update_manifest.h"

// An installer this user's tray started, and when: an update that did not
// take (the installed version is still older) is not tried again at once.
struct TriedUpdate {
    FileVersion version;
    uint64_t at = 0;  // seconds since 1970 (UTC)
};

// Where this launcher stands when a manifest arrives.
struct UpdateSituation {
    FileVersion installed;           // the version of the running launcher's own file
    uint64_t now = 0;                // seconds since 1970 (UTC)
    bool forEveryUser = false;       // installed for the machine: the user cannot replace its files
    std::optional<FileVersion> told; // the version the user was last told of for the administrator
    bool launchUnderWay = false;     // a launch of this user's session is running
    std::optional<TriedUpdate> tried; // the tray's last installer (the command tries at once)
};

enum class UpdateAction {
    UpToDate,         // the manifest's version is not newer than the installed one
    BelowMinimum,     // the installed version is older than the manifest's minimum
    NotYet,           // before the manifest's notbefore
    ForAdministrator, // newer, for the machine: tell the user once
    AlreadyTold,      // newer, for the machine, and the user was told of it
    WaitForLaunch,    // newer, but a launch is under way
    TriedLately,      // newer, and its installer ran within the day without taking
    Install,          // newer: download, check and run its installer
};

// Never an older or equal version, never below the minimum, never before
// notbefore, never for the machine's installation, never during a launch,
// and the same version's installer at most once a day.
UpdateAction DecideUpdate(const UpdateManifest& manifest, const UpdateSituation& situation);

// What one check came to. The numbers are the exit status of
// `ZentarisLauncher.exe --check-updates`, and stay as they are.
enum class UpdateOutcome : int {
    UpToDate = 0,            // no newer version (or no manifest served)
    InstallerStarted = 1,    // a newer version's installer runs
    ForAdministrator = 2,    // a newer version waits for the administrator (machine-wide installation)
    NotYet = 3,              // the manifest's notbefore lies ahead
    LaunchUnderWay = 4,      // a launch is running: nothing was downloaded or run
    BelowMinimum = 5,        // this version is older than the manifest's minimum
    Busy = 6,                // the tray found a check under way (the command waits for it)
    NoManifest = 7,          // the portal served none (no 200 answer, nothing in time)
    ManifestRefused = 8,     // the manifest does not verify, parse or fit
    DownloadFailed = 9,      // the installer did not arrive whole and in time
    InstallerMismatch = 10,  // its size or SHA-256 differs from the manifest's
    InstallerNotStarted = 11,
    InstallerFailed = 12,    // the installer ended with an error (the installed version stays)
    NotConfigured = 13,      // a launcher without portal keys, or without its own version
    TriedLately = 14,        // this version's installer ran within the day and did not take
};
const char* UpdateOutcomeText(UpdateOutcome outcome);

// The tray checks at its start and then once a day; a manifest not due yet
// is looked at again soon after it is (a random `spread` of up to
// NotBeforeSpreadSeconds, so that trays do not all come at once), a check
// that met a launch or another check an hour later, all within the day.
inline constexpr uint32_t UpdateCheckIntervalSeconds = 24 * 60 * 60;
inline constexpr uint32_t NotBeforeSpreadSeconds = 60 * 60;
inline constexpr uint32_t UpdateRetrySeconds = 60 * 60;
inline constexpr uint32_t ShortestCheckDelaySeconds = 60;
uint32_t NextCheckDelaySeconds(UpdateOutcome outcome, uint64_t notBefore, uint64_t now, uint32_t spread);

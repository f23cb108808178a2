#include "update_rules.h"

#include <algorithm>

UpdateAction DecideUpdate(const UpdateManifest& manifest, const UpdateSituation& situation)
{
    if (manifest.version <= situation.installed) return UpdateAction::UpToDate;
    if (situation.installed < manifest.minimum) return UpdateAction::BelowMinimum;
    if (situation.now < manifest.notBefore) return UpdateAction::NotYet;
    if (situation.forEveryUser) {
        if (situation.told && *situation.told >= manifest.version) return UpdateAction::AlreadyTold;
        return UpdateAction::ForAdministrator;
    }
    if (situation.launchUnderWay) return UpdateAction::WaitForLaunch;
    // A clock set back makes the attempt's time meaningless: tried again.
    const std::optional<TriedUpdate>& tried = situation.tried;
    if (tried && tried->version == manifest.version && situation.now >= tried->at &&
        situation.now - tried->at < UpdateCheckIntervalSeconds) {
        return UpdateAction::TriedLately;
    }
    return UpdateAction::Install;
}

const char* UpdateOutcomeText(UpdateOutcome outcome)
{
    switch (outcome) {
    case UpdateOutcome::UpToDate: return "up to date";
    case UpdateOutcome::InstallerStarted: return "the installer of a newer version was started";
    case UpdateOutcome::ForAdministrator: return "a newer version waits for the administrator";
    case UpdateOutcome::NotYet: return "a newer version is not due yet";
    case UpdateOutcome::LaunchUnderWay: return "a launch is under way";
    case UpdateOutcome::BelowMinimum: return "this version is older than the manifest's minimum";
    case UpdateOutcome::Busy: return "another check is under way";
    case UpdateOutcome::NoManifest: return "the portal served no manifest";
    case UpdateOutcome::ManifestRefused: return "the manifest was refused";
    case UpdateOutcome::DownloadFailed: return "the installer did not arrive whole";
    case UpdateOutcome::InstallerMismatch: return "the installer's size or SHA-256 differs from the manifest's";
    case UpdateOutcome::InstallerNotStarted: return "the installer could not be started";
    case UpdateOutcome::InstallerFailed: return "the installer failed";
    case UpdateOutcome::NotConfigured: return "this launcher cannot check for updates";
    case UpdateOutcome::TriedLately: return "this version's installer ran lately and did not take";
    }
    return "unknown";
}

uint32_t NextCheckDelaySeconds(UpdateOutcome outcome, uint64_t notBefore, uint64_t now, uint32_t spread)
{
    uint64_t delay = UpdateCheckIntervalSeconds;
    if (outcome == UpdateOutcome::NotYet && notBefore > now) {
        delay = notBefore - now + spread % NotBeforeSpreadSeconds;
    } else if (outcome == UpdateOutcome::LaunchUnderWay || outcome == UpdateOutcome::Busy) {
        delay = UpdateRetrySeconds;
    }
    delay = std::clamp<uint64_t>(delay, ShortestCheckDelaySeconds, UpdateCheckIntervalSeconds);
    return static_cast<uint32_t>(delay);
}

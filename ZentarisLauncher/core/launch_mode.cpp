#include "launcher.h"

#include <cstring>

#include "game_location.h"
#include "launch_command.h"
#include "launch_rules.h"
#include "link_signature.h"
#include "link_signing_keys.h"
#include "messages.h"

namespace {

// A link from a portal whose keys this launcher carries must be signed by
// one of them; a launcher built without keys takes any link.
bool IsSignedAsRequired(const LaunchInfo& info)
{
    const zentaris::LinkSigningKeyList portal = zentaris::LinkSigningKeys();
    if (portal.count == 0) return true;
    return HasValidLinkSignature(info, portal.keys, portal.count);
}

// A launcher that takes unsigned links cannot tell the portal's links from a
// page's own: it reads the game's folder only from a vendor's installation
// key, never from values the platform keeps about the user's folders.
bool NamesATrustedInstallationKey(const LaunchInfo& info)
{
    if (zentaris::LinkSigningKeys().count != 0) return true;
    return info.installkey && IsVendorInstallationKey(SplitInstallKey(*info.installkey));
}

}  // namespace

int ParseLaunchCommand(LaunchInfo* info, const char* token)
{
    switch (ParseLaunchToken(token, *info)) {
    case LaunchParse::Ok:
        return 0;
    case LaunchParse::BadPrefix:
        ShowLauncherMessage("Invalid Launcher command", "Operation error");
        return -1;
    case LaunchParse::BadPayload:
        break;
    }
    // A payload that does not decode names nothing to start.
    ShowLauncherMessage("Launchinfo invalid", "invalid data");
    return -1;
}

void RunLaunchCommand(char* commandLine)
{
    if (std::strlen(commandLine) < 2) {
        ShowFatalLauncherMessage("This application is not designed to start standalone", "error");
    }
    char* space = std::strchr(commandLine, ' ');
    if (space) *space = '\0';

    LaunchInfo info;
    if (ParseLaunchCommand(&info, commandLine) != 0) return;

    // Approval needs the last field and the start needs the ones before it;
    // a shorter payload cannot describe a launch. A payload that could run
    // something outside the game's folder, or ask the portal about another
    // page, is refused before anything is fetched or written.
    if (!HasAllLaunchFields(info) || !LaunchFieldsAreSafe(info) || !IsSignedAsRequired(info) ||
        !NamesATrustedInstallationKey(info)) {
        ShowLauncherMessage("Launchinfo invalid", "invalid data");
        return;
    }
    // A refused or unanswered approval ends the launch without a word.
    if (!IsLaunchApproved(&info)) return;
    StartApplication(&info);
}

// The top of the launch road: each step in turn, and the one table of what
// the user is told.
#include "launcher.h"

#include <string>

#include "game_location.h"
#include "launch_command.h"
#include "launch_rules.h"
#include "link_signing_keys.h"
#include "messages.h"

namespace {

// What the user is told when a launch ends early. A refused approval and a
// start the platform refused end without a word.
struct UserMessage {
    LaunchError error;
    const char* text;  // null: AppNotFoundText of the game's name
    const char* caption;
};
constexpr UserMessage UserMessages[] = {
    {LaunchError::NotStandalone, "This application is not designed to start standalone", "error"},
    {LaunchError::BadCommand, "Invalid Launcher command", "Operation error"},
    {LaunchError::InvalidLink, "Launchinfo invalid", "invalid data"},
    {LaunchError::AppNotFound, nullptr, "App not found"},
    {LaunchError::GameNotFound, "Registry key for launch not found", "Error"},
};

void Tell(const LaunchFailure& failure, const std::string& appname)
{
    for (const UserMessage& message : UserMessages) {
        if (message.error != failure.error) continue;
        const std::string text = message.text ? message.text : AppNotFoundText(appname);
        ShowLauncherMessage(text.c_str(), message.caption);
        return;
    }
}

// The road, step by step. `appname` is the game's name once a link has
// passed the rules.
Step<StartedGame> Launch(std::string_view command, std::string& appname)
{
    const Step<LaunchInfo> fields = DecodeLaunchCommand(command);
    if (const LaunchFailure* failure = FailureOf(fields)) return *failure;

    Step<CheckedLink> link = CheckLaunchLink(std::get<LaunchInfo>(fields), zentaris::LinkSigningKeys());
    if (const LaunchFailure* failure = FailureOf(link)) return *failure;
    appname = std::get<CheckedLink>(link).appname;

    const Step<ApprovedLink> approved = AskPortal(std::move(std::get<CheckedLink>(link)));
    if (const LaunchFailure* failure = FailureOf(approved)) return *failure;

    const Step<LocatedGame> game = LocateGame(std::get<ApprovedLink>(approved));
    if (const LaunchFailure* failure = FailureOf(game)) return *failure;
    return StartGame(std::get<LocatedGame>(game));
}

}  // namespace

int ParseLaunchCommand(LaunchInfo* info, const char* token)
{
    Step<LaunchInfo> fields = ParseLaunchToken(token);
    if (const LaunchFailure* failure = FailureOf(fields)) {
        Tell(*failure, {});
        return -1;
    }
    *info = std::move(std::get<LaunchInfo>(fields));
    return 0;
}

void RunLaunchCommand(const char* commandLine)
{
    std::string appname;
    const Step<StartedGame> started = Launch(commandLine, appname);
    if (const LaunchFailure* failure = FailureOf(started)) Tell(*failure, appname);
}

// The top of the launch road: each step in turn, one line of the support log
// per outcome, and the one table of what the user is told.
#include "launcher.h"

#include <string>

#include "game_location.h"
#include "installation.h"
#include "launch_command.h"
#include "launch_rules.h"
#include "link_signing_keys.h"
#include "messages.h"
#include "support_log_file.h"
#include "version.h"

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

void Tell(const LaunchFailure& failure, const std::string& appname, const zentaris::SupportLog& log)
{
    for (const UserMessage& message : UserMessages) {
        if (message.error != failure.error) continue;
        const std::string text = message.text ? message.text : AppNotFoundText(appname);
        log.Write("told the user: " + text + " (" + message.caption + ")");
        ShowLauncherMessage(text.c_str(), message.caption);
        return;
    }
}

// The fields a link holds, by name: its values stay out of the log until
// they have passed the rules, and its signature always does.
std::string FieldNames(const LaunchInfo& info)
{
    const std::pair<const char*, const std::optional<std::string>*> fields[] = {
        {"appname", &info.appname},   {"installkey", &info.installkey}, {"installvalue", &info.installvalue},
        {"exename", &info.exename},   {"weblink", &info.weblink},       {"approvalid", &info.approvalid},
        {"signature", &info.signature},
    };
    std::string names;
    for (const auto& [name, value] : fields) {
        if (!*value) break;
        names += names.empty() ? "" : ", ";
        names += name;
    }
    return names;
}

std::string Described(const CheckedLink& link)
{
    return "link passes the rules: appname [" + link.appname + "], approvalid [" + link.approvalid +
           "], installkey [" + link.installkey + "], installvalue [" + link.installvalue + "], exename [" +
           link.exename + "], " + (link.verified ? "signature verified" : "unsigned links taken");
}

// The road, step by step. `appname` is the game's name once a link has
// passed the rules.
Step<StartedGame> Launch(std::string_view command, const zentaris::SupportLog& log, std::string& appname)
{
    const Step<LaunchInfo> fields = DecodeLaunchCommand(command);
    if (const LaunchFailure* failure = FailureOf(fields)) return *failure;
    log.Write("link fields: " + FieldNames(std::get<LaunchInfo>(fields)));

    Step<CheckedLink> link = CheckLaunchLink(std::get<LaunchInfo>(fields), zentaris::LinkSigningKeys());
    if (const LaunchFailure* failure = FailureOf(link)) return *failure;
    log.Write(Described(std::get<CheckedLink>(link)));
    appname = std::get<CheckedLink>(link).appname;

    const Step<ApprovedLink> approved = AskPortal(std::move(std::get<CheckedLink>(link)));
    if (const LaunchFailure* failure = FailureOf(approved)) return *failure;
    log.Write("the portal approved [" + std::get<ApprovedLink>(approved).link.approvalid + "]: HTTP " +
              std::to_string(std::get<ApprovedLink>(approved).status));

    const Step<LocatedGame> game = LocateGame(std::get<ApprovedLink>(approved));
    if (const LaunchFailure* failure = FailureOf(game)) return *failure;
    const GameCommand& start = std::get<LocatedGame>(game).command;
    log.Write("game found through " + std::get<LocatedGame>(game).source + ": starting [" + start.commandLine +
              "] in [" + start.folder + "]");
    return StartGame(std::get<LocatedGame>(game));
}

}  // namespace

void RunLaunchCommand(const char* commandLine)
{
    const LauncherArguments arguments = SplitLauncherArguments(commandLine);
    const zentaris::SupportLog log = zentaris::SupportLog::Open(zentaris::LauncherLogFile, arguments.log);
    log.Write(std::string("ZentarisLauncher ") + ZEN_VERSION_LABEL + ": a launch command of " +
              std::to_string(arguments.command.size()) + " characters");
    std::string appname;
    const Step<StartedGame> started = Launch(arguments.command, log, appname);
    if (const LaunchFailure* failure = FailureOf(started)) {
        log.Write("the launch ended: " + failure->reason);
        Tell(*failure, appname, log);
        return;
    }
    log.Write("started, process " + std::to_string(std::get<StartedGame>(started).processId));
}

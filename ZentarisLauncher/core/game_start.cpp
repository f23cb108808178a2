// Locating a game and starting it: from its application record, or on a
// first launch from its installation record (and then recorded), or when
// the application record cannot be used, from the installation record alone.
#include <windows.h>

#include <vector>

#include "application_record.h"
#include "application_registry.h"
#include "game_location.h"
#include "game_process.h"
#include "launch_rules.h"
#include "launcher.h"
#include "page_fillable_folders.h"
#include "registry.h"

namespace {

using zentaris::RegistryKey;

HKEY RootKeyOf(InstallRoot root)
{
    switch (root) {
    case InstallRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case InstallRoot::CurrentUser: return HKEY_CURRENT_USER;
    case InstallRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case InstallRoot::Invalid: break;
    }
    return nullptr;
}

// The registry views to search for a game's installation record, this
// program's own first. The user's own branch is one for both kinds.
std::vector<REGSAM> InstallationViews(InstallRoot root)
{
#ifdef _WIN64
    constexpr REGSAM OtherView = KEY_WOW64_32KEY;
#else
    constexpr REGSAM OtherView = KEY_WOW64_64KEY;
#endif
    if (root == InstallRoot::CurrentUser) return {0};
    return {0, OtherView};
}

const char* ViewName(REGSAM view)
{
    if (view == KEY_WOW64_32KEY) return " (32-bit view)";
    if (view == KEY_WOW64_64KEY) return " (64-bit view)";
    return "";
}

LaunchFailure GameNotFound(const std::string& reason)
{
    return {LaunchError::GameNotFound, reason};
}

// A game found through its installation record, and for the support log
// which value of which key named its folder.
struct InstalledGame {
    GamePath path;
    std::string source;
};

// The game's folder from the installation record the link names, and the
// executable the link names inside it.
Step<InstalledGame> FindInstalledGame(const CheckedLink& link)
{
    const InstallKey key = SplitInstallKey(link.installkey);
    const HKEY root = RootKeyOf(key.root);
    if (!root) return LaunchFailure{LaunchError::InvalidLink, "installkey [" + link.installkey + "] names no root key"};

    // A game's installer writes its record to the registry view of its own
    // kind, which a program of the other kind does not see by default: look
    // in this program's view first, then in the other one.
    bool keyFound = false;
    std::optional<std::string> folder;
    std::string source;
    for (const REGSAM view : InstallationViews(key.root)) {
        const RegistryKey installation = RegistryKey::Open(root, key.subkey.c_str(), KEY_READ | view);
        if (!installation) continue;
        keyFound = true;
        folder = installation.Text(link.installvalue.c_str(), 0, zentaris::TerminatorRule::MayBeMissing);
        source = "[" + link.installkey + "] value [" + link.installvalue + "]" + ViewName(view);
        if (folder) break;
    }
    if (!keyFound) {
        return LaunchFailure{LaunchError::AppNotFound, "installkey [" + link.installkey + "] does not exist"};
    }
    if (!folder) return GameNotFound(source + " does not exist");
    // Whatever value the link names is read; only a folder on a local drive
    // is a place to start a game from.
    if (!IsLocalInstallationFolder(*folder)) {
        return GameNotFound("folder [" + *folder + "] from " + source + " is not a folder on a local drive");
    }
    // A value can name a folder that any page fills (the downloads, the
    // desktop, a cache): a program lying there is no installed game.
    if (IsInPageFillableFolder(*folder)) {
        return GameNotFound("folder [" + *folder + "] from " + source + " lies where web pages save files");
    }
    std::optional<GamePath> game = RecordableGamePath(*folder, link.exename);
    if (!game) return GameNotFound("folder [" + *folder + "] and exename pass 1023 characters");
    return InstalledGame{std::move(*game), std::move(source)};
}

// A first launch's record, filled in the order readers expect. A value that
// cannot be written leaves the start as it is; the support log says so.
const char* Remember(const RegistryKey& record, const CheckedLink& link, const GameCommand& game)
{
    // The tray opens this link with the shell: only a web page is kept.
    const std::string weblink = IsOpenableWebLink(link.weblink) ? link.weblink : std::string();
    const std::pair<const char*, std::string> values[] = {
        {zentaris::RecordAppName, link.appname},
        {zentaris::RecordApp, game.commandLine},
        {zentaris::RecordAPath, game.folder},
        {zentaris::RecordWebLink, weblink},
    };
    bool stored = true;
    for (const auto& [name, text] : values) stored = record.SetText(name, text) && stored;
    return stored ? "; recorded" : "; the record could not be written whole";
}

Step<LocatedGame> Located(const Step<InstalledGame>& found, const std::string& how)
{
    if (const LaunchFailure* failure = FailureOf(found)) return *failure;
    const InstalledGame& game = std::get<InstalledGame>(found);
    return LocatedGame{LocatedGameCommand(game.path), how + game.source};
}

}  // namespace

Step<LocatedGame> LocateGame(const ApprovedLink& approved)
{
    const CheckedLink& link = approved.link;
    const RegistryKey record = OpenApplicationRecord(link.appname);
    if (record) {
        const std::optional<std::string> app = ReadRecordText(record, zentaris::RecordApp);
        const std::optional<std::string> apath = ReadRecordText(record, zentaris::RecordAPath);
        if (app && apath) return LocatedGame{RecordedGameCommand(*app, *apath), "the application record"};
        // A record without a usable "APP" or "APATH" stays as it is; the
        // game is looked for on every launch.
        return Located(FindInstalledGame(link), "the application record is unusable; ");
    }

    // First launch: make the record, then fill it from what locating finds.
    // When nothing is found the key stays, empty; later launches take the
    // fallback start.
    const RegistryKey fresh = ApplicationBranchIsWritable() ? CreateApplicationRecord(link.appname) : RegistryKey();
    Step<LocatedGame> found = Located(FindInstalledGame(link), "first launch: ");
    if (LocatedGame* game = std::get_if<LocatedGame>(&found); game && fresh) {
        game->source += Remember(fresh, link, game->command);
    }
    return found;
}

Step<StartedGame> StartGame(const LocatedGame& game)
{
    const GameProcessStart started = StartGameCommand(game.command);
    if (!started.processId) return LaunchFailure{LaunchError::NotStarted, started.failure};
    return StartedGame{started.processId};
}

// Where a game lives and how it is started, from a launch command and the
// game's own installation record. Portable; the registry and the process
// start are in game_start.cpp.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "application_record.h"

enum class InstallRoot { ClassesRoot, CurrentUser, LocalMachine, Invalid };

// `installkey` of a launch command: a root abbreviation ("HKCR", "HKCU",
// "HKLM", compared exactly), a backslash and a subkey path.
struct InstallKey {
    InstallRoot root = InstallRoot::Invalid;
    std::string subkey;  // may be empty: the root key itself holds the value
};

// Leading backslashes are skipped; the abbreviation runs to the next
// backslash and the subkey is everything after it.
InstallKey SplitInstallKey(std::string_view installkey);

// An installation key that a vendor's installer writes: below
// HKLM\SOFTWARE or HKCU\SOFTWARE (the 32-bit view's WOW6432Node included),
// naming a vendor's own key, and outside the platform's own branches
// (Microsoft, Classes, Policies), whose values name the user's shell
// folders, temporary folders and the like. A launcher that takes unsigned
// links reads installation folders from such keys only: any page could
// otherwise name a value that points at a folder the page can fill. Every
// component must be non-empty, so no spelling of a key reaches past the rule.
bool IsVendorInstallationKey(const InstallKey& key);

// True when `folder` is `place` or lies below it. Both are absolute paths
// in the same spelling (the caller makes them canonical); letters compare
// without ASCII case and "/" counts as "\".
bool IsSameOrBelowFolder(std::string_view folder, std::string_view place);

// A game found through its installation record: the folder as the record
// holds it and the executable relative to it, kept apart.
struct GamePath {
    std::string folder;
    std::string exename;
};

// The game's path when the folder names an installation (is not empty) and
// the record's texts of it fit the launcher's 1023 characters; nothing
// otherwise, since a path cut short could name another program than the
// launch command does.
std::optional<GamePath> RecordableGamePath(std::string_view folder, std::string_view exename);

// The executable's full path: the folder, a backslash, the executable (a
// folder's trailing backslash is kept, so two may stand together).
std::string ProgramPath(const GamePath& game);

// How the game is started and recorded: the program as ProgramPath, the
// command line as "APP" holds it (a quotation mark, then the program, no
// closing mark), in the folder.
GameCommand LocatedGameCommand(const GamePath& game);

// The "App not found" message for an application, cut to the launcher's
// message buffer.
std::string AppNotFoundText(std::string_view appname);

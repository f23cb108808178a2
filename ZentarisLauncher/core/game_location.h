// Where a game lives and how it is started: the texts that the game start
// builds from a launch command and the game's own installation record.
// Portable; the registry and the process start are in game_start.cpp.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

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

// A registry text as stored (the installation directory among them): the
// value's bytes up to the first NUL and never beyond the stored size,
// whatever the value's type.
std::string InstallValueText(const char* data, size_t size);

// Command line and working directory of a game's process.
struct LaunchTexts {
    std::string commandLine;       // "\"<dir>\\<exe>": opening quote, no closing one
    std::string workingDirectory;  // the directory, unchanged
};

// Builds the texts of a start from the installation directory. Empty when
// the directory is empty (it names no installation) or when either text
// would not fit the launcher's buffers: a path cut short could name another
// program than the launch command does.
std::optional<LaunchTexts> BuildLaunchTexts(std::string_view directory, std::string_view exename);

// The "App not found" message for an application, cut to the launcher's
// message buffer.
std::string AppNotFoundText(std::string_view appname);

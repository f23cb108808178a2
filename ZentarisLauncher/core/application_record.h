// The per-user application registry: one subkey of the branch per game,
// written by the launcher on a game's first launch and read by the launcher
// and by the tray menus. Portable: names, limits and the text rules that
// every reader has to share.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zentaris {

// Value names of an application record (all REG_SZ, stored with their
// terminating NUL counted in the stored size).
inline constexpr char RecordAppName[] = "APPNAME";  // display name, equals the key name
inline constexpr char RecordApp[] = "APP";          // "\"<dir>\\<exe>": opening quote, no closing one
inline constexpr char RecordAPath[] = "APATH";      // installation directory, as read
inline constexpr char RecordWebLink[] = "WEBLINK";  // the game's portal page
inline constexpr char RecordNoLaunch[] = "NOLAUNCH";  // any type; present: not in the game menu

// The launcher writes these values in this order on a first launch.
inline constexpr const char* RecordValueOrder[] = {RecordAppName, RecordApp, RecordAPath, RecordWebLink};

// The launcher's texts are 1024-byte buffers: at most 1023 characters and a
// NUL. "APP" and "APATH" longer than that send a launch to the fallback
// start; an "APPNAME" longer than that keeps a record out of the tray menus.
inline constexpr size_t LauncherTextSize = 1024;
inline constexpr size_t LauncherTextMaxLength = LauncherTextSize - 1;

// The platform's limit on one key name; the tray enumerates record names
// into a LauncherTextSize buffer.
inline constexpr size_t RegistryKeyNameMaxLength = 255;

// The tray visits at most this many records.
inline constexpr size_t RecordEnumerationLimit = 999;

}  // namespace zentaris

// Registry path of an application's record, below HKEY_CURRENT_USER. The
// name goes in unchanged, so a backslash in it makes a nested key.
std::string ApplicationRecordPath(std::string_view appname);

// The executable that "APP" names: everything after its first character (the
// opening quotation mark, skipped whatever it is) up to the next quotation
// mark or the end. Empty when "APP" has no second character.
std::string ApplicationExecutablePath(std::string_view app);

// What starts a game: the program apart from the command line it is given.
struct GameCommand {
    std::string program;      // the executable; empty: the platform reads it from the command line
    std::string commandLine;  // what the game receives
    std::string folder;       // its working folder; empty: the starter's own
};

// The start a record's "APP" and "APATH" describe. Only a line that opens
// with a quotation mark (as the launcher writes "APP") names its program, as
// ApplicationExecutablePath reads it; any other line is left to the platform
// to read, however it does.
GameCommand RecordedGameCommand(std::string_view app, std::string_view apath);

// True for a path that leads to another machine, which the launcher neither
// starts programs from, runs them in, nor reads icons from: two slashes or
// backslashes in any mix at its start ("\\host\share", "//host",
// "\\?\UNC\host\share"), or the platform's native "\??\UNC\" form. Blanks
// before it do not hide it.
bool IsNetworkPath(std::string_view path);

// True for a link that may be handed to the shell's "open": an http or https
// URL (scheme in any case) with at least a host character after "//", made
// of printable ASCII alone. A space, a quotation mark or a control character
// (tab, CR and LF included) anywhere would change how the command line the
// shell builds for the link is read, so such a text is refused; so is any
// byte above 0x7F, which a URL carries percent-encoded and which the shell
// reads in a code page where some are spaces (0xA0 in Windows-1252). The
// line end a download list line keeps is the list's to remove first.
bool IsOpenableWebLink(std::string_view link);

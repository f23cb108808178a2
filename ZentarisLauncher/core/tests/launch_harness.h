// Drives the real ZentarisLauncher.exe in a Wine prefix of its own: builds
// launch commands, installs the test game, runs the launcher in a job so
// that every process it starts is counted, and resets the application branch.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <vector>

#include "launch_road.h"
#include "uiauto.h"

namespace launchtest {

// The six payload fields in payload order.
using LaunchFields = LinkFields;

// The six fields joined by ";", as they are signed.
std::string JoinedFields(const LaunchFields& fields);

// "zentaris://launch/" + the Base64 of the fields joined by ";" and signed
// with this build's portal key, as the sample portal makes links.
std::string LaunchCommand(const LaunchFields& fields);

// The same link without its signature.
std::string UnsignedLaunchCommand(const LaunchFields& fields);

struct LaunchRun {
    bool ended = false;        // the launcher and everything it started ended in time
    DWORD exitCode = 0;        // the launcher's
    std::vector<uiauto::MessageBoxInfo> boxes;  // answered with OK, in order
    int processesStarted = 0;  // processes started by the launcher
};

// The launcher as built, and the same program built to take unsigned links.
inline constexpr char LauncherProgram[] = "ZentarisLauncher.exe";
inline constexpr char UnsignedLinkLauncherProgram[] = "zen_launcher_unsigned.exe";

// Runs the launcher (`program`, beside the test) with `arguments`, answers
// its message boxes and waits until it and every process it started have
// ended.
LaunchRun RunLauncher(const std::string& arguments, DWORD timeoutMs = 60000,
                      const char* program = LauncherProgram);

// One line of the test game's log.
struct GameStart {
    std::string workingDirectory;
    std::string commandLine;
};

// Points the test game's log at a fresh file of this test process.
void StartGameLog();
std::vector<GameStart> GameStarts();

// A new folder below "C:\zen games" (name may hold spaces) holding a copy of
// testgame.exe as `exename`. Returns its full path. (Not below a temporary
// folder: the launcher refuses folders a web page can fill.)
std::string InstallTestGame(const std::string& folderName, const std::string& exename = "game.exe");

// The application branch under HKEY_CURRENT_USER, as the installation
// leaves it (empty), or gone.
void ResetApplicationBranch();
void DeleteApplicationBranch();

std::string WithoutTrailingBackslash(std::string path);

// A known folder of this user (made where missing), in the ANSI code page.
std::string KnownFolder(REFKNOWNFOLDERID id);

// The support log's files ("launcher.log", "zenproto.log", each with an older
// ".1"), where both programs write them; the text of one, nothing when it is
// missing.
std::string SupportLogPath(const std::string& file);
std::optional<std::string> SupportLogText(const std::string& file);
// Every log file gone, and the branch's switch a DWORD 1 or no value at all.
void ResetSupportLog(bool switchedOn);

}  // namespace launchtest

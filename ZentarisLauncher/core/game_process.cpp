#include "game_process.h"

#include <windows.h>

#include <string_view>
#include <vector>

#include "path_rules.h"
#include "unique_handle.h"

namespace {

// Where the program's name begins in a line, however the platform reads it:
// past any blanks and an opening quotation mark.
std::string_view ProgramNameStart(std::string_view commandLine, bool& quoted)
{
    while (!commandLine.empty() && (commandLine.front() == ' ' || commandLine.front() == '\t')) {
        commandLine.remove_prefix(1);
    }
    quoted = !commandLine.empty() && commandLine.front() == '"';
    if (quoted) commandLine.remove_prefix(1);
    return commandLine;
}

// A program or folder on another machine is not the user's installed game,
// and one in the platform's namespaces or named like a device may be no file
// at all, whoever wrote the text that names it. `path` may go on with the
// program's arguments: only the path itself is looked at for device names.
bool IsStartablePath(std::string_view path, bool quoted)
{
    if (IsNetworkPath(path) || IsNamespacePath(path)) return false;
    const size_t end = quoted ? path.find('"') : path.find_first_of(" \t");
    return !HasDeviceNameComponent(path.substr(0, end));
}

GameProcessStart NotStarted(std::string failure)
{
    return {0, std::move(failure)};
}

}  // namespace

GameProcessStart StartGameCommand(const GameCommand& command)
{
    bool quoted = true;
    const std::string_view program =
        command.program.empty() ? ProgramNameStart(command.commandLine, quoted) : std::string_view(command.program);
    if (!IsStartablePath(program, quoted)) {
        return NotStarted("the program is not on a local drive or names a device");
    }
    if (!IsStartablePath(command.folder, true)) {
        return NotStarted("the folder is not on a local drive or names a device");
    }
    // CreateProcessA may write into the command line it is given.
    std::vector<char> line(command.commandLine.begin(), command.commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    // No folder at all means the caller's own, in every mode.
    if (!CreateProcessA(command.program.empty() ? nullptr : command.program.c_str(), line.data(), nullptr, nullptr,
                        FALSE, 0, nullptr, command.folder.empty() ? nullptr : command.folder.c_str(), &startup,
                        &started)) {
        return NotStarted("the platform refused the start, error " + std::to_string(GetLastError()));
    }
    // Nobody waits for the game: its handles go as soon as it has started.
    zentaris::UniqueProcessInformation process;
    process.Take(started);
    return {process.processId, {}};
}

GameProcessStart StartGameProcess(const char* commandLine, const char* workingDirectory)
{
    return StartGameCommand(RecordedGameCommand(commandLine, workingDirectory ? workingDirectory : ""));
}

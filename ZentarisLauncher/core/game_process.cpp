#include "game_process.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "application_record.h"
#include "path_rules.h"
#include "unique_handle.h"

namespace {

// Where the program's name begins in a line, however the platform reads it:
// past any blanks and an opening quotation mark.
const char* ProgramNameStart(const char* commandLine)
{
    while (*commandLine == ' ' || *commandLine == '\t') ++commandLine;
    return *commandLine == '"' ? commandLine + 1 : commandLine;
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

}  // namespace

void StartGameProcess(const char* commandLine, const char* workingDirectory)
{
    const char* program = ProgramNameStart(commandLine);
    if (!IsStartablePath(program, program != commandLine && program[-1] == '"')) return;
    if (workingDirectory && !IsStartablePath(workingDirectory, true)) return;
    // No folder at all means the launcher's own, in every mode.
    if (workingDirectory && !workingDirectory[0]) workingDirectory = nullptr;
    // Only a line that opens with a quotation mark names its program this
    // way; any other line is left to the platform to read.
    const std::string module = commandLine[0] == '"' ? ApplicationExecutablePath(commandLine) : std::string();
    // CreateProcessA may write into the command line it is given.
    std::vector<char> line(commandLine, commandLine + std::strlen(commandLine) + 1);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(module.empty() ? nullptr : module.c_str(), line.data(), nullptr, nullptr, FALSE,
                        0, nullptr, workingDirectory, &startup, &started)) {
        return;
    }
    // Nobody waits for the game: its handles go as soon as it has started.
    zentaris::UniqueProcessInformation process;
    process.Take(started);
}

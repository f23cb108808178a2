#include "game_process.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "application_record.h"
#include "unique_handle.h"

namespace {

// Where the program's name begins in a line, however the platform reads it:
// past any blanks and an opening quotation mark.
const char* ProgramNameStart(const char* commandLine)
{
    while (*commandLine == ' ' || *commandLine == '\t') ++commandLine;
    return *commandLine == '"' ? commandLine + 1 : commandLine;
}

}  // namespace

void StartGameProcess(const char* commandLine, const char* workingDirectory)
{
    // A program or folder on another machine is not the user's installed
    // game, whoever wrote the text that names it.
    if (IsNetworkPath(ProgramNameStart(commandLine))) return;
    if (workingDirectory && IsNetworkPath(workingDirectory)) return;
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

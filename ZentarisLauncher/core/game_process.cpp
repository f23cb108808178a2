#include "game_process.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "application_record.h"

void StartGameProcess(const char* commandLine, const char* workingDirectory)
{
    // Only a line that opens with a quotation mark names its program this
    // way; any other line is left to the platform to read.
    const std::string module = commandLine[0] == '"' ? ApplicationExecutablePath(commandLine) : std::string();
    // CreateProcessA may write into the command line it is given.
    std::vector<char> line(commandLine, commandLine + std::strlen(commandLine) + 1);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(module.empty() ? nullptr : module.c_str(), line.data(), nullptr, nullptr, FALSE,
                        0, nullptr, workingDirectory, &startup, &process)) {
        return;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

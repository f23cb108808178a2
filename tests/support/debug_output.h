// What a program writes with OutputDebugString, read as its debugger would:
// for tests of programs whose decisions show nowhere else (the launcher's
// update check logs each one that way).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace uiauto {

struct DebuggedRun {
    DWORD startError = 0;              // not 0: the program never started (GetLastError)
    bool exited = false;               // false: still running at the deadline (then ended)
    DWORD exitCode = 0;
    std::vector<std::string> output;   // each OutputDebugString text, in order
};

// Runs `exePath` with the command line `"exePath" arguments` as its debugger
// until it ends or `timeoutMs` has passed, with `token` when one is given
// (uiauto::UnelevatedToken) and else with this process's own. Programs it
// starts are not debugged.
DebuggedRun RunDebugged(const std::string& exePath, const std::string& arguments, DWORD timeoutMs,
                        HANDLE token = nullptr);

}  // namespace uiauto

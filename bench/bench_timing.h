// The measurements zen_bench.exe makes. Each writes one line per sample,
//   <measurement> <side> <milliseconds>
// to `out`, and answers 0, or 1 when a sample went wrong (the reason is on
// stderr): a benchmark of a road that failed measures nothing.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace bench {

// One program that starts the game: its name in the samples and its full
// command line.
struct LaunchSide {
    std::string name;
    std::wstring commandLine;
};

struct LaunchSetup {
    int rounds = 0;
    int warmup = 0;
    std::wstring gameLog;          // the test game's log (ZEN_TESTGAME_LOG)
    std::vector<LaunchSide> sides;
};

int TimeLaunches(const LaunchSetup& setup, FILE* out);

struct InstallCheckSetup {
    int rounds = 0;
    int warmup = 0;
    std::wstring handlerUrl;     // zentaris://instcheck/...
    std::wstring directUrl;      // the same image over http
};

int TimeInstallChecks(const InstallCheckSetup& setup, FILE* out);

}  // namespace bench

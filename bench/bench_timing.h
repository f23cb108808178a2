// The measurements zen_bench.exe makes. Each writes one line per sample,
//   <measurement> <side> <milliseconds>
// to `out`, and answers 0, or 1 when a sample went wrong (the reason is on
// stderr): a benchmark of a road that failed measures nothing.
#pragma once

#include <cstdio>
#include <string>

namespace bench {

struct LaunchSetup {
    int rounds = 0;
    int warmup = 0;
    std::wstring gameLog;        // the test game's log (ZEN_TESTGAME_LOG)
    std::wstring launcherLine;   // full command line of ZentarisLauncher.exe
    std::wstring baselineLine;   // full command line of the baseline program
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

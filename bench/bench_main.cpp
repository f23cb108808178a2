// zen_bench.exe: times the launch road and the install check against their
// baselines, alternating the two sides round by round so that a shared,
// noisy machine loads both alike.
//   zen_bench launch OUT ROUNDS WARMUP GAMELOG LAUNCHER_LINE BASELINE_LINE
//   zen_bench instcheck OUT ROUNDS WARMUP HANDLER_URL DIRECT_URL
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_timing.h"

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: zen_bench launch OUT ROUNDS WARMUP GAMELOG LAUNCHER_LINE BASELINE_LINE\n"
                 "       zen_bench instcheck OUT ROUNDS WARMUP HANDLER_URL DIRECT_URL\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 5) return Usage();
    const std::wstring what = argv[1];
    FILE* out = _wfopen(argv[2], L"w");
    if (!out) {
        std::fprintf(stderr, "cannot write %ls\n", argv[2]);
        return 2;
    }
    const int rounds = _wtoi(argv[3]);
    const int warmup = _wtoi(argv[4]);
    int status = 2;
    if (what == L"launch" && argc == 8) {
        bench::LaunchSetup setup{rounds, warmup, argv[5], argv[6], argv[7]};
        status = bench::TimeLaunches(setup, out);
    } else if (what == L"instcheck" && argc == 7) {
        bench::InstallCheckSetup setup{rounds, warmup, argv[5], argv[6]};
        status = bench::TimeInstallChecks(setup, out);
    } else {
        status = Usage();
    }
    std::fclose(out);
    return status;
}

// zen_bench.exe: times the launch road and the install check against their
// baselines, rotating the order of the sides round by round so that a shared,
// noisy machine loads all of them alike.
//   zen_bench launch OUT ROUNDS WARMUP GAMELOG NAME=COMMAND_LINE...
//   zen_bench instcheck OUT ROUNDS WARMUP HANDLER_URL DIRECT_URL
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_timing.h"

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: zen_bench launch OUT ROUNDS WARMUP GAMELOG NAME=COMMAND_LINE...\n"
                 "       zen_bench instcheck OUT ROUNDS WARMUP HANDLER_URL DIRECT_URL\n");
    return 2;
}

// "name=command line"; names are plain ASCII words.
bool AddSide(const std::wstring& argument, std::vector<bench::LaunchSide>& sides)
{
    const size_t equals = argument.find(L'=');
    if (equals == 0 || equals == std::wstring::npos) return false;
    std::string name;
    for (size_t i = 0; i < equals; ++i) {
        if (argument[i] > 127 || argument[i] <= L' ') return false;
        name += static_cast<char>(argument[i]);
    }
    sides.push_back({name, argument.substr(equals + 1)});
    return true;
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
    if (what == L"launch" && argc >= 7) {
        bench::LaunchSetup setup{rounds, warmup, argv[5], {}};
        for (int i = 6; i < argc; ++i) {
            if (AddSide(argv[i], setup.sides)) continue;
            std::fclose(out);
            return Usage();
        }
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

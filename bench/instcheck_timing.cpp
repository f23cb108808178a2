// Time of one install check as a browser binds it, through the registered
// handler and, as the baseline, straight from the web server over http, with
// the WinINet calls of both sides timed on the way (wininet_phases.h).
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>

#include "bench_timing.h"
#include "browser_bind.h"
#include "stopwatch.h"
#include "wininet_phases.h"

namespace bench {

namespace {

constexpr DWORD BindWaitMs = 15000;

// The image is whole when as many bytes arrived as the direct fetch gave
// (the handler announces its data without ending the bind, so waiting for
// the bind's end would only measure the time-out).
bool Bound(const browser::BindOutcome& result, size_t imageSize)
{
    if (FAILED(result.bindResult)) return false;
    if (result.stopped && FAILED(result.stopResult)) return false;
    return result.bytes.size() == imageSize && result.bytes.compare(0, 3, "GIF") == 0;
}

// The handler is loaded (and kept) before its first bind, so that its calls
// are timed from the first on: it takes the addresses of its WinINet calls
// when it first uses them.
bool TimeBothSides(const std::wstring& handlerUrl)
{
    const std::wstring scheme = handlerUrl.substr(0, handlerUrl.find(L':'));
    CLSID clsid{};
    std::wstring path;
    HMODULE handler = RegisteredHandler(scheme, &clsid, &path) ? LoadLibraryW(path.c_str()) : nullptr;
    if (!TimeWinInetCallsOf(handler) || !TimeStartOf(handler, clsid)) {
        std::fprintf(stderr, "cannot time the calls of the handler \"%ls\"\n", path.c_str());
        return false;
    }
    if (!TimeWinInetCallsOf(GetModuleHandleW(L"urlmon.dll"))) {
        std::fprintf(stderr, "cannot time the WinINet calls of urlmon\n");
        return false;
    }
    return true;
}

void WritePhases(FILE* out, const char* side, const BindPhases& phases)
{
    if (phases.toStartMs >= 0) std::fprintf(out, "instphase.to_start %s %.4f\n", side, phases.toStartMs);
    std::fprintf(out, "instphase.before %s %.4f\n", side, phases.beforeMs);
    for (const PhaseTotal& call : phases.calls) {
        std::fprintf(out, "instphase.%s %s %.4f\n", call.name, side, call.ms);
        std::fprintf(out, "instcalls.%s %s %d\n", call.name, side, call.calls);
    }
    std::fprintf(out, "instphase.between %s %.4f\n", side, phases.betweenMs);
    std::fprintf(out, "instphase.after %s %.4f\n", side, phases.afterMs);
}

}  // namespace

int TimeInstallChecks(const InstallCheckSetup& setup, FILE* out)
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    if (!TimeBothSides(setup.handlerUrl)) {
        CoUninitialize();
        return 1;
    }
    const browser::BindOutcome first = browser::BindLikeABrowser(setup.directUrl, BindWaitMs);
    const size_t imageSize = first.bytes.size();
    int status = 0;
    if (first.bytes.compare(0, 3, "GIF") != 0) {
        std::fprintf(stderr, "%ls gave no GIF image (%zu bytes)\n", setup.directUrl.c_str(), imageSize);
        status = 1;
    }
    const std::wstring* urls[2] = {&setup.handlerUrl, &setup.directUrl};
    const char* names[2] = {"handler", "baseline"};
    for (int round = 0; status == 0 && round < setup.warmup + setup.rounds; ++round) {
        for (int k = 0; k < 2 && status == 0; ++k) {
            const int side = (round + k) % 2;
            const Stopwatch clock;
            BeginBindPhases();
            const browser::BindOutcome result = browser::BindLikeABrowser(*urls[side], BindWaitMs);
            const double ms = clock.Ms();
            const BindPhases phases = EndBindPhases();
            if (!Bound(result, imageSize)) {
                std::fprintf(stderr, "%ls: bind 0x%08lx, %zu bytes, stop 0x%08lx \"%ls\"\n", urls[side]->c_str(),
                             static_cast<unsigned long>(result.bindResult), result.bytes.size(),
                             static_cast<unsigned long>(result.stopResult), result.stopText.c_str());
                status = 1;
                break;
            }
            if (round < setup.warmup) continue;
            std::fprintf(out, "instcheck %s %.3f\n", names[side], ms);
            WritePhases(out, names[side], phases);
        }
    }
    CoUninitialize();
    return status;
}

}  // namespace bench

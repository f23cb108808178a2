// Time from starting a program to the test game running. The game appends a
// line to its log as the first thing it does; the log's folder is watched
// with a change notification, so the wait ends when the line lands.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "stopwatch.h"

namespace bench {

namespace {

constexpr DWORD GameWaitMs = 20000;
constexpr DWORD ExitWaitMs = 20000;

LONGLONG FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::wstring FolderOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

struct Sample {
    bool ok = false;
    double toGameMs = 0;   // start of the program to the game's log line
    double toExitMs = 0;   // start of the program to its end
};

// Waits until the log has grown past `before`, or the bound passes.
bool WaitForGrowth(HANDLE notification, const std::wstring& log, LONGLONG before, const Stopwatch& clock)
{
    while (FileSize(log) <= before) {
        const double left = GameWaitMs - clock.Ms();
        if (left <= 0) return false;
        if (WaitForSingleObject(notification, static_cast<DWORD>(left)) != WAIT_OBJECT_0) return false;
        FindNextChangeNotification(notification);
    }
    return true;
}

Sample RunOnce(const std::wstring& commandLine, const std::wstring& log)
{
    Sample sample;
    const LONGLONG before = FileSize(log);
    Handle notification(FindFirstChangeNotificationW(
        FolderOf(log).c_str(), FALSE,
        FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_FILE_NAME));
    if (!notification) {
        std::fprintf(stderr, "cannot watch the game log's folder (error %lu)\n", GetLastError());
        return sample;
    }
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const Stopwatch clock;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        std::fprintf(stderr, "cannot start %ls (error %lu)\n", commandLine.c_str(), GetLastError());
        return sample;
    }
    Handle process(info.hProcess);
    Handle thread(info.hThread);
    const bool started = WaitForGrowth(notification.Get(), log, before, clock);
    sample.toGameMs = clock.Ms();
    const bool ended = WaitForSingleObject(process.Get(), ExitWaitMs) == WAIT_OBJECT_0;
    sample.toExitMs = clock.Ms();
    DWORD code = 1;
    GetExitCodeProcess(process.Get(), &code);
    if (!started) std::fprintf(stderr, "the game did not start: %ls\n", commandLine.c_str());
    if (!ended) std::fprintf(stderr, "did not end: %ls\n", commandLine.c_str());
    if (ended && code != 0) std::fprintf(stderr, "exit status %lu: %ls\n", code, commandLine.c_str());
    sample.ok = started && ended && code == 0;
    return sample;
}

}  // namespace

int TimeLaunches(const LaunchSetup& setup, FILE* out)
{
    // The started game reads the log's name from the environment it inherits.
    SetEnvironmentVariableW(L"ZEN_TESTGAME_LOG", setup.gameLog.c_str());
    const size_t count = setup.sides.size();
    for (int round = 0; round < setup.warmup + setup.rounds; ++round) {
        // Rotate which side goes first, so that none always follows another.
        for (size_t k = 0; k < count; ++k) {
            const LaunchSide& side = setup.sides[(round + k) % count];
            const Sample sample = RunOnce(side.commandLine, setup.gameLog);
            if (!sample.ok) return 1;
            if (round < setup.warmup) continue;
            std::fprintf(out, "launch %s %.3f\n", side.name.c_str(), sample.toGameMs);
            std::fprintf(out, "launch_exit %s %.3f\n", side.name.c_str(), sample.toExitMs);
        }
    }
    return 0;
}

}  // namespace bench

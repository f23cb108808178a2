// UI automation for Windows tests: start a program, find the message boxes
// that belong to a process, read them, answer them, collect the exit status.
// Works for boxes of a child process and for boxes that another thread of the
// test process shows.
#pragma once

#include <windows.h>

#include <cstdlib>

#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>
#include <mutex>
#include <atomic>

#include "display_scale.h"
#include "unique_handle.h"

namespace uiauto {

struct MessageBoxInfo {
    HWND window = nullptr;
    std::string caption;
    std::string text;
};

// Owns a started process and its two handles.
class Process {
public:
    // Starts `exePath` with the command line `"exePath" arguments` (or just
    // `"exePath"` when arguments is empty), with `token` when one is given
    // (UnelevatedToken) and else with this process's own. Empty optional on
    // failure.
    static std::optional<Process> Start(const std::string& exePath, const std::string& arguments,
                                         const std::string& workingDir = {}, HANDLE token = nullptr);

    DWORD Id() const { return info_.processId; }
    HANDLE Handle() const { return info_.process.get(); }
    // Waits up to timeoutMs; the exit code when the process ended.
    std::optional<DWORD> WaitExit(DWORD timeoutMs) const;
    void Kill() const;

private:
    zentaris::UniqueProcessInformation info_;
};

// Visible top-level windows of a class, of one process and, when threadId is
// not 0, of one thread, on this thread's desktop.
std::vector<HWND> VisibleWindows(const char* windowClass, DWORD pid, DWORD threadId = 0);

// The first top-level window of a class that belongs to process pid, shown or
// hidden, on any desktop this thread sees; null when it has none (yet).
HWND WindowOfProcess(const char* windowClass, DWORD pid);

// Looks again every 20 ms until found() or timeoutMs has passed; whether it
// was found. For what another process or thread brings about unannounced.
bool WaitUntil(DWORD timeoutMs, const std::function<bool()>& found);

// The visible message boxes ("#32770" windows) whose owner process is pid.
std::vector<MessageBoxInfo> FindMessageBoxes(DWORD pid);

// Waits until a message box of pid is visible, up to timeoutMs. When
// `process` is given, stops early once it has ended.
std::optional<MessageBoxInfo> WaitForMessageBox(DWORD pid, DWORD timeoutMs, HANDLE process = nullptr);

// Presses OK on a message box.
void PressOk(HWND box);

// A key for a tracked menu, posted to its window, where its modal loop reads
// it: unlike typed keys it cannot reach another window, however late the
// menu starts tracking.
void PostKey(HWND menuWindow, UINT key);

// Presses OK on each box of pid not in `answered` (and adds it there); the
// boxes answered now, in the order found. `seen`, when given, hears of each
// box before its OK is pressed.
std::vector<MessageBoxInfo> AnswerNewBoxes(DWORD pid, std::vector<HWND>& answered,
                                           const std::function<void(const MessageBoxInfo&)>& seen = {});

struct RunResult {
    bool exited = false;                   // false: still running at the deadline (then killed)
    DWORD startError = 0;                  // not 0: the program never started (GetLastError)
    DWORD exitCode = 0;
    std::vector<MessageBoxInfo> boxes;     // every box shown, answered with OK, in order
};

// Runs a program to its end, answering each message box with OK. A start
// that fails is tried again until the deadline: Wine's CreateProcess has
// been seen to fail now and then on a loaded machine. `token` as for
// Process::Start.
RunResult RunAndAnswer(const std::string& exePath, const std::string& arguments,
                       DWORD timeoutMs = 20000, const std::string& workingDir = {}, HANDLE token = nullptr);

// This user's token without administrator rights in force, for starting a
// program as a user who did not choose "Run as administrator": the limited
// token linked to this process's elevated one. Under Wine every process
// runs elevated and CreateProcessAsUser takes the linked token; on Windows
// only a caller that may assign primary tokens can start programs with it.
// Empty where this process is not elevated or has no linked token.
zentaris::UniqueKernelHandle UnelevatedToken();

// Whether the process runs with an elevated token; empty when it cannot be
// read.
std::optional<bool> RunsElevated(HANDLE process);

// A running process: its id, the file it runs, and a handle that keeps its id
// from being reused.
struct RunningProgram {
    DWORD id = 0;
    std::string image;
    zentaris::UniqueKernelHandle handle;
};

// Every running process of this session whose file has this name, from any
// folder. A process exists as soon as CreateProcess returns, before it has a
// window; one that has ended and is not yet reaped is left out.
std::vector<RunningProgram> RunningPrograms(const char* fileName);

// Watches this process for message boxes from any thread, records them and
// presses OK, until destroyed.
class BoxWatcher {
public:
    BoxWatcher();
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    std::vector<MessageBoxInfo> Boxes() const;

private:
    void Watch();
    mutable std::mutex mutex_;
    std::vector<MessageBoxInfo> boxes_;
    zentaris::UniqueKernelHandle stop_;
    std::thread thread_;
};

// The display scale the test's prefix was given (run-test.sh ZEN_WINE_DPI;
// 96 is 100 %).
inline UINT PrefixDpi()
{
    char text[16] = "";
    const DWORD length = GetEnvironmentVariableA("ZEN_WINE_DPI", text, sizeof text);
    const UINT dpi = length > 0 && length < sizeof text ? static_cast<UINT>(std::strtoul(text, nullptr, 10)) : 0;
    return dpi > 0 ? dpi : 96;
}

// A length of 96 DPI at the prefix's scale, as the programs scale it.
inline int ScaledForPrefix(int length) { return zentaris::ScaleForDpi(length, PrefixDpi()); }

// Full path of a file in the folder of the running test program, where the
// build puts every deliverable.
std::string BesideTestProgram(const std::string& fileName);

}  // namespace uiauto

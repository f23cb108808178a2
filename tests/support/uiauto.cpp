#include "uiauto.h"

#include <psapi.h>

#include <algorithm>

namespace uiauto {

namespace {

// How often the helpers look again for a new window. The wait itself blocks
// on the process handle or the stop event, so an ended process or a stopped
// watcher is noticed at once.
constexpr DWORD PollIntervalMs = 20;

std::string WindowText(HWND window)
{
    char buffer[4096] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

std::string BoxText(HWND box)
{
    char buffer[4096] = {};
    GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);
    return buffer;
}

struct WindowQuery {
    const char* windowClass;
    DWORD pid;
    DWORD threadId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    auto* query = reinterpret_cast<WindowQuery*>(param);
    DWORD owner = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &owner);
    if (owner != query->pid || (query->threadId && thread != query->threadId) || !IsWindowVisible(window)) {
        return TRUE;
    }
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) == query->windowClass) query->found.push_back(window);
    return TRUE;
}

}  // namespace

std::optional<Process> Process::Start(const std::string& exePath, const std::string& arguments,
                                      const std::string& workingDir, HANDLE token)
{
    std::string commandLine = "\"" + exePath + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    const char* folder = workingDir.empty() ? nullptr : workingDir.c_str();
    const BOOL ok = token ? CreateProcessAsUserA(token, exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                                 0, nullptr, folder, &startup, &started)
                          : CreateProcessA(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                           folder, &startup, &started);
    if (!ok) return std::nullopt;
    Process process;
    process.info_.Take(started);
    return process;
}

void PostKey(HWND menuWindow, UINT key)
{
    PostMessageA(menuWindow, WM_KEYDOWN, key, 1);
    PostMessageA(menuWindow, WM_KEYUP, key, 0xC0000001);
}

std::vector<MessageBoxInfo> AnswerNewBoxes(DWORD pid, std::vector<HWND>& answered,
                                           const std::function<void(const MessageBoxInfo&)>& seen)
{
    std::vector<MessageBoxInfo> fresh;
    for (const MessageBoxInfo& box : FindMessageBoxes(pid)) {
        if (std::find(answered.begin(), answered.end(), box.window) != answered.end()) continue;
        answered.push_back(box.window);
        fresh.push_back(box);
        if (seen) seen(box);
        PressOk(box.window);
    }
    return fresh;
}

std::optional<DWORD> Process::WaitExit(DWORD timeoutMs) const
{
    if (WaitForSingleObject(info_.process.get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(info_.process.get(), &code);
    return code;
}

void Process::Kill() const
{
    TerminateProcess(info_.process.get(), 255);
    WaitForSingleObject(info_.process.get(), 5000);
}

std::vector<HWND> VisibleWindows(const char* windowClass, DWORD pid, DWORD threadId)
{
    WindowQuery query{windowClass, pid, threadId, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

bool WaitUntil(DWORD timeoutMs, const std::function<bool()>& found)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (found()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(PollIntervalMs);
    }
}

std::vector<MessageBoxInfo> FindMessageBoxes(DWORD pid)
{
    std::vector<MessageBoxInfo> found;
    for (HWND box : VisibleWindows("#32770", pid)) found.push_back({box, WindowText(box), BoxText(box)});
    return found;
}

std::optional<MessageBoxInfo> WaitForMessageBox(DWORD pid, DWORD timeoutMs, HANDLE process)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        std::vector<MessageBoxInfo> boxes = FindMessageBoxes(pid);
        if (!boxes.empty()) return boxes.front();
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return std::nullopt;
        const DWORD wait = static_cast<DWORD>(std::min<ULONGLONG>(PollIntervalMs, deadline - now));
        if (process) {
            if (WaitForSingleObject(process, wait) == WAIT_OBJECT_0) {
                boxes = FindMessageBoxes(pid);
                if (boxes.empty()) return std::nullopt;
                return boxes.front();
            }
        } else {
            Sleep(wait);
        }
    }
}

void PressOk(HWND box)
{
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

RunResult RunAndAnswer(const std::string& exePath, const std::string& arguments, DWORD timeoutMs,
                       const std::string& workingDir, HANDLE token)
{
    RunResult result;
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    std::optional<Process> process;
    while (!(process = Process::Start(exePath, arguments, workingDir, token))) {
        result.startError = GetLastError();
        if (GetTickCount64() >= deadline) return result;
        Sleep(PollIntervalMs);
    }
    result.startError = 0;
    std::vector<HWND> answered;
    for (;;) {
        for (const MessageBoxInfo& box : AnswerNewBoxes(process->Id(), answered)) result.boxes.push_back(box);
        if (std::optional<DWORD> code = process->WaitExit(PollIntervalMs)) {
            result.exited = true;
            result.exitCode = *code;
            return result;
        }
        if (GetTickCount64() >= deadline) {
            process->Kill();
            return result;
        }
    }
}

BoxWatcher::BoxWatcher()
    : stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), thread_([this] { Watch(); })
{
}

BoxWatcher::~BoxWatcher()
{
    SetEvent(stop_.get());
    thread_.join();
}

std::vector<MessageBoxInfo> BoxWatcher::Boxes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

void BoxWatcher::Watch()
{
    std::vector<HWND> answered;
    // A box is on record before OK is pressed: pressing it lets the thread
    // that showed it go on, and that thread may ask for the record at once.
    const auto record = [this](const MessageBoxInfo& box) {
        std::lock_guard<std::mutex> lock(mutex_);
        boxes_.push_back(box);
    };
    do {
        AnswerNewBoxes(GetCurrentProcessId(), answered, record);
    } while (WaitForSingleObject(stop_.get(), PollIntervalMs) == WAIT_TIMEOUT);
}

std::string BesideTestProgram(const std::string& fileName)
{
    char path[MAX_PATH * 4] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string program(path, n < sizeof path ? n : 0);
    return program.substr(0, program.find_last_of("\\/") + 1) + fileName;
}

zentaris::UniqueKernelHandle UnelevatedToken()
{
    zentaris::UniqueKernelHandle own;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, own.put())) return {};
    TOKEN_ELEVATION_TYPE type{};
    DWORD size = 0;
    if (!GetTokenInformation(own.get(), TokenElevationType, &type, sizeof type, &size) ||
        type != TokenElevationTypeFull) {
        return {};
    }
    TOKEN_LINKED_TOKEN linked{};
    if (!GetTokenInformation(own.get(), TokenLinkedToken, &linked, sizeof linked, &size)) return {};
    return zentaris::UniqueKernelHandle(linked.LinkedToken);
}

std::optional<bool> RunsElevated(HANDLE process)
{
    zentaris::UniqueKernelHandle token;
    if (!OpenProcessToken(process, TOKEN_QUERY, token.put())) return std::nullopt;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) return std::nullopt;
    return elevation.TokenIsElevated != 0;
}

std::vector<RunningProgram> RunningPrograms(const char* fileName)
{
    std::vector<DWORD> ids(4096);
    DWORD bytes = 0;
    if (!EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes)) return {};
    ids.resize(bytes / sizeof(DWORD));
    std::vector<RunningProgram> found;
    for (const DWORD id : ids) {
        RunningProgram p;
        p.id = id;
        p.handle.reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id));
        if (!p.handle) continue;
        char image[MAX_PATH * 2] = {};
        DWORD length = sizeof image;
        if (!QueryFullProcessImageNameA(p.handle.get(), 0, image, &length)) continue;
        p.image.assign(image, length);
        if (lstrcmpiA(p.image.substr(p.image.find_last_of('\\') + 1).c_str(), fileName) != 0) continue;
        if (WaitForSingleObject(p.handle.get(), 0) == WAIT_OBJECT_0) continue;  // ended, not yet reaped
        found.push_back(std::move(p));
    }
    return found;
}

HWND WindowOfProcess(const char* windowClass, DWORD pid)
{
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, windowClass, nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == pid) return window;
    }
    return nullptr;
}

}  // namespace uiauto

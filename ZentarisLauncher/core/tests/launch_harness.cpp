#include "launch_harness.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "base64_encode.h"
#include "installation.h"
#include "signed_link.h"

namespace launchtest {

namespace {

struct Handle {
    HANDLE h = nullptr;
    explicit Handle(HANDLE handle) : h(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h); }
};

struct Key {
    HKEY h = nullptr;
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() { if (h) RegCloseKey(h); }
};

std::string& GameLogPath()
{
    static std::string path;
    return path;
}

std::string TempFolder()
{
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, path);
    return path;
}

void AnswerNewBoxes(DWORD pid, std::vector<HWND>& answered, LaunchRun& run)
{
    for (const uiauto::MessageBoxInfo& box : uiauto::FindMessageBoxes(pid)) {
        if (std::find(answered.begin(), answered.end(), box.window) != answered.end()) continue;
        answered.push_back(box.window);
        run.boxes.push_back(box);
        uiauto::PressOk(box.window);
    }
}

}  // namespace

std::string JoinedFields(const LaunchFields& f)
{
    return f.appname + ";" + f.installkey + ";" + f.installvalue + ";" + f.exename + ";" + f.weblink + ";" +
           f.approvalid;
}

std::string LaunchCommand(const LaunchFields& f)
{
    return signedlink::LaunchUrl(JoinedFields(f));
}

std::string UnsignedLaunchCommand(const LaunchFields& f)
{
    return "zentaris://launch/" + Base64Encode(JoinedFields(f));
}

LaunchRun RunLauncher(const std::string& arguments, DWORD timeoutMs)
{
    LaunchRun run;
    Handle job(CreateJobObjectA(nullptr, nullptr));
    Handle port(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{};
    association.CompletionKey = job.h;
    association.CompletionPort = port.h;
    if (!SetInformationJobObject(job.h, JobObjectAssociateCompletionPortInformation, &association,
                                 sizeof association)) {
        return run;
    }

    const std::string exe = uiauto::BesideTestProgram("ZentarisLauncher.exe");
    std::string commandLine = "\"" + exe + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &info)) {
        return run;
    }
    Handle process(info.hProcess);
    Handle thread(info.hThread);
    if (!AssignProcessToJobObject(job.h, process.h)) {
        TerminateProcess(process.h, 255);
        return run;
    }
    ResumeThread(thread.h);

    // Processes the launcher starts join its job; the job reports each start
    // and, at the end, that none is left.
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    std::vector<HWND> answered;
    for (;;) {
        AnswerNewBoxes(info.dwProcessId, answered, run);
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED detail = nullptr;
        if (GetQueuedCompletionStatus(port.h, &message, &key, &detail, 20)) {
            const DWORD pid = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(detail));
            if (message == JOB_OBJECT_MSG_NEW_PROCESS && pid != info.dwProcessId) ++run.processesStarted;
            if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) break;
        }
        if (GetTickCount64() >= deadline) {
            TerminateJobObject(job.h, 255);
            return run;
        }
    }
    run.ended = true;
    GetExitCodeProcess(process.h, &run.exitCode);
    return run;
}

void StartGameLog()
{
    static int serial = 0;
    std::ostringstream name;
    name << TempFolder() << "zen-testgame-" << GetCurrentProcessId() << "-" << ++serial << ".log";
    GameLogPath() = name.str();
    DeleteFileA(GameLogPath().c_str());
    SetEnvironmentVariableA("ZEN_TESTGAME_LOG", GameLogPath().c_str());
}

std::vector<GameStart> GameStarts()
{
    std::vector<GameStart> starts;
    std::ifstream log(GameLogPath(), std::ios::binary);
    std::string line;
    while (std::getline(log, line)) {
        const size_t bar = line.find('|');
        if (bar == std::string::npos) continue;
        starts.push_back({line.substr(0, bar), line.substr(bar + 1)});
    }
    return starts;
}

std::string InstallTestGame(const std::string& folderName, const std::string& exename)
{
    std::string folder = TempFolder() + "zen games";
    CreateDirectoryA(folder.c_str(), nullptr);
    folder += "\\" + folderName;
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string target = folder + "\\" + exename;
    CopyFileA(uiauto::BesideTestProgram("testgame.exe").c_str(), target.c_str(), FALSE);
    return folder;
}

void WriteInstallationRecord(HKEY root, const std::string& subkey, const std::string& valueName,
                             const std::string& directory, REGSAM view)
{
    Key key;
    RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key.h, nullptr);
    RegSetValueExA(key.h, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(directory.c_str()),
                   static_cast<DWORD>(directory.size() + 1));
}

void DeleteApplicationBranch()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, zentaris::AppBranch);
    RegDeleteKeyA(HKEY_CURRENT_USER, zentaris::AppBranch);
}

void ResetApplicationBranch()
{
    DeleteApplicationBranch();
    Key branch;
    RegCreateKeyExA(HKEY_CURRENT_USER, zentaris::AppBranch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &branch.h,
                    nullptr);
}

bool KeyExists(HKEY root, const std::string& path)
{
    Key key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key.h) == ERROR_SUCCESS;
}

void CreateKey(HKEY root, const std::string& path)
{
    Key key;
    RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key.h, nullptr);
}

std::map<std::string, StoredValue> KeyValues(HKEY root, const std::string& path)
{
    std::map<std::string, StoredValue> values;
    Key key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key.h) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueA(key.h, i, name, &nameSize, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::string data(size, '\0');
        DWORD read = size;
        RegQueryValueExA(key.h, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &read);
        data.resize(read);
        values[name] = {type, data};
    }
    return values;
}

DWORD SubkeyCount(HKEY root, const std::string& path)
{
    Key key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key.h) != ERROR_SUCCESS) return 0;
    DWORD subkeys = 0;
    RegQueryInfoKeyA(key.h, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    return subkeys;
}

std::string RecordPath(const std::string& appname)
{
    return std::string(zentaris::AppBranch) + "\\" + appname;
}

std::string WithoutTrailingBackslash(std::string path)
{
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

}  // namespace launchtest

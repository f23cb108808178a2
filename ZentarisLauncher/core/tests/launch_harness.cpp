#include "launch_harness.h"

#include <knownfolders.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "base64_encode.h"
#include "installation.h"
#include "signed_link.h"
#include "test_registry.h"
#include "unique_handle.h"

namespace launchtest {

namespace {

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

LaunchRun RunLauncher(const std::string& arguments, DWORD timeoutMs, const char* program)
{
    LaunchRun run;
    const zentaris::UniqueKernelHandle job(CreateJobObjectA(nullptr, nullptr));
    const zentaris::UniqueKernelHandle port(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{};
    association.CompletionKey = job.get();
    association.CompletionPort = port.get();
    if (!SetInformationJobObject(job.get(), JobObjectAssociateCompletionPortInformation, &association,
                                 sizeof association)) {
        return run;
    }

    const std::string exe = uiauto::BesideTestProgram(program);
    std::string commandLine = "\"" + exe + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &started)) {
        return run;
    }
    zentaris::UniqueProcessInformation launcher;
    launcher.Take(started);
    if (!AssignProcessToJobObject(job.get(), launcher.process.get())) {
        TerminateProcess(launcher.process.get(), 255);
        return run;
    }
    ResumeThread(launcher.thread.get());

    // Processes the launcher starts join its job; the job reports each start
    // and, at the end, that none is left.
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    std::vector<HWND> answered;
    for (;;) {
        const std::vector<uiauto::MessageBoxInfo> fresh = uiauto::AnswerNewBoxes(launcher.processId, answered);
        run.boxes.insert(run.boxes.end(), fresh.begin(), fresh.end());
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED detail = nullptr;
        if (GetQueuedCompletionStatus(port.get(), &message, &key, &detail, 20)) {
            const DWORD pid = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(detail));
            if (message == JOB_OBJECT_MSG_NEW_PROCESS && pid != launcher.processId) ++run.processesStarted;
            if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) break;
        }
        if (GetTickCount64() >= deadline) {
            TerminateJobObject(job.get(), 255);
            return run;
        }
    }
    run.ended = true;
    GetExitCodeProcess(launcher.process.get(), &run.exitCode);
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
    std::string folder = "C:\\zen games";
    CreateDirectoryA(folder.c_str(), nullptr);
    folder += "\\" + folderName;
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string target = folder + "\\" + exename;
    CopyFileA(uiauto::BesideTestProgram("testgame.exe").c_str(), target.c_str(), FALSE);
    return folder;
}

void DeleteApplicationBranch() { testsupport::DeleteKeyTree(HKEY_CURRENT_USER, zentaris::AppBranch); }

void ResetApplicationBranch()
{
    DeleteApplicationBranch();
    testsupport::CreateKey(HKEY_CURRENT_USER, zentaris::AppBranch);
}

std::string WithoutTrailingBackslash(std::string path)
{
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

std::string KnownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    std::string text;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path))) {
        char narrow[MAX_PATH * 2] = {};
        WideCharToMultiByte(CP_ACP, 0, path, -1, narrow, sizeof narrow, nullptr, nullptr);
        text = narrow;
    }
    CoTaskMemFree(path);
    return text;
}

std::string SupportLogPath(const std::string& file)
{
    return KnownFolder(FOLDERID_LocalAppData) + "\\Zentaris\\Logs\\" + file;
}

std::optional<std::string> SupportLogText(const std::string& file)
{
    std::ifstream log(SupportLogPath(file), std::ios::binary);
    if (!log) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(log), {});
}

void ResetSupportLog(bool switchedOn)
{
    for (const char* file : {"launcher.log", "launcher.log.1", "zenproto.log", "zenproto.log.1"}) {
        DeleteFileA(SupportLogPath(file).c_str());
    }
    if (switchedOn) {
        testsupport::WriteValues(HKEY_CURRENT_USER, zentaris::AppBranch,
                                 {{zentaris::LogValue, REG_DWORD, std::string("\x01\0\0\0", 4)}});
        return;
    }
    RegDeleteKeyValueA(HKEY_CURRENT_USER, zentaris::AppBranch, zentaris::LogValue);
}

}  // namespace launchtest

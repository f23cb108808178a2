#include "debug_output.h"

#include "unique_handle.h"

namespace uiauto {

namespace {

std::string ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info)
{
    // The text is ANSI here: the program's calls are OutputDebugStringA.
    std::string text(info.nDebugStringLength, '\0');
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, info.lpDebugStringData, text.data(), text.size(), &read)) return {};
    text.resize(read);
    while (!text.empty() && (text.back() == '\0' || text.back() == '\n')) text.pop_back();
    return text;
}

}  // namespace

DebuggedRun RunDebugged(const std::string& exePath, const std::string& arguments, DWORD timeoutMs, HANDLE token)
{
    DebuggedRun run;
    std::string commandLine = "\"" + exePath + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    const BOOL made = token ? CreateProcessAsUserA(token, exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                                   DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup, &started)
                            : CreateProcessA(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                             DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup, &started);
    if (!made) {
        run.startError = GetLastError();
        return run;
    }
    zentaris::UniqueProcessInformation process;
    process.Take(started);
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    bool ended = false;
    while (!run.exited) {
        const ULONGLONG now = GetTickCount64();
        if (!ended && now >= deadline) {
            // Past the deadline: ended, its last events still read.
            TerminateProcess(process.process.get(), 1);
            ended = true;
        }
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, ended ? 10000 : static_cast<DWORD>(deadline - now))) {
            if (ended) break;
            continue;
        }
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXCEPTION_DEBUG_EVENT:
            // The loader's breakpoint goes on; anything else is the
            // program's own to handle, as without a debugger.
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                status = DBG_EXCEPTION_NOT_HANDLED;
            }
            break;
        case OUTPUT_DEBUG_STRING_EVENT:
            run.output.push_back(ReadDebugString(process.process.get(), event.u.DebugString));
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            run.exitCode = event.u.ExitProcess.dwExitCode;
            run.exited = !ended;
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) break;
    }
    return run;
}

}  // namespace uiauto

// Stands in for ZentarisLauncher.exe in tests: writes its whole command line
// (UTF-16) to the file named by ZEN_STAND_IN_RECORD and signals the event
// named by ZEN_STAND_IN_EVENT, then ends.
#include <windows.h>

#include <cwchar>

int wmain()
{
    wchar_t file[MAX_PATH] = {};
    wchar_t event[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"ZEN_STAND_IN_RECORD", file, MAX_PATH)) return 2;
    const wchar_t* line = GetCommandLineW();
    HANDLE out = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    WriteFile(out, line, static_cast<DWORD>(wcslen(line) * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(out);
    if (GetEnvironmentVariableW(L"ZEN_STAND_IN_EVENT", event, MAX_PATH)) {
        HANDLE done = OpenEventW(EVENT_MODIFY_STATE, FALSE, event);
        if (done) {
            SetEvent(done);
            CloseHandle(done);
        }
    }
    return 0;
}

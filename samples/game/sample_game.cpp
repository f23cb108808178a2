// A sample game: a window that says who started it, from where and how.
//   game.exe --register   write this game's installation record (HKCU,
//                         value "InstallDir" = the folder the record names)
//   game.exe ...          play: show the window and append one line
//                         "cwd|command line" to started.log beside the exe
// ZEN_SAMPLE_GAME_SECONDS, when set, closes the game after that many seconds
// (for unattended demos).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string ModuleFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\'));
}

// A game whose executable sits in a "bin" folder is installed one level up,
// as a launch command names it ("bin\game.exe").
std::string InstallFolder()
{
    std::string folder = ModuleFolder();
    const size_t slash = folder.find_last_of('\\');
    if (slash != std::string::npos && _stricmp(folder.c_str() + slash + 1, "bin") == 0) {
        folder.erase(slash);
    }
    return folder;
}

int Register()
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SAMPLE_GAME_KEY, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return 1;
    }
    const std::string folder = InstallFolder();
    const LONG result = RegSetValueExA(key, "InstallDir", 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(folder.c_str()),
                                       static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? 0 : 1;
}

std::string g_report;

LRESULT CALLBACK GameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT area;
        GetClientRect(window, &area);
        InflateRect(&area, -16, -16);
        DrawTextA(dc, g_report.c_str(), -1, &area, DT_LEFT | DT_WORDBREAK);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_TIMER:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void Log(const std::string& cwd, const char* commandLine)
{
    const std::string path = ModuleFolder() + "\\started.log";
    if (FILE* log = std::fopen(path.c_str(), "a")) {
        std::fprintf(log, "%s|%s\n", cwd.c_str(), commandLine);
        std::fclose(log);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int show)
{
    if (std::strcmp(arguments, "--register") == 0) return Register();

    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    const char* commandLine = GetCommandLineA();
    Log(cwd, commandLine);
    g_report = std::string(SAMPLE_GAME_TITLE " is running.\n\nStarted in: ") + cwd +
               "\nCommand line: " + commandLine;

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = GameWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "ZentarisSampleGame";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("ZentarisSampleGame", SAMPLE_GAME_TITLE, WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 560, 220, nullptr, nullptr, instance,
                                nullptr);
    if (!window) return 1;
    if (const char* seconds = std::getenv("ZEN_SAMPLE_GAME_SECONDS")) {
        SetTimer(window, 1, static_cast<UINT>(std::atoi(seconds)) * 1000, nullptr);
    }
    ShowWindow(window, show);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

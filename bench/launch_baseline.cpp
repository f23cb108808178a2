// The least a launch can cost: one HTTP GET of the approval URL, and, when the
// answer begins with "1", one CreateProcess of the game.
//   zen_bench_launch_baseline APPROVAL_URL GAME_EXE GAME_DIR
// Exit status 0 once the game is started, 1 otherwise.
//
// Built a second time with ZEN_BENCH_LAUNCHER_IMPORTS, it also imports the
// DLLs the launcher imports for its tray mode, and nothing else changes: the
// difference between the two copies is what loading those DLLs costs.
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <curl/curl.h>

#include <cstdio>
#include <string>

namespace {

size_t Keep(char* bytes, size_t size, size_t count, void* into)
{
    static_cast<std::string*>(into)->append(bytes, size * count);
    return size * count;
}

#ifdef ZEN_BENCH_LAUNCHER_IMPORTS
// Never true; being volatile, the compiler cannot drop the calls and with
// them the imports.
volatile bool callLauncherImports = false;

void ReferenceLauncherImports()
{
    if (!callLauncherImports) return;
    MessageBoxA(nullptr, "", "", MB_OK);
    GetStockObject(WHITE_BRUSH);
    GradientFill(nullptr, nullptr, 0, nullptr, 0, 0);
    Shell_NotifyIconA(NIM_ADD, nullptr);
    CoTaskMemFree(nullptr);
}
#endif

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: zen_bench_launch_baseline APPROVAL_URL GAME_EXE GAME_DIR\n");
        return 2;
    }
#ifdef ZEN_BENCH_LAUNCHER_IMPORTS
    ReferenceLauncherImports();
#endif
    std::string answer;
    CURL* easy = curl_easy_init();
    if (!easy) return 1;
    curl_easy_setopt(easy, CURLOPT_URL, argv[1]);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Keep);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &answer);
    const CURLcode got = curl_easy_perform(easy);
    curl_easy_cleanup(easy);
    if (got != CURLE_OK || answer.empty() || answer[0] != '1') return 1;

    std::string line = std::string("\"") + argv[2] + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(argv[2], &line[0], nullptr, nullptr, FALSE, 0, nullptr, argv[3], &startup, &process)) {
        return 1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

// zen_shellopen.exe URL: hands a URL to the shell's "open", as a browser
// that starts programs does. Wine's own start.exe gives up on URLs longer
// than about 280 characters, which signed launch links are.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zen_shellopen URL\n");
        return 2;
    }
    SHELLEXECUTEINFOW open{};
    open.cbSize = sizeof open;
    open.lpVerb = L"open";
    open.lpFile = argv[1];
    open.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&open)) return 0;
    std::fprintf(stderr, "zen_shellopen: the shell did not open the URL (error %lu)\n", GetLastError());
    return 1;
}

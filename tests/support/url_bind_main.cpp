// Requests a URL through the platform's URL layer as a browser does and
// prints what came back. For scripts that show the protocol handler at work.
//   zen_urlbind.exe URL [FILE]   (FILE receives the bytes)
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>

#include "browser_bind.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: zen_urlbind URL [FILE]\n");
        return 2;
    }
    CoInitialize(nullptr);
    const browser::BindOutcome result = browser::BindLikeABrowser(argv[1], 15000);
    CoUninitialize();

    std::printf("bind: 0x%08lx, %zu bytes", static_cast<unsigned long>(result.bindResult), result.bytes.size());
    if (result.bytes.size() >= 6) std::printf(" (starts \"%.6s\")", result.bytes.c_str());
    if (result.stopped) {
        std::printf(", stopped 0x%08lx \"%ls\"", static_cast<unsigned long>(result.stopResult), result.stopText.c_str());
    }
    std::printf("\n");
    if (argc > 2) {
        if (FILE* out = _wfopen(argv[2], L"wb")) {
            std::fwrite(result.bytes.data(), 1, result.bytes.size(), out);
            std::fclose(out);
        }
    }
    return result.bytes.empty() ? 1 : 0;
}

// A launch request starts ZentarisLauncher with the request URL; the
// launcher itself checks and carries out the command.
#include <memory>
#include <new>

#include "installation.h"
#include "launcher_command_line.h"
#include "pluggable_protocol.h"
#include "unique_handle.h"
#include "url_grammar.h"

namespace {

// The launcher path stored under `root`, terminated, or false as if it were
// missing. A value too long for the buffer is refused rather than read past
// it.
bool ReadLauncherPathFrom(HKEY root, wchar_t (&path)[zenproto::LauncherPathCapacity])
{
    zentaris::UniqueRegKey key;
    if (RegOpenKeyExW(root, zentaris::AppBranchW, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), zentaris::LauncherPathValueW, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return false;
    }
    if (size > sizeof path) return false;
    if (RegQueryValueExW(key.get(), zentaris::LauncherPathValueW, nullptr, &type, reinterpret_cast<BYTE*>(path),
                         &size) != ERROR_SUCCESS) {
        return false;
    }
    const auto length = zenproto::LauncherPathLength(reinterpret_cast<const char16_t*>(path), size / sizeof(wchar_t),
                                                     zenproto::LauncherPathCapacity);
    if (!length) return false;
    path[*length] = L'\0';
    return true;
}

// A user's own installation wins; an installation for every user of the
// machine serves those who have none. The machine's value is written in both
// registry views, so this handler's own view holds it whatever its bitness.
bool ReadLauncherPath(wchar_t (&path)[zenproto::LauncherPathCapacity])
{
    return ReadLauncherPathFrom(HKEY_CURRENT_USER, path) || ReadLauncherPathFrom(HKEY_LOCAL_MACHINE, path);
}

// Starts the program and forgets it: no wait, no handle kept. Whether it
// started is not the browser's concern.
void StartDetached(wchar_t* commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return;
    }
    zentaris::UniqueProcessInformation started;
    started.Take(process);
}

}  // namespace

HRESULT CZentarisPluggableProtocol::StartLauncher(IInternetProtocolSink* sink, std::u16string_view url)
{
    using namespace zenproto;
    wchar_t path[LauncherPathCapacity];
    if (!ReadLauncherPath(path)) {
        MessageBoxA(nullptr, "launcher not correctly installed, please reinstall", "error", MB_OK);
        return ReportFailure(sink, ErrorNoLauncherPath, L"registry settings not found");
    }
    const std::u16string_view pathText(reinterpret_cast<const char16_t*>(path));
    const std::u16string_view argument = LaunchArgument(url);
    if (!LaunchCommandLineFits(pathText, argument)) {
        return ReportFailure(sink, ErrorCommandLineTooLong, L"launch url too long");
    }
    const size_t length = LaunchCommandLineLength(pathText, argument);
    std::unique_ptr<wchar_t[]> commandLine(new (std::nothrow) wchar_t[length + 1]);
    if (!commandLine) return ReportFailure(sink, ErrorOutOfMemory, L"out of memmory");
    FormatLaunchCommandLine(pathText, argument, reinterpret_cast<char16_t*>(commandLine.get()));
    StartDetached(commandLine.get());
    return S_OK;
}

// A launch request starts ZentarisLauncher with the request URL; the
// launcher itself checks and carries out the command.
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "installation.h"
#include "launcher_command_line.h"
#include "pluggable_protocol.h"
#include "registry.h"
#include "unique_handle.h"
#include "url_grammar.h"

namespace {

// The launcher path stored under `root`, or nothing as if it were missing. A
// value too long for the handler's buffer is refused rather than cut.
std::optional<std::wstring> ReadLauncherPathFrom(HKEY root)
{
    using zenproto::LauncherPathCapacity;
    const std::optional<std::wstring> path = zentaris::RegistryKey::Open(root, zentaris::AppBranch)
                                                 .WideText(zentaris::LauncherPathValueW,
                                                           LauncherPathCapacity * sizeof(wchar_t));
    if (!path) return std::nullopt;
    if (!zenproto::LauncherPathLength(reinterpret_cast<const char16_t*>(path->c_str()), path->size(),
                                      LauncherPathCapacity)) {
        return std::nullopt;
    }
    return path;
}

// A user's own installation wins; an installation for every user of the
// machine serves those who have none. The machine's value is written in both
// registry views, so this handler's own view holds it whatever its bitness.
std::optional<std::wstring> ReadLauncherPath()
{
    if (std::optional<std::wstring> own = ReadLauncherPathFrom(HKEY_CURRENT_USER)) return own;
    return ReadLauncherPathFrom(HKEY_LOCAL_MACHINE);
}

// Starts the program and forgets it: no wait, no handle kept. Whether it
// started is not the browser's concern, only the support log's.
std::string StartDetached(wchar_t* commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return "the launcher did not start, error " + std::to_string(GetLastError());
    }
    zentaris::UniqueProcessInformation started;
    started.Take(process);
    return "the launcher started, process " + std::to_string(started.processId);
}

}  // namespace

HRESULT CZentarisPluggableProtocol::StartLauncher(IInternetProtocolSink* sink, std::u16string_view url)
{
    using namespace zenproto;
    const std::optional<std::wstring> path = ReadLauncherPath();
    if (!path) {
        MessageBoxA(nullptr, "launcher not correctly installed, please reinstall", "error", MB_OK);
        return ReportFailure(sink, ErrorNoLauncherPath, L"registry settings not found");
    }
    const std::u16string_view pathText(reinterpret_cast<const char16_t*>(path->c_str()), path->size());
    const std::u16string_view argument = LaunchArgument(url);
    if (!LaunchCommandLineFits(pathText, argument)) {
        return ReportFailure(sink, ErrorCommandLineTooLong, L"launch url too long");
    }
    const size_t length = LaunchCommandLineLength(pathText, argument);
    std::unique_ptr<wchar_t[]> commandLine(new (std::nothrow) wchar_t[length + 1]);
    if (!commandLine) return ReportFailure(sink, ErrorOutOfMemory, L"out of memmory");
    FormatLaunchCommandLine(pathText, argument, reinterpret_cast<char16_t*>(commandLine.get()));
    m_log.Write(StartDetached(commandLine.get()));
    return S_OK;
}

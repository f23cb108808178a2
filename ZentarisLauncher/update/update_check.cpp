#include "update_check.h"

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <sodium.h>

#include <ctime>
#include <optional>
#include <variant>
#include <vector>

#include "installation.h"
#include "link_signing_keys.h"
#include "portal.h"
#include "registry.h"
#include "support_log_file.h"
#include "unique_handle.h"
#include "update.h"
#include "webfile_owner.h"

namespace {

using zentaris::RegistryKey;
using zentaris::TerminatorRule;
using zentaris::UniqueKernelHandle;

// The update's own values under the branch: a version, and a time.
constexpr size_t UpdateValueBytes = 64;
// A path as the registry may hold one (32767 characters and a NUL).
constexpr size_t PathValueBytes = 32768 * sizeof(wchar_t);

// CreateFileW's handle, or an empty owner where it failed.
UniqueKernelHandle OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    const HANDLE file = CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
    return UniqueKernelHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

// The path as the file system names it: full, and in long names.
std::wstring LongPath(const std::wstring& path)
{
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size()) return path;
    full.resize(length);
    std::wstring longer(MAX_PATH, L'\0');
    length = GetLongPathNameW(full.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
    if (length >= longer.size()) {
        longer.resize(length);
        length = GetLongPathNameW(full.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
    }
    if (length == 0 || length >= longer.size()) return full;
    longer.resize(length);
    return longer;
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// `path` is `folder` or lies below it (both in long form).
bool SameOrBelow(const std::wstring& path, std::wstring folder)
{
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (folder.empty() || path.size() < folder.size()) return false;
    if (!SamePath(path.substr(0, folder.size()), folder)) return false;
    return path.size() == folder.size() || path[folder.size()] == L'\\';
}

// The running launcher: its file, its folder and the version its own
// version resource gives (what the installer put there, whatever the
// sources said).
struct OwnLauncher {
    std::wstring path;
    std::wstring folder;
    FileVersion version;
};

std::optional<FileVersion> VersionOfFile(const std::wstring& path)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return std::nullopt;
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return std::nullopt;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof *fixed || fixed->dwSignature != VS_FFI_SIGNATURE) {
        return std::nullopt;
    }
    FileVersion version;
    version.parts = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                     HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
    return version;
}

std::optional<OwnLauncher> FindOwnLauncher()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::nullopt;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768) return std::nullopt;
        path.resize(path.size() * 2);
    }
    OwnLauncher own;
    own.path = LongPath(path);
    const size_t slash = own.path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return std::nullopt;
    own.folder = own.path.substr(0, slash);
    const std::optional<FileVersion> version = VersionOfFile(own.path);
    if (!version) return std::nullopt;
    own.version = *version;
    return own;
}

// An installation for every user of the machine, whose files this user
// must not replace (and could not, without administrator rights): the
// machine's LauncherPath names this launcher, or it lies in a program folder
// of the machine, or this user cannot write its folder.
bool InstalledForEveryUser(const OwnLauncher& own)
{
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        const std::optional<std::wstring> machine = RegistryKey::Open(HKEY_LOCAL_MACHINE, zentaris::AppBranch,
                                                                      KEY_READ | view)
                                                        .WideText(zentaris::LauncherPathValueW, PathValueBytes);
        if (machine && !machine->empty() && SamePath(LongPath(*machine), own.path)) return true;
    }
    for (const wchar_t* variable : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432"}) {
        wchar_t folder[MAX_PATH] = {};
        const DWORD length = GetEnvironmentVariableW(variable, folder, MAX_PATH);
        if (length > 0 && length < MAX_PATH && SameOrBelow(own.folder, LongPath(folder))) return true;
    }
    // (Digits widened by hand: std::to_wstring would bring the C library's
    // whole wide-text formatter into the program.)
    const std::string id = std::to_string(GetCurrentProcessId());
    const std::wstring probe = own.folder + L"\\~zentaris-update-" + std::wstring(id.begin(), id.end());
    return !OpenFile(probe, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
}

// Values this program writes under the branch, read back as hostile as any
// other: what does not read as written counts as nothing.
std::optional<std::string> UpdateValue(const char* name)
{
    return RegistryKey::Open(HKEY_CURRENT_USER, zentaris::AppBranch)
        .Text(name, UpdateValueBytes, TerminatorRule::MustFit);
}

void SetUpdateValue(const char* name, const std::string& text)
{
    RegistryKey::Create(HKEY_CURRENT_USER, zentaris::AppBranch).SetText(name, text);
}

std::optional<FileVersion> ToldVersion()
{
    const std::optional<std::string> text = UpdateValue(zentaris::UpdateToldValue);
    return text ? ParseFileVersion(*text) : std::nullopt;
}

// "version seconds", as RememberTried writes it.
std::optional<TriedUpdate> TriedInstaller()
{
    const std::optional<std::string> text = UpdateValue(zentaris::UpdateTriedValue);
    if (!text) return std::nullopt;
    const size_t space = text->find(' ');
    if (space == std::string::npos || space + 1 >= text->size() || text->size() - space > 20) return std::nullopt;
    const std::optional<FileVersion> version = ParseFileVersion(text->substr(0, space));
    if (!version) return std::nullopt;
    uint64_t at = 0;
    for (const char c : text->substr(space + 1)) {
        if (c < '0' || c > '9') return std::nullopt;
        at = at * 10 + static_cast<uint64_t>(c - '0');
    }
    return TriedUpdate{*version, at};
}

void RememberTried(const FileVersion& version, uint64_t now)
{
    SetUpdateValue(zentaris::UpdateTriedValue, FileVersionText(version) + " " + std::to_string(now));
}

// Launch mode keeps the object open for its life.
bool LaunchUnderWay()
{
    return UniqueKernelHandle(OpenMutexA(SYNCHRONIZE, FALSE, zentaris::LaunchMutexName)).get() != nullptr;
}

// One check at a time in the session: the tray's, or the command's. A
// check that ends with its process (a tray the installer ended) leaves the
// lock abandoned, which is as good as free.
class UpdateLock {
public:
    explicit UpdateLock(DWORD waitMs) : mutex_(CreateMutexW(nullptr, FALSE, zentaris::UpdateMutexName))
    {
        if (!mutex_) return;
        const DWORD wait = WaitForSingleObject(mutex_.get(), waitMs);
        owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    UpdateLock(const UpdateLock&) = delete;
    UpdateLock& operator=(const UpdateLock&) = delete;
    ~UpdateLock()
    {
        if (owned_) ReleaseMutex(mutex_.get());
    }
    bool Owned() const { return owned_; }

private:
    UniqueKernelHandle mutex_;
    bool owned_ = false;
};

// The manifest's text, one byte past the bound at most (so that a longer
// one is known as such); nothing where the portal gave no 200 answer.
std::optional<std::string> FetchManifest()
{
    const std::string url = std::string(zentaris::PortalBaseUrl) + zentaris::UpdateManifestPath;
    zentaris::UniqueWebFile file(WebFileOpenWithin(url.c_str(), "rb", zentaris::TrayFetchTimeoutSeconds * 1000));
    if (!file) return std::nullopt;
    std::string text(UpdateManifestCapacity + 1, '\0');
    size_t length = 0;
    while (length < text.size()) {
        const size_t read = WebFileRead(text.data() + length, 1, text.size() - length, file.get());
        if (read == 0) break;
        length += read;
    }
    text.resize(length);
    return text;
}

std::optional<std::wstring> UpdateFolder()
{
    wchar_t local[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local))) {
        return std::nullopt;
    }
    return std::wstring(local) + L"\\" + zentaris::UpdateFolderW;
}

// Removes the folder of an earlier download and what it holds; true when
// it is gone. A link in its place is removed as a link: what it points to
// is not the download's.
bool RemoveUpdateFolder(const std::wstring& folder)
{
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        if (!RemoveDirectoryW(folder.c_str())) DeleteFileW(folder.c_str());
        return GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
    }
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            const std::wstring file = folder + L"\\" + found.cFileName;
            SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(file.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
    return GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

// The download's folder, made anew with a protected list that lets this
// user alone (and the system) in, whatever the folder above allows.
bool MakeUserOnlyFolder(const std::wstring& folder)
{
    if (!RemoveUpdateFolder(folder)) return false;
    const size_t parent = folder.find_last_of(L'\\');
    if (parent == std::wstring::npos) return false;
    CreateDirectoryW(folder.substr(0, parent).c_str(), nullptr);

    UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> user(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, user.data(), size, &size)) return false;
    wchar_t* sid = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid)) return false;
    const std::wstring sddl = L"D:P(A;OICI;FA;;;" + std::wstring(sid) + L")(A;OICI;FA;;;SY)";
    LocalFree(sid);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        return false;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const bool made = CreateDirectoryW(folder.c_str(), &attributes) != FALSE;
    LocalFree(descriptor);
    return made;
}

// The installer as downloaded, held open so that nobody can change or
// replace it between its check and its start.
struct CheckedInstaller {
    std::wstring path;
    UniqueKernelHandle heldOpen;
};

using InstallerStep = std::variant<CheckedInstaller, UpdateOutcome>;

// One check: who runs it, when, and the support log its decisions go to
// (the launcher's, when the user switched it on).
class UpdateCheck {
public:
    UpdateCheck(UpdateRunner runner, uint64_t now) : runner_(runner), now_(now) {}

    UpdateOutcome Run(UpdateReport& report) const;
    void Log(const std::string& decision) const { log_.Write("update: " + decision); }

private:
    UpdateOutcome Install(const UpdateManifest& manifest, const OwnLauncher& own) const;
    std::optional<UpdateOutcome> Download(const UpdateManifest& manifest, const std::wstring& path) const;
    InstallerStep CheckDownloaded(const UpdateManifest& manifest, const std::wstring& path) const;
    UpdateOutcome RunInstaller(const CheckedInstaller& installer, const UpdateManifest& manifest,
                               const OwnLauncher& own, const std::wstring& folder) const;

    const UpdateRunner runner_;
    const uint64_t now_;
    const zentaris::SupportLog log_ = zentaris::SupportLog::Open(zentaris::LauncherLogFile, false);
};

// Downloads the manifest's installer to `path`, no more bytes than it
// names, within the deadline. Nothing when it arrived whole.
std::optional<UpdateOutcome> UpdateCheck::Download(const UpdateManifest& manifest, const std::wstring& path) const
{
    const UniqueKernelHandle out = OpenFile(path, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
    if (!out) {
        Log("the installer's file could not be made: error " + std::to_string(GetLastError()));
        return UpdateOutcome::DownloadFailed;
    }
    zentaris::UniqueWebFile file(
        WebFileOpenWithin(manifest.url.c_str(), "rb", zentaris::UpdateDownloadTimeoutSeconds * 1000));
    if (!file) {
        Log("no installer at " + manifest.url);
        return UpdateOutcome::DownloadFailed;
    }
    std::vector<char> buffer(64 * 1024);
    uint64_t total = 0;
    for (;;) {
        const size_t read = WebFileRead(buffer.data(), 1, buffer.size(), file.get());
        if (read == 0) break;
        total += read;
        if (total > manifest.size) {
            Log("the installer is longer than the manifest's size");
            return UpdateOutcome::InstallerMismatch;
        }
        DWORD written = 0;
        if (!WriteFile(out.get(), buffer.data(), static_cast<DWORD>(read), &written, nullptr) || written != read) {
            Log("the installer could not be written: error " + std::to_string(GetLastError()));
            return UpdateOutcome::DownloadFailed;
        }
    }
    if (!WebFileComplete(file.get())) {
        Log("the installer's download was cut off or late after " + std::to_string(total) + " bytes");
        return UpdateOutcome::DownloadFailed;
    }
    if (total != manifest.size) {
        Log("the installer has " + std::to_string(total) + " bytes, the manifest says " +
            std::to_string(manifest.size));
        return UpdateOutcome::InstallerMismatch;
    }
    return std::nullopt;
}

// Opens the file for reading alone, sharing reading alone, and checks
// the bytes behind that handle: the ones the installer's process is made
// from while the handle is held.
InstallerStep UpdateCheck::CheckDownloaded(const UpdateManifest& manifest, const std::wstring& path) const
{
    CheckedInstaller installer{path, OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0)};
    if (!installer.heldOpen) return UpdateOutcome::DownloadFailed;
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    std::vector<unsigned char> buffer(64 * 1024);
    uint64_t total = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(installer.heldOpen.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            return UpdateOutcome::DownloadFailed;
        }
        if (read == 0) break;
        total += read;
        crypto_hash_sha256_update(&state, buffer.data(), read);
    }
    std::array<uint8_t, 32> digest{};
    crypto_hash_sha256_final(&state, digest.data());
    if (total != manifest.size || digest != manifest.sha256) {
        Log("the installer's SHA-256 or size differs from the manifest's: not run");
        return UpdateOutcome::InstallerMismatch;
    }
    return installer;
}

UpdateOutcome UpdateCheck::RunInstaller(const CheckedInstaller& installer, const UpdateManifest& manifest,
                                        const OwnLauncher& own, const std::wstring& folder) const
{
    // Remembered first: the installer ends the tray that would remember it.
    RememberTried(manifest.version, now_);
    // Silent, for this user, into this installation's folder (NSIS takes
    // the rest of the line after /D= as the folder, unquoted).
    std::wstring command = L"\"" + installer.path + L"\" /S /CurrentUser /D=" + own.folder;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(installer.path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &started)) {
        Log("the installer could not be started: error " + std::to_string(GetLastError()));
        return UpdateOutcome::InstallerNotStarted;
    }
    zentaris::UniqueProcessInformation process;
    process.Take(started);
    Log("the installer runs");
    if (runner_ == UpdateRunner::Command) return UpdateOutcome::InstallerStarted;
    // A working installer ends this tray before it replaces its files; a
    // tray still here when it ends was not replaced.
    constexpr DWORD InstallerWaitMs = 10 * 60 * 1000;
    if (WaitForSingleObject(process.process.get(), InstallerWaitMs) != WAIT_OBJECT_0) {
        return UpdateOutcome::InstallerStarted;
    }
    DWORD status = 0;
    GetExitCodeProcess(process.process.get(), &status);
    if (status == 0) return UpdateOutcome::InstallerStarted;
    Log("the installer ended with status " + std::to_string(status) + "; the installed version stays");
    return UpdateOutcome::InstallerFailed;
}

UpdateOutcome UpdateCheck::Install(const UpdateManifest& manifest, const OwnLauncher& own) const
{
    const std::optional<std::wstring> folder = UpdateFolder();
    if (!folder || !MakeUserOnlyFolder(*folder)) {
        Log("the download folder could not be made");
        return UpdateOutcome::DownloadFailed;
    }
    const std::wstring path = *folder + L"\\" + zentaris::UpdateInstallerNameW;
    const std::optional<UpdateOutcome> failed = Download(manifest, path);
    InstallerStep checked = failed ? InstallerStep(*failed) : CheckDownloaded(manifest, path);
    if (const UpdateOutcome* refused = std::get_if<UpdateOutcome>(&checked)) {
        RemoveUpdateFolder(*folder);
        return *refused;
    }
    // A launch may have begun during the download.
    if (LaunchUnderWay()) {
        Log("a launch began during the download: the installer waits");
        return UpdateOutcome::LaunchUnderWay;
    }
    return RunInstaller(std::get<CheckedInstaller>(checked), manifest, own, *folder);
}

UpdateOutcome UpdateCheck::Run(UpdateReport& report) const
{
    const zentaris::LinkSigningKeyList keys = zentaris::LinkSigningKeys();
    if (keys.count == 0) {
        Log("this launcher trusts no portal key: it takes no manifest");
        return UpdateOutcome::NotConfigured;
    }
    // The tray comes back later; the command, asked to check now, checks
    // after the check under way (which may be a download).
    const DWORD lockWaitMs =
        runner_ == UpdateRunner::Command
            ? static_cast<DWORD>(zentaris::TrayFetchTimeoutSeconds + zentaris::UpdateDownloadTimeoutSeconds) * 1000
            : 0;
    const UpdateLock lock(lockWaitMs);
    if (!lock.Owned()) return UpdateOutcome::Busy;
    const std::optional<OwnLauncher> own = FindOwnLauncher();
    if (!own) {
        Log("this launcher's own version could not be read");
        return UpdateOutcome::NotConfigured;
    }
    const std::optional<std::string> text = FetchManifest();
    if (!text) return UpdateOutcome::NoManifest;
    const ManifestStep read = ReadUpdateManifest(*text, keys.keys, keys.count, zentaris::PlainHttpForAnyHost);
    if (const ManifestError* error = std::get_if<ManifestError>(&read)) {
        Log(std::string("manifest refused: ") + ManifestErrorText(*error));
        return UpdateOutcome::ManifestRefused;
    }
    const UpdateManifest& manifest = std::get<UpdateManifest>(read);
    report.version = manifest.version;
    UpdateSituation situation;
    situation.installed = own->version;
    situation.now = now_;
    situation.forEveryUser = InstalledForEveryUser(*own);
    situation.told = ToldVersion();
    situation.launchUnderWay = LaunchUnderWay();
    // Asked to check now, the command tries again at once.
    if (runner_ == UpdateRunner::Tray) situation.tried = TriedInstaller();
    Log("installed " + FileVersionText(own->version) + (situation.forEveryUser ? " for every user" : "") +
        ", manifest " + FileVersionText(manifest.version) + " (minimum " + FileVersionText(manifest.minimum) +
        ", notbefore " + std::to_string(manifest.notBefore) + ")");
    switch (DecideUpdate(manifest, situation)) {
    case UpdateAction::UpToDate:
        // What an earlier update downloaded has done its work.
        if (const std::optional<std::wstring> folder = UpdateFolder()) RemoveUpdateFolder(*folder);
        return UpdateOutcome::UpToDate;
    case UpdateAction::BelowMinimum:
        return UpdateOutcome::BelowMinimum;
    case UpdateAction::NotYet:
        report.nextCheckSeconds = NextCheckDelaySeconds(UpdateOutcome::NotYet, manifest.notBefore, now_,
                                                        randombytes_uniform(NotBeforeSpreadSeconds));
        return UpdateOutcome::NotYet;
    case UpdateAction::ForAdministrator:
        report.tellUser = true;
        return UpdateOutcome::ForAdministrator;
    case UpdateAction::AlreadyTold:
        Log("the user was told of " + FileVersionText(*situation.told) + " already");
        return UpdateOutcome::ForAdministrator;
    case UpdateAction::WaitForLaunch:
        return UpdateOutcome::LaunchUnderWay;
    case UpdateAction::TriedLately:
        Log("the installer of " + FileVersionText(manifest.version) + " ran at " + std::to_string(situation.tried->at) +
            " and did not take: tried again a day later");
        return UpdateOutcome::TriedLately;
    case UpdateAction::Install:
        return Install(manifest, *own);
    }
    return UpdateOutcome::UpToDate;
}

}  // namespace

UpdateReport CheckForUpdate(UpdateRunner runner)
{
    UpdateReport report;
    const uint64_t now = static_cast<uint64_t>(std::time(nullptr));
    const UpdateCheck check(runner, now);
    report.outcome = check.Run(report);
    if (report.nextCheckSeconds == 0) report.nextCheckSeconds = NextCheckDelaySeconds(report.outcome, 0, now, 0);
    check.Log(std::string(UpdateOutcomeText(report.outcome)) + "; next check in " +
              std::to_string(report.nextCheckSeconds) + " s");
    return report;
}

void RememberToldVersion(const FileVersion& version)
{
    SetUpdateValue(zentaris::UpdateToldValue, FileVersionText(version));
}

int RunUpdateCheckCommand()
{
    return static_cast<int>(CheckForUpdate(UpdateRunner::Command).outcome);
}

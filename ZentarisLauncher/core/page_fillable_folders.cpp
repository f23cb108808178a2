#include "page_fillable_folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "game_location.h"

namespace {

struct CoTaskText {
    PWSTR text = nullptr;
    ~CoTaskText() { CoTaskMemFree(text); }
};

// Texts in the launcher's code page, as the registry's narrow calls give
// them, and back.
std::string Narrowed(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), size, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(size) - 1);
    return narrow;
}

std::wstring Widened(const std::string& text)
{
    const int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (size <= 1) return {};
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), size);
    wide.resize(static_cast<size_t>(size) - 1);
    return wide;
}

std::string KnownFolder(REFKNOWNFOLDERID id)
{
    CoTaskText path;
    if (FAILED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path.text)) || !path.text) return {};
    return Narrowed(path.text);
}

// Where the browsers keep their profiles and caches, below the user's local
// and roaming application data.
constexpr const char* LocalBrowserFolders[] = {
    "Google\\Chrome", "Chromium", "Microsoft\\Edge", "BraveSoftware", "Vivaldi", "Mozilla", "Opera Software",
    "Packages", "Temp",
};
constexpr const char* RoamingBrowserFolders[] = {"Mozilla", "Opera Software"};

}  // namespace

std::string CanonicalFolder(const std::string& folder)
{
    // The wide calls: the narrow ones stop at MAX_PATH, and a folder may be
    // longer (the launcher's texts hold 1023 characters).
    const std::wstring wide = Widened(folder);
    if (wide.empty()) return {};
    std::wstring full(GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr), L'\0');
    if (full.empty()) return {};
    const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) return {};
    full.resize(length);
    std::wstring longer(GetLongPathNameW(full.c_str(), nullptr, 0), L'\0');
    if (!longer.empty()) {
        const DWORD longLength = GetLongPathNameW(full.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
        if (longLength > 0 && longLength < longer.size()) full.assign(longer.data(), longLength);
    }
    CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    return Narrowed(full.c_str());
}

std::vector<std::string> PageFillableFolders()
{
    std::vector<std::string> places;
    const auto add = [&places](const std::string& folder) {
        if (folder.empty()) return;
        const std::string canonical = CanonicalFolder(folder);
        if (!canonical.empty()) places.push_back(canonical);
    };
    for (const KNOWNFOLDERID* id : {&FOLDERID_Downloads, &FOLDERID_Desktop, &FOLDERID_Documents,
                                    &FOLDERID_PublicDownloads, &FOLDERID_PublicDesktop, &FOLDERID_PublicDocuments,
                                    &FOLDERID_InternetCache, &FOLDERID_LocalAppDataLow}) {
        add(KnownFolder(*id));
    }
    char temp[MAX_PATH + 1];
    const DWORD tempLength = GetTempPathA(sizeof temp, temp);
    if (tempLength > 0 && tempLength < sizeof temp) add(temp);
    const std::string windows = KnownFolder(FOLDERID_Windows);
    if (!windows.empty()) add(windows + "\\Temp");
    const std::string local = KnownFolder(FOLDERID_LocalAppData);
    if (!local.empty()) {
        for (const char* browser : LocalBrowserFolders) add(local + "\\" + browser);
    }
    const std::string roaming = KnownFolder(FOLDERID_RoamingAppData);
    if (!roaming.empty()) {
        for (const char* browser : RoamingBrowserFolders) add(roaming + "\\" + browser);
    }
    return places;
}

bool IsInPageFillableFolder(const std::string& folder)
{
    const std::string canonical = CanonicalFolder(folder);
    if (canonical.empty()) return true;
    for (const std::string& place : PageFillableFolders()) {
        if (IsSameOrBelowFolder(canonical, place)) return true;
    }
    return false;
}

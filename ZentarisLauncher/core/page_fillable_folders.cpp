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

std::string KnownFolder(REFKNOWNFOLDERID id)
{
    CoTaskText path;
    if (FAILED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path.text)) || !path.text) return {};
    const int size = WideCharToMultiByte(CP_ACP, 0, path.text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, path.text, -1, text.data(), size, nullptr, nullptr);
    text.resize(static_cast<size_t>(size) - 1);
    return text;
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
    char full[MAX_PATH * 4];
    DWORD length = GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return {};
    char longer[MAX_PATH * 4];
    const DWORD longLength = GetLongPathNameA(full, longer, sizeof longer);
    std::string text = longLength > 0 && longLength < sizeof longer ? std::string(longer, longLength)
                                                                      : std::string(full, length);
    if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
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

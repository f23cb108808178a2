// The download list, read once in the background right after start.
#include <string>
#include <utility>

#include "download_list.h"
#include "download_thread.h"
#include "portal.h"
#include "tray_messages.h"
#include "webfile_owner.h"

namespace {

class WebFileLines : public DownloadLineSource {
public:
    explicit WebFileLines(zentaris::UniqueWebFile file) : file_(std::move(file)) {}
    bool AtEnd() override { return WebFileAtEnd(file_.get()) != 0; }
    char* ReadLine(char* destination, int size) override { return WebFileReadLine(destination, size, file_.get()); }

private:
    zentaris::UniqueWebFile file_;
};

}  // namespace

bool FetchDownloadList(DownloadCatalog& list)
{
    const std::string url = std::string(zentaris::PortalBaseUrl) + zentaris::DownloadListPath;
    // Past the deadline the transfer ends: the entries read by then stay.
    zentaris::UniqueWebFile file(WebFileOpenWithin(url.c_str(), "r", zentaris::TrayFetchTimeoutSeconds * 1000));
    if (!file) return false;
    WebFileLines lines(std::move(file));
    LoadDownloadList(lines, list);
    return true;
}

DWORD WINAPI DownloadListThread(LPVOID window)
{
    const zentaris::WebFileThreadScope web;
    auto list = std::make_unique<DownloadCatalog>();
    if (!FetchDownloadList(*list)) return 1;
    return PostOwned(static_cast<HWND>(window), WM_TRAY_DOWNLOADS, std::move(list)) ? 0 : 1;
}

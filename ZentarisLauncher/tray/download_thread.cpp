// The download list, read once in the background right after start.
#include <string>
#include <utility>

#include "portal.h"
#include "tray_menu.h"
#include "webfile_owner.h"

DownloadCatalog downloadCatalog;

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

DWORD WINAPI DownloadListThread(LPVOID)
{
    const std::string url = std::string(zentaris::PortalBaseUrl) + zentaris::DownloadListPath;
    // Past the deadline the transfer ends: the entries read by then stay.
    zentaris::UniqueWebFile file(WebFileOpenWithin(url.c_str(), "r", zentaris::TrayFetchTimeoutSeconds * 1000));
    if (!file) return 1;
    WebFileLines lines(std::move(file));
    LoadDownloadList(lines, downloadCatalog);
    return 0;
}

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
    zentaris::UniqueWebFile file(WebFileOpen(url.c_str(), "r"));
    if (!file) return 1;
    WebFileLines lines(std::move(file));
    LoadDownloadList(lines, downloadCatalog);
    return 0;
}

// The download list, read once in the background right after start.
#include <string>

#include "portal.h"
#include "tray_menu.h"
#include "webfile.h"

DownloadCatalog downloadCatalog;

namespace {

class WebFileLines : public DownloadLineSource {
public:
    explicit WebFileLines(WebFile* file) : file_(file) {}
    ~WebFileLines() override { WebFileClose(file_); }
    WebFileLines(const WebFileLines&) = delete;
    WebFileLines& operator=(const WebFileLines&) = delete;
    bool AtEnd() override { return WebFileAtEnd(file_) != 0; }
    char* ReadLine(char* destination, int size) override { return WebFileReadLine(destination, size, file_); }

private:
    WebFile* file_;
};

}  // namespace

DWORD WINAPI DownloadListThread(LPVOID)
{
    const std::string url = std::string(zentaris::PortalBaseUrl) + zentaris::DownloadListPath;
    WebFile* file = WebFileOpen(url.c_str(), "r");
    if (!file) return 1;
    WebFileLines lines(file);
    LoadDownloadList(lines, downloadCatalog);
    return 0;
}

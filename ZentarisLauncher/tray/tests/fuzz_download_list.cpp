// Any bytes as a download list: the tables never exceed their capacity,
// every stored text is a field of the line rules, and a link an entry opens
// is printable ASCII without a space or a quotation mark.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "download_list.h"

namespace {

class MemorySource : public DownloadLineSource {
public:
    MemorySource(const uint8_t* data, size_t size)
        : file_(size ? fmemopen(const_cast<uint8_t*>(data), size, "rb") : nullptr) {}
    ~MemorySource() override { if (file_) std::fclose(file_); }
    bool AtEnd() override { return !file_ || std::feof(file_); }
    char* ReadLine(char* destination, int size) override { return std::fgets(destination, size, file_); }

private:
    FILE* file_;
};

DownloadCatalog catalog;

void Check(bool condition)
{
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    catalog.Clear();
    MemorySource source(data, size);
    const int lines = LoadDownloadList(source, catalog);
    const int count = catalog.Count();
    Check(count <= DownloadListCapacity);
    Check(count == (lines < DownloadListCapacity ? lines : DownloadListCapacity));
    for (int i = 0; i < count; ++i) {
        for (const char* text : {catalog.Name(i), catalog.Url(i)}) {
            if (!text) continue;
            const size_t length = std::strlen(text);
            Check(length > 0 && length < DownloadLineBufferSize);
            Check(std::strchr(text, ';') == nullptr);
        }
        Check(catalog.Url(i) == nullptr || catalog.Name(i) != nullptr);
        if (!catalog.Url(i)) continue;
        if (const std::optional<std::string> link = DownloadLinkToOpen(catalog.Url(i))) {
            for (const char c : *link) Check(c > 0x20 && c < 0x7F && c != '"');
        }
    }
    return 0;
}

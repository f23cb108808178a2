#include "download_list.h"

#include <cstring>
#include <new>

#include "application_record.h"

namespace {

const char* SkipSeparators(const char* p)
{
    while (*p == ';') ++p;
    return p;
}

const char* FieldEnd(const char* p)
{
    while (*p != '\0' && *p != ';') ++p;
    return p;
}

std::unique_ptr<char[]> CopyText(std::string_view text)
{
    std::unique_ptr<char[]> copy(new (std::nothrow) char[text.size() + 1]);
    if (!copy) return nullptr;
    std::memcpy(copy.get(), text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

}  // namespace

DownloadLineFields SplitDownloadLine(const char* line)
{
    DownloadLineFields fields;
    const char* p = SkipSeparators(line);
    if (*p == '\0') return fields;
    const char* end = FieldEnd(p);
    fields.hasName = true;
    fields.name = std::string_view(p, static_cast<size_t>(end - p));
    if (*end == '\0') return fields;

    p = SkipSeparators(end + 1);
    if (*p == '\0') return fields;
    end = FieldEnd(p);
    fields.hasUrl = true;
    fields.url = std::string_view(p, static_cast<size_t>(end - p));
    return fields;
}

std::optional<std::string> DownloadLinkToOpen(std::string_view url)
{
    if (!url.empty() && url.back() == '\n') {
        url.remove_suffix(1);
        if (!url.empty() && url.back() == '\r') url.remove_suffix(1);
    }
    if (!IsOpenableWebLink(url)) return std::nullopt;
    return std::string(url);
}

void DownloadCatalog::Clear()
{
    published_.store(0, std::memory_order_release);
    for (int i = 0; i < DownloadListCapacity; ++i) {
        downloadNames_[i].reset();
        downloadUrls_[i].reset();
    }
}

bool DownloadCatalog::Append(const DownloadLineFields& fields)
{
    const int index = published_.load(std::memory_order_relaxed);
    if (index >= DownloadListCapacity) return false;
    downloadNames_[index] = fields.hasName ? CopyText(fields.name) : nullptr;
    downloadUrls_[index] = fields.hasUrl ? CopyText(fields.url) : nullptr;
    // Readers see the entry only from here on, texts complete.
    published_.store(index + 1, std::memory_order_release);
    return true;
}

void DownloadCatalog::Append(const DownloadCatalog& list)
{
    for (int i = 0; i < list.Count(); ++i) {
        DownloadLineFields fields;
        const char* name = list.Name(i);
        const char* url = list.Url(i);
        fields.hasName = name != nullptr;
        fields.name = name ? name : "";
        fields.hasUrl = url != nullptr;
        fields.url = url ? url : "";
        if (!Append(fields)) return;
    }
}

const char* DownloadCatalog::Name(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return downloadNames_[index].get();
}

const char* DownloadCatalog::Url(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return downloadUrls_[index].get();
}

int LoadDownloadList(DownloadLineSource& source, DownloadCatalog& catalog)
{
    char line[DownloadLineBufferSize];
    int lines = 0;
    while (!source.AtEnd()) {
        if (!source.ReadLine(line, sizeof line)) break;
        line[sizeof line - 1] = '\0';
        ++lines;
        // Past the capacity the rest of the list is read and dropped.
        catalog.Append(SplitDownloadLine(line));
    }
    return lines;
}

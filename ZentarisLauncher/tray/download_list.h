// The download list: lines of "name;url" naming the game clients that can be
// downloaded, read in the background and listed in the tray menu. No
// windows.h here: the line rules and the tables are built and tested on the
// host too.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Entries kept; further lines are read and dropped.
inline constexpr int DownloadListCapacity = 999;
// Each line is read into a buffer of this size, so a line longer than
// 1023 bytes (line end included) arrives in pieces, each an entry.
inline constexpr int DownloadLineBufferSize = 1024;

// The first two fields of one line as read, line end included. Runs of ';'
// are one separator and a leading ';' is skipped; the line end stays in the
// field it closes.
// The views point into the line.
struct DownloadLineFields {
    bool hasName = false;
    std::string_view name;
    bool hasUrl = false;
    std::string_view url;
};

DownloadLineFields SplitDownloadLine(const char* line);

// The link a download entry opens: its URL without the line end ("\n" or
// "\r\n") that closed its line, which ends the line and not the link, when
// what is left may go to the shell (IsOpenableWebLink); nothing otherwise.
// An entry that opens nothing is listed all the same.
std::optional<std::string> DownloadLinkToOpen(std::string_view url);

// Lines as the standard stream calls deliver them (feof and fgets).
class DownloadLineSource {
public:
    virtual ~DownloadLineSource() = default;
    virtual bool AtEnd() = 0;
    // At most size - 1 bytes up to and including '\n', terminated; null when
    // nothing was delivered.
    virtual char* ReadLine(char* destination, int size) = 0;
};

// The download tables. One thread appends (the fetch into a list of its
// own, the tray's UI thread into the tray's); any thread may read at the
// same time and sees only whole entries: an entry is published, by the
// count, after both of its texts are stored.
class DownloadCatalog {
public:
    DownloadCatalog() = default;
    DownloadCatalog(const DownloadCatalog&) = delete;
    DownloadCatalog& operator=(const DownloadCatalog&) = delete;

    // Empties the tables. Only while no other thread uses them.
    void Clear();
    // Stores and publishes one entry; false when the tables are full. A text
    // that cannot be allocated leaves its slot empty.
    bool Append(const DownloadLineFields& fields);
    // Appends every entry of `list`, empty slots as they are, while there is
    // room.
    void Append(const DownloadCatalog& list);
    // Entries published so far.
    int Count() const { return published_.load(std::memory_order_acquire); }
    // Null for an entry not published yet, or whose line had no such field.
    const char* Name(int index) const;
    const char* Url(int index) const;

private:
    std::unique_ptr<char[]> downloadNames_[DownloadListCapacity];
    std::unique_ptr<char[]> downloadUrls_[DownloadListCapacity];
    std::atomic<int> published_{0};
};

// Reads lines until the end or a read that delivers nothing, appending the
// first DownloadListCapacity of them. Answers the number of lines read.
int LoadDownloadList(DownloadLineSource& source, DownloadCatalog& catalog);

#include "webfile_test_support.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "portal_client.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/lsan_interface.h>
#define WEBFILE_TEST_LSAN 1
#endif
#endif

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

namespace webfile_test {

std::string ServeOnce(const std::string& name, const std::string& body, int status,
                      const std::string& extraJson)
{
    static int serial = 0;
    const std::string path = "/webfile/" + name + "/" + std::to_string(++serial);
    if (!portal::Serve(path, status, body, extraJson)) {
        ADD_FAILURE() << "portal test server refused route " << path;
        return "";
    }
    return portal::UrlOf(path.substr(1));
}

bool ServerSaw(const std::string& url) { return ServerRequests(url) > 0; }

int ServerRequests(const std::string& url)
{
    const std::string base = portal::BaseUrl();
    if (base.empty() || url.compare(0, base.size(), base) != 0) return 0;
    const std::string quoted = "\"" + url.substr(base.size() - 1) + "\"";
    const std::string log = portal::RequestLog();
    int count = 0;
    for (size_t at = log.find(quoted); at != std::string::npos; at = log.find(quoted, at + 1)) ++count;
    return count;
}

ScratchFile::ScratchFile(const std::string& bytes)
{
    static int serial = 0;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path = (std::filesystem::temp_directory_path() /
            ("webfile-" + std::to_string(stamp) + "-" + std::to_string(++serial) + ".bin"))
               .string();
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        ADD_FAILURE() << "cannot create " << path;
        return;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
        ADD_FAILURE() << "cannot write " << path;
    }
    std::fclose(out);
}

ScratchFile::~ScratchFile()
{
    std::remove(path.c_str());
}

std::vector<std::string> ReadAllLines(WebFile* file, int size)
{
    std::vector<std::string> pieces;
    std::vector<char> buffer(size + 1);
    for (int guard = 0; guard < 100000; ++guard) {
        if (!WebFileReadLine(buffer.data(), size, file)) return pieces;
        pieces.emplace_back(buffer.data());
    }
    ADD_FAILURE() << "WebFileReadLine never reached the end";
    return pieces;
}

std::string ReadAllRecords(WebFile* file, size_t size, size_t count, std::vector<size_t>* counts)
{
    std::string bytes;
    std::vector<char> buffer(size * count);
    for (int guard = 0; guard < 100000; ++guard) {
        // Mark the buffer so a partial trailing record can be told from stale bytes.
        std::fill(buffer.begin(), buffer.end(), '\x7f');
        const size_t records = WebFileRead(buffer.data(), size, count, file);
        counts->push_back(records);
        // A trailing partial record is delivered too, just not counted.
        size_t delivered = records * size;
        while (delivered < buffer.size() && buffer[delivered] != '\x7f') ++delivered;
        bytes.append(buffer.data(), delivered);
        if (records == 0 || WebFileAtEnd(file)) return bytes;
    }
    ADD_FAILURE() << "WebFileRead never reached the end";
    return bytes;
}

std::string PatternBytes(size_t length, unsigned seed)
{
    std::string bytes(length, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (size_t i = 0; i < length; ++i) {
        state = state * 1103515245u + 12345u;
        // Keep clear of the 0x7f marker and of '\n', so records are unambiguous.
        unsigned char c = static_cast<unsigned char>(state >> 16);
        if (c == 0x7f || c == '\n') c = 0;
        bytes[i] = static_cast<char>(c);
    }
    return bytes;
}

ProcessLifetimeAllocations::ProcessLifetimeAllocations()
{
#ifdef WEBFILE_TEST_LSAN
    __lsan_disable();
#endif
}

ProcessLifetimeAllocations::~ProcessLifetimeAllocations()
{
#ifdef WEBFILE_TEST_LSAN
    __lsan_enable();
#endif
}

double ThreadCpuSeconds()
{
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return -1;
    auto seconds = [](const FILETIME& t) {
        return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
#else
    struct rusage usage;
    if (getrusage(RUSAGE_THREAD, &usage) != 0) return -1;
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

}  // namespace webfile_test


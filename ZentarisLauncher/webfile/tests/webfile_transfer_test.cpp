// How the reader fetches: what opens, what counts as content, slow and silent
// servers, several threads at once, and waiting without burning the CPU.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "portal_client.h"
#include "webfile.h"
#include "webfile_test_support.h"

using namespace webfile_test;

namespace {

std::string ReadEverything(WebFile* file)
{
    std::vector<size_t> counts;
    return ReadAllRecords(file, 1, 300, &counts);
}

TEST(WebFileOpenFailures, NothingReceivedMeansNoFile)
{
    struct Case {
        const char* name;
        std::string url;
        bool asksServer;
        long status;  // what the open says the server answered
    };
    const std::vector<Case> cases = {
        {"empty body", ServeOnce("empty", ""), true, 200},
        {"empty error page", ServeOnce("empty404", "", 404), true, 404},
        // Only a 200 answer is the portal's data: an error page's or a
        // redirect's body never passes for it.
        {"not found page", ServeOnce("page404", "<html>gone</html>\n", 404), true, 404},
        {"server error page starting with 1", ServeOnce("page500", "1 internal error\n", 500), true, 500},
        {"redirect, not followed", ServeOnce("moved", "1\n", 302,
                                            "\"headers\": {\"Location\": \"/webfile/redirect-target\"}"), true, 302},
        {"other success status", ServeOnce("created", "1\n", 201), true, 201},
        {"partial content", ServeOnce("partial", "1\n", 206), true, 206},
        {"connection reset before an answer", ServeOnce("reset", "", 200, "\"reset\": true"), true, 0},
        {"headers, a pause, then nothing",
         ServeOnce("headers-only", "", 200, "\"length\": false, \"stall_after_headers\": 0.5"), true, 200},
        // Port 1 on loopback has no listener: the connection is refused.
        {"connection refused", "http://127.0.0.1:1/launcher/1/", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto start = std::chrono::steady_clock::now();
        long status = -1;
        EXPECT_EQ(WebFileOpenAnswered(c.url.c_str(), "r", 0, &status), nullptr);
        EXPECT_EQ(status, c.status);
        // A failure is known at once (a refused connection too, which
        // Winsock reports apart from readiness); only the pause above takes
        // time.
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(wall, 5.0);
        if (c.asksServer) {
            EXPECT_TRUE(ServerSaw(c.url));
        }
    }
    EXPECT_FALSE(ServerSaw(portal::UrlOf("webfile/redirect-target")));
    // A failed open leaves the thread able to open the next URL.
    const std::string url = ServeOnce("after-failures", "1\n");
    long status = 0;
    WebFile* file = WebFileOpenAnswered(url.c_str(), "r", 0, &status);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(ReadEverything(file), "1\n");
    EXPECT_EQ(WebFileClose(file), 0);
}

TEST(WebFileContent, WhateverBodyAnOkAnswerCarriesIsTheContent)
{
    struct Case {
        const char* name;
        std::string body;
        std::string extra;
        bool byName;  // the server named "localhost": a name libcurl resolves first
    };
    const std::vector<Case> cases = {
        {"text", "1\n", "", false},
        {"body without a length, ended by closing", "no length\nsecond\n", "\"length\": false", false},
        {"binary bytes", PatternBytes(4096, 3), "", false},
        // While the name is resolved libcurl has no socket to wait on.
        {"server by name", "by name\n", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string url = ServeOnce("content", c.body, 200, c.extra);
        const size_t host = url.find("127.0.0.1");
        ASSERT_NE(host, std::string::npos);
        if (c.byName) url.replace(host, std::strlen("127.0.0.1"), "localhost");
        WebFile* file = WebFileOpen(url.c_str(), "r");
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(ReadEverything(file), c.body);
        EXPECT_EQ(WebFileAtEnd(file), 1);
        EXPECT_EQ(WebFileComplete(file), 1);
        EXPECT_EQ(WebFileClose(file), 0);
    }
}

// A body that stops short of what the server announced, or that the
// deadline cuts, is delivered as far as it came but is not whole.
TEST(WebFileContent, CutOffBodyIsNotComplete)
{
    struct Case {
        const char* name;
        std::string extra;
        long deadlineMs;
    };
    const std::vector<Case> cases = {
        {"shorter than its length", "\"length\": false, \"headers\": {\"Content-Length\": \"100\"}", 0},
        {"reset after part of its length", "\"length\": false, \"headers\": {\"Content-Length\": \"9\"}, "
                                           "\"reset_after_body\": true", 0},
        {"deadline in the middle", "\"drip\": {\"chunk\": 2, \"interval\": 5}", 1500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string url = ServeOnce("cut", "1\n2\n", 200, c.extra);
        WebFile* file = WebFileOpenWithin(url.c_str(), "r", c.deadlineMs);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(ReadEverything(file).substr(0, 2), "1\n");
        EXPECT_EQ(WebFileAtEnd(file), 1);
        EXPECT_EQ(WebFileComplete(file), 0);
        EXPECT_EQ(WebFileClose(file), 0);
    }
}

TEST(WebFileSlowServers, EveryByteArrivesHoweverSlowly)
{
    struct Case {
        const char* name;
        std::string body;
        std::string extra;
    };
    const std::string lines = [] {
        std::string text;
        for (int i = 0; i < 60; ++i) text += "entry " + std::to_string(i) + ";http://127.0.0.1/x\n";
        return text;
    }();
    const std::vector<Case> cases = {
        {"drip of small chunks", lines, "\"drip\": {\"chunk\": 7, \"interval\": 0.005}"},
        {"silence before the answer", lines, "\"stall\": 1.5"},
        {"silence after the headers", lines, "\"stall_after_headers\": 1.5"},
        {"drip without a length", lines,
         "\"length\": false, \"drip\": {\"chunk\": 64, \"interval\": 0.01}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Read by lines...
        std::string url = ServeOnce("slow", c.body, 200, c.extra);
        WebFile* file = WebFileOpen(url.c_str(), "r");
        ASSERT_NE(file, nullptr);
        std::string joined;
        for (const std::string& piece : ReadAllLines(file, 1024)) joined += piece;
        EXPECT_EQ(joined, c.body);
        EXPECT_EQ(WebFileAtEnd(file), 1);
        EXPECT_EQ(WebFileClose(file), 0);

        // ...and by records, each read waiting for its full count.
        url = ServeOnce("slow", c.body, 200, c.extra);
        file = WebFileOpen(url.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        std::vector<size_t> counts;
        EXPECT_EQ(ReadAllRecords(file, 1, 1024, &counts), c.body);
        for (size_t i = 0; i + 1 < counts.size(); ++i) EXPECT_EQ(counts[i], 1024u) << "read " << i;
        EXPECT_EQ(WebFileClose(file), 0);
    }
}

TEST(WebFileSlowServers, WaitingForASilentServerUsesNoCpu)
{
    const std::string body = "late but whole\n";
    const std::string url = ServeOnce("silent", body, 200, "\"stall\": 2.0");
    const double cpuBefore = ThreadCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    WebFile* file = WebFileOpen(url.c_str(), "r");
    ASSERT_NE(file, nullptr);
    char line[64];
    ASSERT_EQ(WebFileReadLine(line, sizeof line, file), line);
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    EXPECT_STREQ(line, body.c_str());
    EXPECT_EQ(WebFileClose(file), 0);
    EXPECT_GE(wall, 1.8);
    // A reader that polls in a loop burns most of the two seconds.
    EXPECT_LT(cpu, 0.4) << "CPU " << cpu << " s while waiting " << wall << " s";
}

// A caller that cannot wait for ever gives a deadline: what has arrived by
// then is the content, and a server that sent nothing cannot be opened.
TEST(WebFileSlowServers, DeadlineEndsASilentTransfer)
{
    struct Case {
        const char* name;
        std::string extra;
        bool opens;
        const char* firstLine;
    };
    const Case cases[] = {
        {"silent before the answer", "\"stall\": 30", false, nullptr},
        {"silent after the headers", "\"stall_after_headers\": 30", false, nullptr},
        {"first bytes, then silence", "\"length\": false, \"drip\": {\"chunk\": 2, \"interval\": 30}", true, "1\n"},
        {"whole answer in time", "", true, "1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string url = ServeOnce("deadline", "1\nrest of the answer\n", 200, c.extra);
        const auto start = std::chrono::steady_clock::now();
        WebFile* file = WebFileOpenWithin(url.c_str(), "r", 1500);
        ASSERT_EQ(file != nullptr, c.opens);
        if (file) {
            char line[1024];
            ASSERT_EQ(WebFileReadLine(line, sizeof line, file), line);
            EXPECT_STREQ(line, c.firstLine);
            EXPECT_EQ(WebFileClose(file), 0);
        }
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(wall, 10.0) << "the deadline did not end the transfer";
    }
    // Local files are not bounded, and a negative deadline is refused.
    EXPECT_EQ(WebFileOpenWithin(ServeOnce("deadline", "1\n", 200, "").c_str(), "r", -1), nullptr);
}

// Files opened one after another on a thread share its multi handle and so
// its kept connections. A kept connection the server drops just as the next
// request arrives costs that file a new connection, not its content.
TEST(WebFileConnections, NextFileReusesOrReplacesTheKeptConnection)
{
    struct Case {
        const char* name;
        std::string extra;
        int requests;  // for the two files
    };
    const Case cases[] = {
        {"kept", "\"keep_alive\": true", 2},
        {"closed at the next request", "\"keep_alive\": true, \"drop_kept\": \"close\"", 3},
        {"reset at the next request", "\"keep_alive\": true, \"drop_kept\": \"reset\"", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string body = "kept\nsecond line\n";
        const std::string url = ServeOnce("kept", body, 200, c.extra);
        for (int round = 0; round < 2; ++round) {
            WebFile* file = WebFileOpen(url.c_str(), "r");
            ASSERT_NE(file, nullptr) << "file " << round;
            EXPECT_EQ(ReadEverything(file), body) << "file " << round;
            EXPECT_EQ(WebFileComplete(file), 1) << "file " << round;
            EXPECT_EQ(WebFileClose(file), 0);
        }
        EXPECT_EQ(ServerRequests(url), c.requests);
        // An answer that closes its connection leaves none kept for the next
        // case.
        WebFile* closing = WebFileOpen(ServeOnce("closing", "1\n").c_str(), "r");
        ASSERT_NE(closing, nullptr);
        EXPECT_EQ(ReadEverything(closing), "1\n");
        EXPECT_EQ(WebFileClose(closing), 0);
    }
}

TEST(WebFileThreads, ThreadsReadTheirOwnUrlsAtTheSameTime)
{
    constexpr int ThreadCount = 4;
    std::vector<std::string> bodies, urls;
    for (int i = 0; i < ThreadCount; ++i) {
        bodies.push_back(PatternBytes(6000 + 100 * i, 100 + i));
        urls.push_back(ServeOnce("thread", bodies.back(), 200,
                                 "\"drip\": {\"chunk\": 500, \"interval\": 0.02}"));
    }
    // Every thread opens its first URL at the same moment: the reader's
    // one-time libcurl setup must not race.
    std::mutex mutex;
    std::condition_variable go;
    bool started = false;
    std::atomic<int> inFlight{0}, mostInFlight{0};
    std::vector<std::string> received(ThreadCount);
    std::vector<std::thread> threads;
    for (int i = 0; i < ThreadCount; ++i) {
        threads.emplace_back([&, i] {
            ProcessLifetimeAllocations keptMultiHandle;
            {
                std::unique_lock<std::mutex> lock(mutex);
                go.wait(lock, [&] { return started; });
            }
            // Two files one after the other on each thread: the second reuses
            // the thread's multi handle.
            for (int round = 0; round < 2; ++round) {
                WebFile* file = WebFileOpen(urls[i].c_str(), "rb");
                if (!file) return;
                const int now = ++inFlight;
                int seen = mostInFlight.load();
                while (now > seen && !mostInFlight.compare_exchange_weak(seen, now)) {
                }
                std::vector<size_t> counts;
                received[i] = ReadAllRecords(file, 1, 700, &counts);
                --inFlight;
                WebFileClose(file);
            }
        });
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        started = true;
    }
    go.notify_all();
    for (std::thread& t : threads) t.join();
    for (int i = 0; i < ThreadCount; ++i) EXPECT_EQ(received[i], bodies[i]) << "thread " << i;
    // The drip takes a quarter second per file, so the transfers overlapped.
    EXPECT_GT(mostInFlight.load(), 1);
}

#ifdef _WIN32
}  // namespace
#include <windows.h>
namespace {

struct PlatformThreadRead {
    std::string url;
    std::string received;
};

DWORD WINAPI ReadOnPlatformThread(void* parameter)
{
    auto* job = static_cast<PlatformThreadRead*>(parameter);
    WebFile* file = WebFileOpen(job->url.c_str(), "rb");
    if (!file) return 1;
    std::vector<size_t> counts;
    job->received = ReadAllRecords(file, 1, 1024, &counts);
    WebFileClose(file);
    // As the tray's workers end; a second call changes nothing.
    WebFileThreadDone();
    WebFileThreadDone();
    return 0;
}

// The tray's worker threads are plain CreateThread threads, done with URLs
// when their work is. With every thread done (this one too), libcurl's
// process-wide state may go; a later open starts it again.
TEST(WebFileThreads, PlatformThreadsReadTheirOwnUrls)
{
    WebFileThreadDone();
    PlatformThreadRead jobs[2];
    std::vector<std::string> bodies;
    HANDLE threads[2] = {};
    for (int i = 0; i < 2; ++i) {
        bodies.push_back(PatternBytes(3000, 40 + i));
        jobs[i].url = ServeOnce("platform-thread", bodies[i], 200,
                                "\"drip\": {\"chunk\": 300, \"interval\": 0.02}");
    }
    for (int i = 0; i < 2; ++i) {
        threads[i] = CreateThread(nullptr, 0, ReadOnPlatformThread, &jobs[i], 0, nullptr);
        ASSERT_NE(threads[i], nullptr);
    }
    EXPECT_EQ(WaitForMultipleObjects(2, threads, TRUE, 60000), WAIT_OBJECT_0);
    for (int i = 0; i < 2; ++i) {
        DWORD code = 99;
        GetExitCodeThread(threads[i], &code);
        CloseHandle(threads[i]);
        EXPECT_EQ(code, 0u) << "thread " << i;
        EXPECT_EQ(jobs[i].received, bodies[i]) << "thread " << i;
    }
    PlatformThreadRead again{ServeOnce("after-threads", "again\n"), ""};
    EXPECT_EQ(ReadOnPlatformThread(&again), 0u);
    EXPECT_EQ(again.received, "again\n");
}
#else
}  // namespace
#include <fcntl.h>
#include <sys/select.h>
#include <unistd.h>
namespace {

// libcurl names no descriptor for sockets select() cannot hold (numbers at
// or past FD_SETSIZE). The transfer must still progress, promptly and
// without spinning.
TEST(WebFileSlowServers, TransferWithoutSelectableDescriptorStillProgresses)
{
    std::vector<int> filler;
    const int devnull = open("/dev/null", O_RDONLY);
    ASSERT_GE(devnull, 0);
    filler.push_back(devnull);
    while (filler.back() < FD_SETSIZE + 16) {
        const int fd = dup(devnull);
        if (fd < 0) break;
        filler.push_back(fd);
    }
    ASSERT_GE(filler.back(), FD_SETSIZE) << "cannot open enough descriptors";

    const std::string body = PatternBytes(3000, 11);
    const std::string url = ServeOnce("high-descriptor", body, 200,
                                      "\"stall\": 1.0, \"drip\": {\"chunk\": 100, \"interval\": 0.02}");
    const double cpuBefore = ThreadCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    WebFile* file = WebFileOpen(url.c_str(), "rb");
    std::string received;
    if (file) {
        std::vector<size_t> counts;
        received = ReadAllRecords(file, 1, 1024, &counts);
        WebFileClose(file);
    }
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    for (int fd : filler) close(fd);

    ASSERT_NE(file, nullptr);
    EXPECT_EQ(received, body);
    EXPECT_LT(wall, 10.0);  // a select() with nothing to wait on would sit out its 60 s
    EXPECT_LT(cpu, 0.5) << "CPU " << cpu << " s in " << wall << " s";
}

// A name that exists on disk is a local file even when it reads as a URL.
TEST(WebFileLocalNames, LocalFileWinsOverAUrlLookingName)
{
    const std::string remoteBody = "remote\n";
    const std::string url = ServeOnce("shadowed", remoteBody);
    ASSERT_EQ(url.rfind("http://", 0), 0u);
    const std::string relative = url.substr(std::strlen("http://"));  // 127.0.0.1:PORT/webfile/...

    ScratchFile anchor("");
    const std::string root = anchor.path + ".dir";
    const std::string local = root + "/http:/" + relative;
    std::filesystem::create_directories(std::filesystem::path(local).parent_path());
    {
        FILE* out = std::fopen(local.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::fputs("local\r\n", out);
        std::fclose(out);
    }
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(root.c_str()), 0);
    WebFile* file = WebFileOpen(url.c_str(), "r");
    ASSERT_EQ(chdir(previous), 0);
    std::filesystem::remove_all(root);

    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->kind, WebFileLocal);
    EXPECT_EQ(ReadAllLines(file, 1024), std::vector<std::string>{"local\r\n"});
    EXPECT_EQ(WebFileClose(file), 0);
    EXPECT_FALSE(ServerSaw(url));
}
#endif

}  // namespace

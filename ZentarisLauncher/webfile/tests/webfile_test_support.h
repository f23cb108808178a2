// Helpers shared by the reader's tests: routes on the portal test server,
// scratch files, and draining a file the way the launcher's callers do.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "webfile.h"

namespace webfile_test {

// Serves `body` with `status` at a route unique to this call; returns its URL
// (empty, with a test failure, when the server refused the route).
std::string ServeOnce(const std::string& name, const std::string& body, int status = 200,
                      const std::string& extraJson = "");

// True when the portal test server has been asked for this URL of its own.
bool ServerSaw(const std::string& url);

// How often the portal test server has been asked for this URL of its own.
int ServerRequests(const std::string& url);

// A file in the temporary folder holding exactly `bytes`, removed on scope exit.
struct ScratchFile {
    explicit ScratchFile(const std::string& bytes);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    std::string path;
};

// Every piece WebFileReadLine delivers with a buffer of `size` bytes, until
// it answers null (bounded, so a reader that never ends fails the test).
std::vector<std::string> ReadAllLines(WebFile* file, int size);

// Every byte delivered by WebFileRead with records of `size` x `count`; the
// counts it answered are appended to `counts`.
std::string ReadAllRecords(WebFile* file, size_t size, size_t count, std::vector<size_t>* counts);

// `length` bytes of varied content, zero bytes included.
std::string PatternBytes(size_t length, unsigned seed);

// While it lives, the calling thread's allocations are not counted as leaks
// by the host's leak checker: a thread's libcurl multi handle is kept for the
// life of the process on purpose, and goes unreachable when the thread ends.
struct ProcessLifetimeAllocations {
    ProcessLifetimeAllocations();
    ~ProcessLifetimeAllocations();
    ProcessLifetimeAllocations(const ProcessLifetimeAllocations&) = delete;
    ProcessLifetimeAllocations& operator=(const ProcessLifetimeAllocations&) = delete;
};

// CPU time the calling thread has used so far, in seconds.
double ThreadCpuSeconds();

}  // namespace webfile_test

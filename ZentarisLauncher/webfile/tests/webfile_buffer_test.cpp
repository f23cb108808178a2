// The receive buffer and the record's guards: reads that move nothing,
// growth by exactly the shortfall, the growth failure, draining, and records
// of unknown kind.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "webfile.h"
#include "webfile_internal.h"
#include "webfile_test_support.h"

using namespace webfile_test;

namespace {

std::string Buffered(const WebFile& file)
{
    return std::string(file.data ? file.data + file.start : "", file.length);
}

void ExpectInvariant(const WebFile& file)
{
    EXPECT_LE(file.start + static_cast<unsigned>(file.length), file.capacity);
    EXPECT_EQ(file.data == nullptr, file.capacity == 0);
}

TEST(WebFileBuffer, ReadsMoveNothingAndTheBlockGrowsByExactlyTheShortfall)
{
    // Each step appends a chunk or consumes from the front; the buffer must
    // then hold `held` from offset `start` of a block of exactly `capacity`
    // bytes.
    struct Step {
        const char* append;   // null: consume `consume` bytes instead
        size_t consume;
        const char* held;
        unsigned start;
        unsigned capacity;
    };
    const std::vector<Step> steps = {
        {"hello", 0, "hello", 0, 5},
        {"abc", 0, "helloabc", 0, 8},
        {nullptr, 2, "lloabc", 2, 8},        // consuming moves nothing...
        {nullptr, 4, "bc", 6, 8},            // ...and keeps the block
        {"1234", 0, "bc1234", 0, 8},         // fits once the rest moves to the front
        {nullptr, 1, "c1234", 1, 8},
        {"x", 0, "c1234x", 1, 8},            // fits behind the rest: nothing moves
        {"0123456789", 0, "c1234x0123456789", 0, 16},  // moves, then grows by 16 - 8
        {nullptr, 3, "34x0123456789", 3, 16},
        {"", 0, "34x0123456789", 3, 16},
        {nullptr, 13, "", 0, 0},             // drained: released
        {"z", 0, "z", 0, 1},
        {nullptr, 50, "", 0, 0},             // consuming more than held drains too
    };
    WebFile file{};
    file.kind = WebFileUrl;
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i));
        const Step& s = steps[i];
        const char* block = file.data;
        if (s.append) {
            std::string chunk = s.append;
            EXPECT_EQ(WebFileAppend(chunk.data(), 1, chunk.size(), &file), chunk.size());
        } else {
            WebFileConsume(&file, s.consume);
            if (file.data) {
                EXPECT_EQ(file.data, block) << "a read moved the block";
            }
        }
        EXPECT_EQ(Buffered(file), s.held);
        EXPECT_EQ(file.start, s.start);
        EXPECT_EQ(file.capacity, s.capacity);
        ExpectInvariant(file);
    }
    free(file.data);
}

TEST(WebFileBuffer, FailedGrowthKeepsWhatFitsAndSaysSo)
{
    struct Case {
        const char* name;
        size_t size;
        size_t count;
    };
    // Chunks no buffer of an int-sized length can hold, and a size x count
    // product that wraps around.
    const std::vector<Case> cases = {
        {"past the int range", 1, static_cast<size_t>(INT32_MAX)},
        {"product wraps", SIZE_MAX / 2 + 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WebFile file{};
        file.kind = WebFileUrl;
        std::string head = "kept";
        ASSERT_EQ(WebFileAppend(head.data(), 1, head.size(), &file), head.size());
        WebFileConsume(&file, 1);  // leaves one byte of room
        char source[8] = "XYZ";
        testing::internal::CaptureStderr();
        const size_t kept = WebFileAppend(source, c.size, c.count, &file);
        const std::string message = testing::internal::GetCapturedStderr();
        EXPECT_EQ(message, "callback buffer grow failed\n");
        EXPECT_EQ(kept, 1u);  // the room that was left: libcurl ends the transfer
        EXPECT_EQ(Buffered(file), "eptX");
        EXPECT_EQ(file.capacity, 4u);
        free(file.data);
    }
}

TEST(WebFileKinds, RecordOfUnknownKindIsRefusedAndStillFreed)
{
    for (int kind : {0, 3, -1, 1000}) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        WebFile* file = static_cast<WebFile*>(calloc(1, sizeof(WebFile)));
        ASSERT_NE(file, nullptr);
        file->kind = kind;
        file->data = static_cast<char*>(malloc(16));  // freed by WebFileClose (leak check on the host)
        file->capacity = 16;
        file->length = 16;
        char buffer[32] = "untouched";

        errno = 0;
        EXPECT_EQ(WebFileRead(buffer, 1, 8, file), 0u);
        EXPECT_EQ(errno, EBADF);
        errno = 0;
        EXPECT_EQ(WebFileReadLine(buffer, sizeof buffer, file), nullptr);
        EXPECT_EQ(errno, EBADF);
        errno = 0;
        EXPECT_EQ(WebFileAtEnd(file), -1);
        EXPECT_EQ(errno, EBADF);
        EXPECT_STREQ(buffer, "untouched");
        errno = 0;
        EXPECT_EQ(WebFileClose(file), -1);
        EXPECT_EQ(errno, EBADF);
    }
    // No record at all is refused the same way.
    errno = 0;
    EXPECT_EQ(WebFileRead(nullptr, 1, 4, nullptr), 0u);
    EXPECT_EQ(WebFileReadLine(nullptr, 8, nullptr), nullptr);
    EXPECT_EQ(WebFileAtEnd(nullptr), -1);
    EXPECT_EQ(WebFileClose(nullptr), -1);
    EXPECT_EQ(errno, EBADF);
}

TEST(WebFileLocalFiles, LocalFilesFollowTheStream)
{
    struct Case {
        const char* name;
        std::string bytes;
        const char* mode;
        std::vector<std::string> lines;
    };
    std::vector<Case> cases = {
        {"binary mode keeps CR LF", "a\r\nb\r\n", "rb", {"a\r\n", "b\r\n"}},
#ifdef _WIN32
        // The mode reaches fopen: text mode turns CR LF into LF on Windows.
        {"text mode translates CR LF", "a\r\nb\r\n", "r", {"a\n", "b\n"}},
#else
        {"text mode is binary here", "a\r\nb\r\n", "r", {"a\r\n", "b\r\n"}},
#endif
        {"empty file opens and ends", "", "rb", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFile local(c.bytes);
        WebFile* file = WebFileOpen(local.path.c_str(), c.mode);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->kind, WebFileLocal);
        EXPECT_EQ(WebFileAtEnd(file), 0);  // feof: nothing read yet
        EXPECT_EQ(ReadAllLines(file, 1024), c.lines);
        EXPECT_NE(WebFileAtEnd(file), 0);
        EXPECT_EQ(WebFileClose(file), 0);
    }
    // A missing local file is tried as a URL, which cannot be fetched.
    ScratchFile gone("x");
    const std::string missing = gone.path + ".missing";
    EXPECT_EQ(WebFileOpen(missing.c_str(), "rb"), nullptr);
}

}  // namespace

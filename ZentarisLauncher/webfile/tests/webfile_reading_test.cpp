// What callers read: lines and records, the same from a URL as from a local
// file holding the same bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "webfile.h"
#include "webfile_test_support.h"

using namespace webfile_test;

namespace {

struct LineCase {
    const char* name;
    std::string body;
    int size;
    std::vector<std::string> pieces;
};

std::string Repeat(char c, size_t n) { return std::string(n, c); }

std::vector<LineCase> LineCases()
{
    std::vector<LineCase> cases = {
        {"two short lines", "first line\nsecond\n", 1024, {"first line\n", "second\n"}},
        {"long line comes in buffer-sized pieces", Repeat('x', 2000), 1024,
         {Repeat('x', 1023), Repeat('x', 977)}},
        {"carriage returns are kept", "a\r\nb\r\n", 1024, {"a\r\n", "b\r\n"}},
        {"last line without newline", "one\nno newline at end", 1024, {"one\n", "no newline at end"}},
        {"small buffer splits lines", "abcdef\nxy\n", 4, {"abc", "def", "\n", "xy\n"}},
        {"empty lines", "\n\n", 1024, {"\n", "\n"}},
        {"buffer of two takes one byte", "ab\n", 2, {"a", "b", "\n"}},
        {"line exactly filling the buffer", Repeat('y', 1023) + "\n" + "z\n", 1024,
         {Repeat('y', 1023), "\n", "z\n"}},
    };
    // Many lines across several network chunks: the pieces are the lines.
    LineCase many{"hundreds of lines", "", 1024, {}};
    for (int i = 0; i < 400; ++i) {
        std::string line = "line " + std::to_string(i) + " " + Repeat('a' + i % 26, i % 90) + "\n";
        many.body += line;
        many.pieces.push_back(line);
    }
    cases.push_back(many);
    return cases;
}

TEST(WebFileLines, UrlDeliversLinesLikeALocalFile)
{
    for (const LineCase& c : LineCases()) {
        SCOPED_TRACE(c.name);
        const std::string url = ServeOnce("lines", c.body);
        WebFile* remote = WebFileOpen(url.c_str(), "r");
        ASSERT_NE(remote, nullptr);
        EXPECT_EQ(remote->kind, WebFileUrl);

        std::vector<char> buffer(c.size + 8, '#');
        for (size_t i = 0; i < c.pieces.size(); ++i) {
            ASSERT_EQ(WebFileReadLine(buffer.data(), c.size, remote), buffer.data()) << "piece " << i;
            EXPECT_EQ(std::string(buffer.data()), c.pieces[i]) << "piece " << i;
            const bool last = i + 1 == c.pieces.size();
            EXPECT_EQ(WebFileAtEnd(remote), last ? 1 : 0) << "piece " << i;
        }
        // At the end: null, the destination untouched, and still at the end.
        std::fill(buffer.begin(), buffer.end(), '#');
        EXPECT_EQ(WebFileReadLine(buffer.data(), c.size, remote), nullptr);
        EXPECT_EQ(buffer[0], '#');
        EXPECT_EQ(WebFileAtEnd(remote), 1);
        EXPECT_EQ(WebFileClose(remote), 0);

        ScratchFile local(c.body);
        WebFile* disk = WebFileOpen(local.path.c_str(), "rb");
        ASSERT_NE(disk, nullptr);
        EXPECT_EQ(disk->kind, WebFileLocal);
        EXPECT_EQ(ReadAllLines(disk, c.size), c.pieces);
        EXPECT_NE(WebFileAtEnd(disk), 0);
        EXPECT_EQ(WebFileClose(disk), 0);
    }
}

struct RecordCase {
    const char* name;
    size_t bodyLength;
    size_t size;
    size_t count;
    std::vector<size_t> counts;   // what each read answers, the final 0 included
};

TEST(WebFileRecords, ReadsCountWholeRecordsAndDeliverEveryByte)
{
    const std::vector<RecordCase> cases = {
        {"bytes in 1024 blocks", 3000, 1, 1024, {1024, 1024, 952}},
        {"pairs of 4-byte records, 6 bytes", 6, 4, 2, {1}},
        {"records of 3, body of 10", 10, 3, 5, {3}},
        {"record larger than the body", 5, 8, 1, {0}},
        {"exact fit", 64, 16, 4, {4, 0}},
    };
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string body = PatternBytes(c.bodyLength, static_cast<unsigned>(c.bodyLength));

        const std::string url = ServeOnce("records", body);
        WebFile* remote = WebFileOpen(url.c_str(), "rb");
        ASSERT_NE(remote, nullptr);
        std::vector<size_t> remoteCounts;
        EXPECT_EQ(ReadAllRecords(remote, c.size, c.count, &remoteCounts), body);
        EXPECT_EQ(WebFileAtEnd(remote), 1);
        EXPECT_EQ(WebFileClose(remote), 0);

        // The URL answers what fread answers, except that it may know it is
        // at the end as soon as the buffer drains: a final 0 is optional.
        auto withoutFinalZero = [](std::vector<size_t> counts) {
            if (counts.size() > 1 && counts.back() == 0) counts.pop_back();
            return counts;
        };
        EXPECT_EQ(withoutFinalZero(remoteCounts), withoutFinalZero(c.counts));

        ScratchFile local(body);
        WebFile* disk = WebFileOpen(local.path.c_str(), "rb");
        ASSERT_NE(disk, nullptr);
        std::vector<size_t> diskCounts;
        EXPECT_EQ(ReadAllRecords(disk, c.size, c.count, &diskCounts), body);
        EXPECT_EQ(diskCounts.front(), c.counts.front());
        EXPECT_EQ(WebFileClose(disk), 0);
    }
}

TEST(WebFileRecords, PartialRecordAtTheEndIsConsumedButNotCounted)
{
    const std::string url = ServeOnce("partial", "abcdef");
    WebFile* file = WebFileOpen(url.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    char buffer[8] = {};
    EXPECT_EQ(WebFileRead(buffer, 4, 2, file), 1u);
    EXPECT_EQ(std::string(buffer, 6), "abcdef");
    EXPECT_EQ(WebFileAtEnd(file), 1);
    // The drained buffer is released at once.
    EXPECT_EQ(file->data, nullptr);
    EXPECT_EQ(file->capacity, 0u);
    EXPECT_EQ(WebFileRead(buffer, 4, 2, file), 0u);
    EXPECT_EQ(WebFileClose(file), 0);
}

TEST(WebFileRecords, ZeroSizedReadsDeliverNothingAndKeepTheBytes)
{
    const std::string url = ServeOnce("zero", "keep me");
    WebFile* file = WebFileOpen(url.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    char buffer[16] = {};
    EXPECT_EQ(WebFileRead(buffer, 0, 4, file), 0u);
    EXPECT_EQ(WebFileRead(buffer, 4, 0, file), 0u);
    EXPECT_EQ(WebFileReadLine(buffer, 0, file), nullptr);
    EXPECT_EQ(WebFileReadLine(buffer, -5, file), nullptr);
    EXPECT_EQ(WebFileReadLine(buffer, sizeof buffer, file), buffer);
    EXPECT_STREQ(buffer, "keep me");
    EXPECT_EQ(WebFileClose(file), 0);
}

}  // namespace

// Reading the whole image into one block: sizes, read failures, and memory
// that runs out at any point (leaks show under the host build's ASan).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image_transfer.h"

namespace {

using zenproto::ImageReadSize;
using zenproto::TransferResult;

// A body served in reads of at most `chunk` bytes; fails the read numbered
// `failAt` (1-based, 0: never).
class ScriptedBody : public zenproto::BodySource {
public:
    ScriptedBody(std::string body, uint32_t chunk = ImageReadSize, int failAt = 0)
        : body_(std::move(body)), chunk_(chunk), failAt_(failAt) {}

    bool Read(uint8_t* into, uint32_t want, uint32_t* got) override
    {
        wants.push_back(want);
        if (++reads_ == failAt_) return false;
        const size_t n = std::min<size_t>({want, chunk_, body_.size() - pos_});
        std::memcpy(into, body_.data() + pos_, n);
        pos_ += n;
        *got = static_cast<uint32_t>(n);
        return true;
    }

    std::vector<uint32_t> wants;

private:
    std::string body_;
    uint32_t chunk_;
    int failAt_;
    int reads_ = 0;
    size_t pos_ = 0;
};

// The C heap, failing the call numbered `failAt` (1-based, 0: never), and
// recording every size asked for.
class CountingAllocator : public zenproto::ImageAllocator {
public:
    explicit CountingAllocator(int failAt = 0) : failAt_(failAt) {}
    void* Allocate(size_t bytes) override
    {
        sizes.push_back(bytes);
        return ++calls_ == failAt_ ? nullptr : std::malloc(bytes);
    }
    void* Resize(void* block, size_t bytes) override
    {
        sizes.push_back(bytes);
        return ++calls_ == failAt_ ? nullptr : std::realloc(block, bytes);
    }
    void Release(void* block) override
    {
        ++released;
        std::free(block);
    }
    std::vector<size_t> sizes;
    int released = 0;

private:
    int failAt_;
    int calls_ = 0;
};

std::string Pattern(size_t size)
{
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

TEST(ImageTransfer, WholeBodyArrivesWithTheBlockKeptOneReadAhead)
{
    struct Case {
        size_t size;
        uint32_t chunk;
        size_t reads;  // read calls, the final 0-byte one included
    };
    const Case cases[] = {
        {0, ImageReadSize, 1},
        {1, ImageReadSize, 2},
        {1023, ImageReadSize, 2},
        {1024, ImageReadSize, 2},
        {1025, ImageReadSize, 3},
        {5000, ImageReadSize, 6},
        {3000, 100, 31},  // a server that trickles
        {zenproto::ImageSizeLimit, ImageReadSize, 1025},  // the largest image held
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("size " + std::to_string(c.size) + " chunk " + std::to_string(c.chunk));
        const std::string body = Pattern(c.size);
        ScriptedBody source(body, c.chunk);
        CountingAllocator allocator;
        uint8_t* data = nullptr;
        uint32_t size = 99;
        ASSERT_EQ(zenproto::TransferBody(source, allocator, &data, &size), TransferResult::Complete);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(size, c.size);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), body);
        EXPECT_EQ(source.wants.size(), c.reads);
        for (uint32_t want : source.wants) EXPECT_EQ(want, ImageReadSize);
        // First 1024 bytes, then always received + 1024.
        ASSERT_FALSE(allocator.sizes.empty());
        EXPECT_EQ(allocator.sizes.front(), ImageReadSize);
        size_t received = 0;
        for (size_t i = 1; i < allocator.sizes.size(); ++i) {
            received += std::min<size_t>(c.chunk, c.size - received);
            EXPECT_EQ(allocator.sizes[i], received + ImageReadSize);
        }
        std::free(data);
    }
}

TEST(ImageTransfer, FailedReadEndsTheBodyWithWhatArrived)
{
    const std::string body = Pattern(4096);
    ScriptedBody source(body, ImageReadSize, 3);  // third read fails
    CountingAllocator allocator;
    uint8_t* data = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(zenproto::TransferBody(source, allocator, &data, &size), TransferResult::Complete);
    EXPECT_EQ(size, 2048u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), body.substr(0, 2048));
    std::free(data);

    ScriptedBody failsAtOnce(body, ImageReadSize, 1);
    ASSERT_EQ(zenproto::TransferBody(failsAtOnce, allocator, &data, &size), TransferResult::Complete);
    EXPECT_EQ(size, 0u);
    EXPECT_NE(data, nullptr);
    std::free(data);
}

TEST(ImageTransfer, MemoryRunningOutAtAnyStepKeepsNothing)
{
    const std::string body = Pattern(3000);  // 1 allocation + 3 resizes
    for (int failAt = 1; failAt <= 4; ++failAt) {
        SCOPED_TRACE("failing allocation call " + std::to_string(failAt));
        ScriptedBody source(body);
        CountingAllocator allocator(failAt);
        uint8_t* data = reinterpret_cast<uint8_t*>(&allocator);  // must be overwritten
        uint32_t size = 77;
        EXPECT_EQ(zenproto::TransferBody(source, allocator, &data, &size), TransferResult::OutOfMemory);
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(size, 0u);
        // The block is handed back exactly when one was held.
        EXPECT_EQ(allocator.released, failAt == 1 ? 0 : 1);
        // Nothing was read after the failure.
        EXPECT_EQ(source.wants.size(), static_cast<size_t>(failAt - 1));
    }
}

// What the block may not hold ends the transfer as memory running out would,
// at the read that brought it: nothing kept, nothing read after it.
TEST(ImageTransfer, BodiesBeyondTheLimitKeepNothing)
{
    class Liar : public zenproto::BodySource {
    public:
        bool Read(uint8_t*, uint32_t want, uint32_t* got) override
        {
            ++reads;
            *got = want + 1;
            return true;
        }
        size_t reads = 0;
    };
    struct Case {
        const char* name;
        size_t size;     // of a scripted body; 0: a source claiming more than asked
        uint32_t chunk;
        size_t reads;    // read calls made, the one that overflowed included
    };
    const Case cases[] = {
        {"one byte over the limit", zenproto::ImageSizeLimit + 1, ImageReadSize, 1025},
        {"one byte over, trickled", zenproto::ImageSizeLimit + 1, 1000, 1049},
        {"far over the limit", 4 * zenproto::ImageSizeLimit, ImageReadSize, 1025},
        {"more than asked for", 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedBody scripted(Pattern(c.size), c.chunk);
        Liar liar;
        zenproto::BodySource& source = c.size ? static_cast<zenproto::BodySource&>(scripted) : liar;
        CountingAllocator allocator;
        uint8_t* data = reinterpret_cast<uint8_t*>(&allocator);  // must be overwritten
        uint32_t size = 77;
        EXPECT_EQ(zenproto::TransferBody(source, allocator, &data, &size), TransferResult::OutOfMemory);
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(allocator.released, 1);
        EXPECT_EQ(c.size ? scripted.wants.size() : liar.reads, c.reads);
        // The block never grew past the limit and one read ahead.
        for (size_t bytes : allocator.sizes) EXPECT_LE(bytes, size_t{zenproto::ImageSizeLimit} + ImageReadSize);
    }
}

}  // namespace

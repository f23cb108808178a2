// Reading the install-check image whole into one heap block, 1024 bytes per
// read, decided without the platform: the source and the allocator are
// handed in.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zenproto {

inline constexpr uint32_t ImageReadSize = 1024;
// The most an image may hold. An install-check image is a few dozen bytes;
// the portal's answer is not trusted to stay small, and a larger body would
// otherwise be held whole in the browser's process.
inline constexpr uint32_t ImageSizeLimit = 1024 * 1024;

// The body being downloaded.
class BodySource {
public:
    virtual ~BodySource() = default;
    // Reads up to `want` bytes; false when the read call failed. A success
    // with 0 bytes is the end of the body.
    virtual bool Read(uint8_t* into, uint32_t want, uint32_t* got) = 0;
};

// Where image blocks come from. The default is the C heap.
class ImageAllocator {
public:
    virtual ~ImageAllocator() = default;
    virtual void* Allocate(size_t bytes) = 0;
    virtual void* Resize(void* block, size_t bytes) = 0;  // null: failed, block kept
    virtual void Release(void* block) = 0;
};

// The allocator image blocks are taken from and given back to. Tests may put
// another in place (null restores the heap); blocks of one must be
// releasable by the other, so a replacement delegates to the heap.
ImageAllocator& CurrentImageAllocator();
void SetImageAllocator(ImageAllocator* allocator);

enum class TransferResult { Complete, OutOfMemory };

// Reads the body to its end (or to a failed read, which ends it the same
// way), keeping the block ReadSize bytes larger than what has been received.
// On Complete the caller owns *data (never null) with *size valid bytes; on
// OutOfMemory (memory ran out, or the body grew past ImageSizeLimit) nothing
// is kept, *data stays null and nothing more is read.
TransferResult TransferBody(BodySource& source, ImageAllocator& allocator, uint8_t** data, uint32_t* size);

}  // namespace zenproto

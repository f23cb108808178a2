#include "image_transfer.h"

#include <cstdlib>

namespace zenproto {

namespace {

class HeapAllocator : public ImageAllocator {
public:
    void* Allocate(size_t bytes) override { return std::malloc(bytes); }
    void* Resize(void* block, size_t bytes) override { return std::realloc(block, bytes); }
    void Release(void* block) override { std::free(block); }
};

HeapAllocator heap;
ImageAllocator* current = &heap;

}  // namespace

ImageAllocator& CurrentImageAllocator() { return *current; }

void SetImageAllocator(ImageAllocator* allocator) { current = allocator ? allocator : &heap; }

TransferResult TransferBody(BodySource& source, ImageAllocator& allocator, uint8_t** data, uint32_t* size)
{
    *data = nullptr;
    *size = 0;
    uint8_t* block = static_cast<uint8_t*>(allocator.Allocate(ImageReadSize));
    if (!block) return TransferResult::OutOfMemory;

    uint32_t total = 0;
    for (;;) {
        uint32_t got = 0;
        if (!source.Read(block + total, ImageReadSize, &got) || got == 0) break;
        if (got > ImageReadSize || total > ImageSizeLimit - got) {
            allocator.Release(block);
            return TransferResult::OutOfMemory;
        }
        total += got;
        uint8_t* grown = static_cast<uint8_t*>(allocator.Resize(block, size_t{total} + ImageReadSize));
        if (!grown) {
            allocator.Release(block);
            return TransferResult::OutOfMemory;
        }
        block = grown;
    }
    *data = block;
    *size = total;
    return TransferResult::Complete;
}

}  // namespace zenproto

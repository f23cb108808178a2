// Whatever the portal serves must either be refused or be safe to paint.
// Accepted bytes are read the way the platform's painting reads them, so a
// check that lets a bad header through shows up as a read past the input.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "news_image_check.h"
#include "news_placement.h"

namespace {

uint32_t Field32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);  // host is little-endian, as the file is
    return v;
}

volatile uint8_t sink;

void ReadLikeThePainter(const uint8_t* data, size_t size)
{
    const uint32_t headerSize = Field32(data);
    const int32_t width = static_cast<int32_t>(Field32(data + 4));
    uint16_t bits;
    std::memcpy(&bits, data + 14, 2);
    const uint32_t compression = Field32(data + 16);
    const uint32_t used = Field32(data + 32);

    // Header and colour description.
    uint32_t colours = used ? (used > 256 ? 256 : used) : (bits <= 8 ? 1u << bits : 0u);
    size_t described = headerSize;
    if (compression == 3 && described < 52) described = 52;
    described += size_t(colours) * 4;
    for (size_t i = 0; i < described; ++i) sink = data[i];

    // 79 rows, each up to the last pixel's last byte, then padding to 4.
    const uint8_t* rows = data + headerSize;
    size_t row = 0;
    for (int y = 0; y < NewsImageHeight; ++y) {
        const size_t lastBit = size_t(width) * bits;
        size_t bytes = (lastBit + 7) / 8;
        bytes = (bytes + 3) & ~size_t(3);
        for (size_t i = 0; i < bytes; ++i) sink = rows[row + i];
        row += bytes;
    }
    (void)size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (CheckNewsImage(data, size) == NewsImageVerdict::Ok) ReadLikeThePainter(data, size);

    if (size >= 32) {
        NewsRect t, d;
        std::memcpy(&t, data, 16);
        std::memcpy(&d, data + 16, 16);
        const NewsPlacement p = PlaceNewsPopup(t, d);
        if (p.move && (p.width != NewsPopupWidth || p.height != NewsPopupHeight)) __builtin_trap();
    }
    return 0;
}

// Whatever the portal serves is either refused or safe to paint: accepted
// bytes are read the way the platform's painting reads them (description,
// then 79 rows from the header's end), so a bad header that slips through
// shows as a read past the input. Placement must never overflow.
#include <cstdint>
#include <cstring>

#include "news_image_check.h"
#include "news_placement.h"

static volatile uint8_t sink;

static uint32_t Field(const uint8_t* data, size_t offset, size_t bytes)
{
    uint32_t v = 0;
    std::memcpy(&v, data + offset, bytes);  // little-endian host, as the file
    return v;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (CheckNewsImage(data, size) == NewsImageVerdict::Ok) {
        const uint32_t header = Field(data, 0, 4), width = Field(data, 4, 4), bits = Field(data, 14, 2);
        const uint32_t used = Field(data, 32, 4);
        size_t described = header < 52 && Field(data, 16, 4) == 3 ? 52 : header;
        described += 4 * size_t(used ? (used > 256 ? 256 : used) : (bits <= 8 ? 1u << bits : 0u));
        for (size_t i = 0; i < described; ++i) sink = data[i];
        const size_t row = (size_t(width) * bits + 7) / 8;
        for (size_t y = 0; y < NewsImageHeight; ++y)
            for (size_t i = 0; i < row; ++i) sink = data[header + y * ((row + 3) & ~size_t(3)) + i];
    }
    if (size >= 2 * sizeof(NewsRect)) {
        NewsRect t, d;
        std::memcpy(&t, data, sizeof t);
        std::memcpy(&d, data + sizeof t, sizeof d);
        const NewsPlacement p = PlaceNewsPopup(t, d);
        if (p.move && (p.width != NewsPopupWidth || p.height != NewsPopupHeight)) __builtin_trap();
    }
    return 0;
}

// Whatever the portal serves is either refused or safe to paint: accepted
// bytes are read the way the platform may read them (description, then
// every row the header describes, from where the rows start), so a bad
// header that slips through shows as a read past the input. The band the
// painting hands over must lie among those rows, under the same
// description. Placement must never overflow.
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
        const int64_t height = static_cast<int32_t>(Field(data, 8, 4));
        const uint32_t used = Field(data, 32, 4);
        size_t described = header < 52 && Field(data, 16, 4) == 3 ? 52 : header;
        described += 4 * size_t(used ? (used > 256 ? 256 : used) : (bits <= 8 ? 1u << bits : 0u));
        for (size_t i = 0; i < described; ++i) sink = data[i];
        const size_t stride = (size_t(width) * bits + 31) / 32 * 4;
        const size_t rows = size_t(height < 0 ? -height : height);
        for (size_t y = 0; y < rows; ++y)
            for (size_t i = 0; i < stride; ++i) sink = data[described + y * stride + i];
        const NewsImageBand band = NewsImagePaintedBand(data);
        if (band.descriptionBytes != described || band.rowsBytes != stride * NewsImageHeight) __builtin_trap();
        if (band.rowsOffset < described || band.rowsOffset + band.rowsBytes > described + rows * stride) __builtin_trap();
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

#include "news_image_check.h"

#include <cstring>

namespace {

constexpr uint32_t InfoHeaderSize = 40;   // BITMAPINFOHEADER
constexpr uint32_t V4HeaderSize = 108;    // BITMAPV4HEADER
constexpr uint32_t V5HeaderSize = 124;    // BITMAPV5HEADER
constexpr uint32_t RgbCompression = 0;    // BI_RGB
constexpr uint32_t MaskCompression = 3;   // BI_BITFIELDS
constexpr uint32_t MaxColours = 256;
// Colour spaces of a V5 header that point at profile data elsewhere in the
// file, which the platform may read: 'LINK' and 'MBED'.
constexpr uint32_t LinkedProfile = 0x4C494E4B;
constexpr uint32_t EmbeddedProfile = 0x4D424544;

uint32_t U32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t U16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

int32_t I32(const unsigned char* p) { return static_cast<int32_t>(U32(p)); }

void PutU32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

bool KnownBitCount(uint16_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

uint64_t NewsImageRowBytes(int32_t width, uint16_t bitCount)
{
    if (width <= 0 || !KnownBitCount(bitCount)) return 0;
    return (uint64_t(width) * bitCount + 31) / 32 * 4;
}

namespace {

// Where the parts of a packed bitmap lie, read from its header alone: the
// check and the painting both take them from here.
struct Layout {
    uint64_t pixelOffset;  // header, masks of a short header, colour table
    uint64_t rowBytes;
    uint64_t rows;         // the height's magnitude
    bool topDown;          // negative height: the first row in memory is the top one
};

Layout LayoutOf(const unsigned char* bytes)
{
    const uint32_t headerSize = U32(bytes);
    const int64_t height = I32(bytes + 8);
    const uint16_t bitCount = U16(bytes + 14);
    const uint32_t compression = U32(bytes + 16);
    const uint32_t coloursUsed = U32(bytes + 32);

    // What the platform takes as the bitmap's description: the header, the
    // three colour masks of a short header, then the colour table.
    uint64_t colours = coloursUsed;
    if (colours == 0 && bitCount <= 8) colours = uint64_t(1) << bitCount;
    uint64_t described = headerSize;
    if (compression == MaskCompression && described < InfoHeaderSize + 12) described = InfoHeaderSize + 12;

    Layout layout;
    layout.pixelOffset = described + colours * 4;
    layout.rowBytes = NewsImageRowBytes(I32(bytes + 4), bitCount);
    layout.rows = uint64_t(height < 0 ? -height : height);  // 64 bits: -2^31 has a magnitude
    layout.topDown = height < 0;
    return layout;
}

}  // namespace

NewsImageVerdict CheckNewsImage(const unsigned char* bytes, size_t size)
{
    if (!bytes || size < InfoHeaderSize) return NewsImageVerdict::TooShort;

    const uint32_t headerSize = U32(bytes);
    if (headerSize != InfoHeaderSize && headerSize != V4HeaderSize && headerSize != V5HeaderSize)
        return NewsImageVerdict::HeaderSize;
    if (headerSize > size) return NewsImageVerdict::HeaderSize;

    const int32_t width = I32(bytes + 4);
    const int64_t height = I32(bytes + 8);
    const uint16_t planes = U16(bytes + 12);
    const uint16_t bitCount = U16(bytes + 14);
    const uint32_t compression = U32(bytes + 16);
    const uint32_t coloursUsed = U32(bytes + 32);

    if (planes != 1 || !KnownBitCount(bitCount)) return NewsImageVerdict::Format;
    const bool masks = compression == MaskCompression;
    if (compression != RgbCompression && !(masks && (bitCount == 16 || bitCount == 32)))
        return NewsImageVerdict::Format;
    if (coloursUsed > MaxColours) return NewsImageVerdict::Format;
    if (headerSize == V5HeaderSize) {
        const uint32_t space = U32(bytes + 56);
        if (space == LinkedProfile || space == EmbeddedProfile) return NewsImageVerdict::Format;
    }
    const int64_t rows = height < 0 ? -height : height;
    if (width < NewsImageMinWidth || width > NewsImageMaxWidth) return NewsImageVerdict::Dimensions;
    if (rows < NewsImageMinRows || rows > NewsImageMaxRows) return NewsImageVerdict::Dimensions;

    // Every row the header describes, counted from where the rows really
    // start: a bottom-up picture keeps its top rows, the ones painted, at
    // the end of its pixel data.
    const Layout layout = LayoutOf(bytes);
    if (layout.pixelOffset > size) return NewsImageVerdict::OutsideData;
    if (layout.rowBytes * layout.rows > size - layout.pixelOffset) return NewsImageVerdict::OutsideData;
    return NewsImageVerdict::Ok;
}

NewsImageBand NewsImagePaintedBand(const unsigned char* checked)
{
    const Layout layout = LayoutOf(checked);
    NewsImageBand band;
    band.descriptionBytes = size_t(layout.pixelOffset);
    std::memcpy(band.description, checked, band.descriptionBytes);
    const int32_t rows = layout.topDown ? -NewsImageHeight : NewsImageHeight;
    PutU32(band.description + 8, uint32_t(rows));
    band.rowsBytes = size_t(layout.rowBytes) * NewsImageHeight;
    PutU32(band.description + 20, uint32_t(band.rowsBytes));  // the image size the header gives
    // The top rows: first in memory when top-down, last when bottom-up.
    const uint64_t skipped = layout.topDown ? 0 : (layout.rows - NewsImageHeight) * layout.rowBytes;
    band.rowsOffset = size_t(layout.pixelOffset + skipped);
    return band;
}

// Whether the bytes received as the news image can be painted safely, and
// which of them the painting hands to the platform. The bytes are a packed
// bitmap: header, the colour masks of a short header, the colour table, then
// the pixel rows. The platform may read every row its header describes, so
// every one of them must lie inside the bytes received. Anything the portal
// serves arrives here, an error page included. Free of windows.h so that it
// is tested and fuzzed on the host.
#pragma once

#include <cstddef>
#include <cstdint>

#include "news_placement.h"

inline constexpr size_t NewsImageCapacity = 70000;  // bytes per fetch, at most

// The sides a picture may have. It must cover the popup's 268 x 79 picture
// area (the painting shows its top-left 268 x 79 and nothing is left blank);
// 4096 either way is far above anything the portal serves and far below
// any size whose row arithmetic could overflow.
inline constexpr int32_t NewsImageMinWidth = NewsImageWidth;
inline constexpr int32_t NewsImageMinRows = NewsImageHeight;
inline constexpr int32_t NewsImageMaxWidth = 4096;
inline constexpr int32_t NewsImageMaxRows = 4096;

enum class NewsImageVerdict {
    Ok,
    TooShort,      // fewer bytes than a header
    HeaderSize,    // first field is no known header size, or lies past the bytes
    Format,        // planes, bit count, compression or colour count unusable
    Dimensions,    // width or row count (either sign of height) outside the bounds above
    OutsideData,   // masks, colour table or any pixel row would reach past the bytes
};

NewsImageVerdict CheckNewsImage(const unsigned char* bytes, size_t size);

// Bytes of one pixel row as the platform lays it out (padded to 4 bytes);
// 0 when the bit count is not one the check accepts.
uint64_t NewsImageRowBytes(int32_t width, uint16_t bitCount);

// Header (at most a V5 one), then at most 256 colours of 4 bytes.
inline constexpr size_t NewsImageMaxDescription = 124 + 256 * 4;

// What the popup paints of a picture: its top 79 rows, described to the
// platform as a picture of their own. The description is the picture's own
// (header, masks, colour table) with the height cut to 79 rows, its sign
// kept, so that the platform is told of no row it is not handed and the top
// rows show whichever way the rows run.
struct NewsImageBand {
    alignas(4) unsigned char description[NewsImageMaxDescription];
    size_t descriptionBytes = 0;
    size_t rowsOffset = 0;  // where the band's rows start in the picture's bytes
    size_t rowsBytes = 0;   // 79 rows of the picture's row length
};

// Only for bytes that CheckNewsImage passed: the band then lies inside them.
NewsImageBand NewsImagePaintedBand(const unsigned char* checked);

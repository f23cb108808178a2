// Whether the bytes received as the news image can be painted safely: the
// painting hands them to the platform as a packed bitmap (header, then pixel
// rows at the header's size) and reads 79 rows of the image's row length.
// Anything the portal serves arrives here, an error page included. Free of
// windows.h so that it is tested and fuzzed on the host.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr size_t NewsImageCapacity = 70000;  // bytes per fetch, at most

enum class NewsImageVerdict {
    Ok,
    TooShort,      // fewer bytes than a header
    HeaderSize,    // first field is no known header size, or lies past the bytes
    Format,        // planes, bit count, compression or colour count unusable
    Dimensions,    // width not positive, height zero
    OutsideData,   // colour table or pixel rows would reach past the bytes
};

NewsImageVerdict CheckNewsImage(const unsigned char* bytes, size_t size);

// Bytes of one pixel row as the platform lays it out (padded to 4 bytes);
// 0 when the bit count is not one the check accepts.
uint64_t NewsImageRowBytes(int32_t width, uint16_t bitCount);

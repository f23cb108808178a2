// Packed bitmaps for the news tests, built field by field so that each test
// can bend one field. Portable: used on the host and under Wine.
#pragma once

#include <cstdint>
#include <string>

namespace newstest {

struct DibSpec {
    uint32_t headerSize = 40;
    int32_t width = 268;
    int32_t height = 79;        // positive: bottom-up rows
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    uint32_t colourSpace = 0;   // V5 header only
    uint32_t tableEntries = 0;  // colour table bytes / 4 written after the header
    int32_t rows = -1;          // pixel rows written; -1: |height|
    size_t extraBytes = 0;      // bytes appended after the rows
};

// Colour of image pixel (x, y), y counted from the top as displayed.
struct Rgb {
    uint8_t r, g, b;
};
Rgb PatternColour(int x, int y);

// Header, colour table and rows. Rows of a 24-bit image carry PatternColour;
// other bit counts carry a simple byte pattern.
std::string BuildDib(const DibSpec& spec);

// Row length in bytes, padded to 4, computed the slow way (bit by bit).
size_t RowBytes(int32_t width, uint16_t bitCount);

}  // namespace newstest

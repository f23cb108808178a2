// Packed bitmaps for the news tests, header field by field, so that a test
// can bend one field. Portable: host and Windows tests share it.
#pragma once

#include <cstdint>
#include <string>

namespace newstest {

struct DibShape {
    uint32_t headerSize = 40;
    int32_t width = 268;
    int32_t height = 79;        // positive: bottom-up rows
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    size_t tableBytes = 0;      // masks and colour table between header and rows (all 0xFF)
    size_t size = 0;            // 0: header and every row; else cut or padded to this
};

// Pixel (x, y) of the 24-bit test picture, y counted from the top; packed 0xRRGGBB.
inline uint32_t PatternColour(int x, int y)
{
    const auto ux = uint32_t(x), uy = uint32_t(y);  // any row of any header, without overflow
    return (ux & 0xFF) << 16 | ((uy * 3) & 0xFF) << 8 | ((ux + 2 * uy) & 0xFF);
}

inline void Put(std::string& out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline std::string BuildDib(const DibShape& s)
{
    std::string out;
    for (uint32_t v : {s.headerSize, uint32_t(s.width), uint32_t(s.height)}) Put(out, v, 4);
    Put(out, 1, 2);
    Put(out, s.bitCount, 2);
    for (uint32_t v : {s.compression, 0u, 2835u, 2835u, s.coloursUsed, 0u}) Put(out, v, 4);
    if (s.headerSize > 40 && s.headerSize < 4096) out.resize(s.headerSize, '\0');
    out.append(s.tableBytes, '\xFF');
    const size_t limit = s.size ? s.size : ~size_t(0) / 2;
    const int64_t rows = s.height < 0 ? -int64_t(s.height) : s.height;
    const uint64_t stride = (uint64_t(s.width > 0 ? s.width : 0) * s.bitCount + 31) / 32 * 4;
    for (int64_t row = 0; row < rows && out.size() < limit; ++row) {
        const int y = int(s.height > 0 ? rows - 1 - row : row);
        for (uint64_t i = 0; i < stride && out.size() < limit; ++i) {
            const uint32_t c = PatternColour(int(i / 3), y);
            out.push_back(s.bitCount == 24 ? static_cast<char>(c >> (8 * (i % 3))) : static_cast<char>(i + row));
        }
    }
    if (s.size) out.resize(s.size, 'Z');
    return out;
}

}  // namespace newstest

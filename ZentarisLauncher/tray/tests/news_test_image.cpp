#include "news_test_image.h"

namespace newstest {

namespace {

void Put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void Put16(std::string& out, uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

}  // namespace

Rgb PatternColour(int x, int y)
{
    // Distinct enough that a shifted or flipped picture never matches.
    return Rgb{static_cast<uint8_t>(x & 0xFF), static_cast<uint8_t>((y * 3) & 0xFF),
               static_cast<uint8_t>((x + 2 * y) & 0xFF)};
}

size_t RowBytes(int32_t width, uint16_t bitCount)
{
    size_t bits = 0;
    for (int32_t x = 0; x < width; ++x) bits += bitCount;
    size_t bytes = (bits + 7) / 8;
    while (bytes % 4) ++bytes;
    return bytes;
}

std::string BuildDib(const DibSpec& s)
{
    std::string out;
    Put32(out, s.headerSize);
    Put32(out, static_cast<uint32_t>(s.width));
    Put32(out, static_cast<uint32_t>(s.height));
    Put16(out, s.planes);
    Put16(out, s.bitCount);
    Put32(out, s.compression);
    Put32(out, 0);  // image size: may be 0 for uncompressed rows
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, s.coloursUsed);
    Put32(out, 0);
    while (out.size() < s.headerSize && out.size() < 4096) {
        // V4/V5 tail: masks, then the colour space at offset 56.
        if (out.size() == 56) {
            Put32(out, s.colourSpace);
            continue;
        }
        out.push_back('\0');
    }
    for (uint32_t i = 0; i < s.tableEntries; ++i) Put32(out, 0x00010203u * (i & 0x3F));

    const int32_t height = s.height < 0 ? -s.height : s.height;
    const int32_t rows = s.rows < 0 ? height : s.rows;
    const size_t stride = rows > 0 ? RowBytes(s.width, s.bitCount) : 0;
    for (int32_t row = 0; row < rows; ++row) {
        std::string line(stride, '\0');
        const int y = s.height > 0 ? height - 1 - row : row;  // displayed row
        for (size_t i = 0; i < stride; ++i) line[i] = static_cast<char>((i + row) & 0xFF);
        if (s.bitCount == 24) {
            for (int32_t x = 0; x < s.width; ++x) {
                const Rgb c = PatternColour(x, y);
                line[3 * x] = static_cast<char>(c.b);
                line[3 * x + 1] = static_cast<char>(c.g);
                line[3 * x + 2] = static_cast<char>(c.r);
            }
        }
        out += line;
    }
    out.append(s.extraBytes, 'Z');
    return out;
}

}  // namespace newstest

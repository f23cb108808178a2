#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "news_image_check.h"
#include "news_test_image.h"

namespace {

using newstest::BuildDib;
using newstest::DibShape;

NewsImageVerdict Check(const std::string& bytes)
{
    return CheckNewsImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::string Dib(void (*change)(DibShape&))
{
    DibShape s;
    change(s);
    return BuildDib(s);
}

std::string WithField(std::string bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

// Bytes of a 24-bit picture of 79 rows, header and rows alone.
constexpr size_t Picture79 = 40 + 79 * 804;

TEST(NewsImageCheck, OnlyBytesThePaintingCanReadWholePass)
{
    const std::string full = BuildDib({});
    const struct {
        const char* what;
        std::string bytes;
        NewsImageVerdict verdict;
    } cases[] = {
        {"24-bit 268x79 as served", full, NewsImageVerdict::Ok},
        {"top-down rows, exact fit", Dib([](DibShape& s) { s.height = -79; }), NewsImageVerdict::Ok},
        {"8-bit with its colour table", Dib([](DibShape& s) { s.bitCount = 8; s.tableBytes = 1024; }),
         NewsImageVerdict::Ok},
        {"24-bit with a colour table before the rows", Dib([](DibShape& s) { s.coloursUsed = 2; s.tableBytes = 8; }),
         NewsImageVerdict::Ok},
        {"16-bit with the masks of a short header", Dib([](DibShape& s) { s.bitCount = 16; s.compression = 3; s.tableBytes = 12; }),
         NewsImageVerdict::Ok},
        {"V5 header, sRGB", Dib([](DibShape& s) { s.headerSize = 124; }), NewsImageVerdict::Ok},
        {"taller than the popup, every row present", Dib([](DibShape& s) { s.height = 87; }), NewsImageVerdict::Ok},
        {"wider than the popup, every row present", Dib([](DibShape& s) { s.width = 290; }), NewsImageVerdict::Ok},
        {"4096 wide, at the bound", Dib([](DibShape& s) { s.width = 4096; s.bitCount = 1; s.tableBytes = 8; }),
         NewsImageVerdict::Ok},
        {"nothing", "", NewsImageVerdict::TooShort},
        {"error page", "<html><body>404 Not Found</body></html>", NewsImageVerdict::TooShort},
        {"long error page", "<html>" + std::string(200, 'x'), NewsImageVerdict::HeaderSize},
        {"core header", Dib([](DibShape& s) { s.headerSize = 12; }), NewsImageVerdict::HeaderSize},
        {"header size past the bytes", Dib([](DibShape& s) { s.headerSize = 0xFFFFFFF0; }), NewsImageVerdict::HeaderSize},
        {"last byte missing", full.substr(0, full.size() - 1), NewsImageVerdict::OutsideData},
        {"32-bit 268x79 cut at the buffer", Dib([](DibShape& s) { s.bitCount = 32; s.size = NewsImageCapacity; }),
         NewsImageVerdict::OutsideData},
        // A bottom-up picture keeps its top rows at the end of its pixel
        // data: a header taller than the rows sent puts them past the bytes.
        {"268x80 holding 79 rows", Dib([](DibShape& s) { s.height = 80; s.size = Picture79; }),
         NewsImageVerdict::OutsideData},
        {"top-down 268x80 holding 79 rows", Dib([](DibShape& s) { s.height = -80; s.size = Picture79; }),
         NewsImageVerdict::OutsideData},
        {"268x4096 holding 79 rows", Dib([](DibShape& s) { s.height = 4096; s.size = Picture79; }),
         NewsImageVerdict::OutsideData},
        {"268x100000 holding 79 rows", Dib([](DibShape& s) { s.height = 100000; s.size = Picture79; }),
         NewsImageVerdict::Dimensions},
        {"height -2^31", Dib([](DibShape& s) { s.height = INT32_MIN; s.size = NewsImageCapacity; }),
         NewsImageVerdict::Dimensions},
        {"height 2^31-1", Dib([](DibShape& s) { s.height = INT32_MAX; s.size = NewsImageCapacity; }),
         NewsImageVerdict::Dimensions},
        {"huge width", Dib([](DibShape& s) { s.width = 0x7FFFFFFF; s.size = NewsImageCapacity; }),
         NewsImageVerdict::Dimensions},
        {"4097 wide", Dib([](DibShape& s) { s.width = 4097; s.bitCount = 1; s.tableBytes = 8; }),
         NewsImageVerdict::Dimensions},
        {"negative width", Dib([](DibShape& s) { s.width = -268; s.size = Picture79; }), NewsImageVerdict::Dimensions},
        // The popup's picture area is 268 x 79 and is never left part blank.
        {"short picture", Dib([](DibShape& s) { s.height = 78; }), NewsImageVerdict::Dimensions},
        {"short top-down picture", Dib([](DibShape& s) { s.height = -78; }), NewsImageVerdict::Dimensions},
        {"narrow picture", Dib([](DibShape& s) { s.width = 267; }), NewsImageVerdict::Dimensions},
        // What lies between header and rows moves the rows back.
        {"colour table pushing the rows past the end", Dib([](DibShape& s) { s.coloursUsed = 2; }),
         NewsImageVerdict::OutsideData},
        {"8-bit table pushing the rows past the end", Dib([](DibShape& s) { s.bitCount = 8; }),
         NewsImageVerdict::OutsideData},
        {"masks pushing the rows past the end", Dib([](DibShape& s) { s.bitCount = 16; s.compression = 3; }),
         NewsImageVerdict::OutsideData},
        {"colour table past the bytes", Dib([](DibShape& s) { s.bitCount = 1; s.coloursUsed = 256; s.size = 500; }),
         NewsImageVerdict::OutsideData},
        {"masks past the bytes", Dib([](DibShape& s) { s.bitCount = 16; s.compression = 3; s.size = 48; }),
         NewsImageVerdict::OutsideData},
        {"more colours than a table holds", Dib([](DibShape& s) { s.coloursUsed = 257; }), NewsImageVerdict::Format},
        {"bit count 0", Dib([](DibShape& s) { s.bitCount = 0; s.size = 64000; }), NewsImageVerdict::Format},
        {"run-length rows", Dib([](DibShape& s) { s.bitCount = 8; s.compression = 1; }), NewsImageVerdict::Format},
        {"masks on 24-bit rows", Dib([](DibShape& s) { s.compression = 3; }), NewsImageVerdict::Format},
        {"embedded colour profile", WithField(Dib([](DibShape& s) { s.headerSize = 124; }), 56, 0x4D424544),
         NewsImageVerdict::Format},
        {"zero width", Dib([](DibShape& s) { s.width = 0; s.size = 64000; }), NewsImageVerdict::Dimensions},
        {"zero height", Dib([](DibShape& s) { s.height = 0; s.size = 64000; }), NewsImageVerdict::Dimensions},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Check(c.bytes), c.verdict);
        if (c.verdict != NewsImageVerdict::Ok) continue;
        const NewsImageBand band = NewsImagePaintedBand(reinterpret_cast<const unsigned char*>(c.bytes.data()));
        EXPECT_LE(band.rowsOffset + band.rowsBytes, c.bytes.size()) << "painted rows past the bytes";
    }
    // Every cut of a good file is refused; exact-size copies let the
    // sanitizer see any read past the end.
    for (size_t n = 0; n < full.size(); n += n < 200 ? 1 : 331) EXPECT_NE(Check(full.substr(0, n)), NewsImageVerdict::Ok) << n;
}

uint32_t FieldAt(const unsigned char* bytes, size_t offset)
{
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16 |
           uint32_t(bytes[offset + 3]) << 24;
}

// The painting is handed the band alone, under the band's description: the
// platform takes a positive height as rows stored bottom-up. Whichever way a
// picture runs and whatever lies before its rows, the band shows its top
// 79 rows, left 268 pixels as drawn.
TEST(NewsImageCheck, PaintedBandIsThePicturesTopRows)
{
    const struct {
        const char* what;
        DibShape shape;
        size_t descriptionBytes, rowsOffset;  // in the picture's bytes
    } cases[] = {
        {"as served", {}, 40, 40},
        {"top-down", [] { DibShape s; s.height = -79; return s; }(), 40, 40},
        {"bottom-up, 8 rows more", [] { DibShape s; s.height = 87; return s; }(), 40, 40 + 8 * 804},
        {"top-down, 8 rows more", [] { DibShape s; s.height = -87; return s; }(), 40, 40},
        {"colour table before the rows", [] { DibShape s; s.coloursUsed = 2; s.tableBytes = 8; return s; }(), 48, 48},
        {"V5 header", [] { DibShape s; s.headerSize = 124; return s; }(), 124, 124},
        {"wider", [] { DibShape s; s.width = 290; return s; }(), 40, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string bytes = BuildDib(c.shape);
        ASSERT_EQ(Check(bytes), NewsImageVerdict::Ok);
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        const NewsImageBand band = NewsImagePaintedBand(data);
        EXPECT_EQ(band.rowsOffset, c.rowsOffset);
        ASSERT_EQ(band.descriptionBytes, c.descriptionBytes);
        const size_t stride = size_t(NewsImageRowBytes(c.shape.width, 24));
        EXPECT_EQ(band.rowsBytes, 79 * stride);
        ASSERT_LE(band.rowsOffset + band.rowsBytes, bytes.size());
        const auto height = int32_t(FieldAt(band.description, 8));
        EXPECT_EQ(height, c.shape.height < 0 ? -79 : 79);
        EXPECT_EQ(FieldAt(band.description, 20), band.rowsBytes) << "image size";
        // The rest of the description as the picture has it, the image size
        // aside.
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(band.description), 8), bytes.substr(0, 8));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(band.description) + 12, 8), bytes.substr(12, 8));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(band.description) + 24, band.descriptionBytes - 24),
                  bytes.substr(24, band.descriptionBytes - 24));
        int wrong = 0;
        for (int y = 0; y < 79; ++y) {
            const size_t row = height < 0 ? size_t(y) : size_t(78 - y);
            for (int x = 0; x < 268; ++x) {
                const unsigned char* p = data + band.rowsOffset + row * stride + 3 * size_t(x);
                if ((uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]) != newstest::PatternColour(x, y)) ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

}  // namespace

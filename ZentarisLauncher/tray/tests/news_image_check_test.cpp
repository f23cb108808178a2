#include <gtest/gtest.h>

#include <string>

#include "news_image_check.h"
#include "news_test_image.h"

namespace {

using newstest::BuildDib;
using newstest::DibSpec;

NewsImageVerdict Check(const std::string& bytes)
{
    return CheckNewsImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::string Dib(void (*change)(DibSpec&))
{
    DibSpec s;
    change(s);
    return BuildDib(s);
}

std::string WithField(std::string bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

TEST(NewsImageCheck, OnlyBytesThePaintingCanReadWholePass)
{
    const std::string full = BuildDib({});
    const struct {
        const char* what;
        std::string bytes;
        NewsImageVerdict verdict;
    } cases[] = {
        {"24-bit 268x79 as served", full, NewsImageVerdict::Ok},
        {"top-down rows", Dib([](DibSpec& s) { s.height = -79; }), NewsImageVerdict::Ok},
        {"8-bit, table read from the row bytes", Dib([](DibSpec& s) { s.bitCount = 8; }), NewsImageVerdict::Ok},
        {"V5 header, sRGB", Dib([](DibSpec& s) { s.headerSize = 124; }), NewsImageVerdict::Ok},
        {"nothing", "", NewsImageVerdict::TooShort},
        {"error page", "<html><body>404 Not Found</body></html>", NewsImageVerdict::TooShort},
        {"long error page", "<html>" + std::string(200, 'x'), NewsImageVerdict::HeaderSize},
        {"core header", Dib([](DibSpec& s) { s.headerSize = 12; }), NewsImageVerdict::HeaderSize},
        {"header size past the bytes", Dib([](DibSpec& s) { s.headerSize = 0xFFFFFFF0; }), NewsImageVerdict::HeaderSize},
        {"last byte missing", full.substr(0, full.size() - 1), NewsImageVerdict::OutsideData},
        // Painting always asks for 79 rows.
        {"short picture", Dib([](DibSpec& s) { s.height = 10; }), NewsImageVerdict::OutsideData},
        {"32-bit 268x79 cut at the buffer", Dib([](DibSpec& s) { s.bitCount = 32; s.size = NewsImageCapacity; }),
         NewsImageVerdict::OutsideData},
        {"huge width", Dib([](DibSpec& s) { s.width = 0x7FFFFFFF; s.size = 70000; }), NewsImageVerdict::OutsideData},
        {"colour table past the bytes", Dib([](DibSpec& s) { s.bitCount = 1; s.width = 8; s.coloursUsed = 256; }),
         NewsImageVerdict::OutsideData},
        {"masks past the bytes", Dib([](DibSpec& s) { s.bitCount = 16; s.compression = 3; s.size = 48; }),
         NewsImageVerdict::OutsideData},
        {"more colours than a table holds", Dib([](DibSpec& s) { s.coloursUsed = 257; }), NewsImageVerdict::Format},
        {"bit count 0", Dib([](DibSpec& s) { s.bitCount = 0; s.size = 64000; }), NewsImageVerdict::Format},
        {"run-length rows", Dib([](DibSpec& s) { s.bitCount = 8; s.compression = 1; }), NewsImageVerdict::Format},
        {"masks on 24-bit rows", Dib([](DibSpec& s) { s.compression = 3; }), NewsImageVerdict::Format},
        {"embedded colour profile", WithField(Dib([](DibSpec& s) { s.headerSize = 124; }), 56, 0x4D424544),
         NewsImageVerdict::Format},
        {"zero width", Dib([](DibSpec& s) { s.width = 0; s.size = 64000; }), NewsImageVerdict::Dimensions},
        {"zero height", Dib([](DibSpec& s) { s.height = 0; s.size = 64000; }), NewsImageVerdict::Dimensions},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Check(c.bytes), c.verdict);
    }
    // Every cut of a good file is refused; exact-size copies let the
    // sanitizer see any read past the end.
    for (size_t n = 0; n < full.size(); n += n < 200 ? 1 : 331) EXPECT_NE(Check(full.substr(0, n)), NewsImageVerdict::Ok) << n;
}

}  // namespace

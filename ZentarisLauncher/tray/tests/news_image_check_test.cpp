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

DibSpec With(void (*change)(DibSpec&))
{
    DibSpec s;
    change(s);
    return s;
}

struct VerdictCase {
    const char* what;
    std::string bytes;
    NewsImageVerdict verdict;
};

TEST(NewsImageCheck, PaintableBitmapsPass)
{
    const VerdictCase cases[] = {
        {"24-bit 268x79, as served", BuildDib({}), NewsImageVerdict::Ok},
        {"top-down rows", BuildDib(With([](DibSpec& s) { s.height = -79; })), NewsImageVerdict::Ok},
        {"8-bit with its full colour table",
         BuildDib(With([](DibSpec& s) { s.bitCount = 8; s.tableEntries = 256; })), NewsImageVerdict::Ok},
        {"32-bit masks, narrower picture",
         BuildDib(With([](DibSpec& s) { s.bitCount = 32; s.compression = 3; s.width = 100; s.tableEntries = 3; })),
         NewsImageVerdict::Ok},
        {"V4 header", BuildDib(With([](DibSpec& s) { s.headerSize = 108; })), NewsImageVerdict::Ok},
        {"V5 header, sRGB", BuildDib(With([](DibSpec& s) { s.headerSize = 124; s.colourSpace = 0x73524742; })),
         NewsImageVerdict::Ok},
        {"taller than painted", BuildDib(With([](DibSpec& s) { s.height = 85; })), NewsImageVerdict::Ok},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_LE(c.bytes.size(), NewsImageCapacity);
        EXPECT_EQ(Check(c.bytes), c.verdict);
    }
}

TEST(NewsImageCheck, BytesThatWouldSendThePaintingAstrayAreRefused)
{
    const VerdictCase cases[] = {
        {"nothing", "", NewsImageVerdict::TooShort},
        {"error page", "<html><body>404 Not Found</body></html>", NewsImageVerdict::TooShort},
        {"long error page", "<html>" + std::string(200, 'x') + "</html>", NewsImageVerdict::HeaderSize},
        {"core header", BuildDib(With([](DibSpec& s) { s.headerSize = 12; })), NewsImageVerdict::HeaderSize},
        {"header size past the bytes", BuildDib(With([](DibSpec& s) { s.headerSize = 0xFFFFFFF0; })),
         NewsImageVerdict::HeaderSize},
        {"odd header size", BuildDib(With([](DibSpec& s) { s.headerSize = 64; })), NewsImageVerdict::HeaderSize},
        {"last row cut short", BuildDib({}).substr(0, BuildDib({}).size() - 1), NewsImageVerdict::OutsideData},
        {"half the rows", BuildDib(With([](DibSpec& s) { s.rows = 40; })), NewsImageVerdict::OutsideData},
        // Painting always asks for 79 rows.
        {"short picture", BuildDib(With([](DibSpec& s) { s.height = 10; })), NewsImageVerdict::OutsideData},
        {"32-bit 268x79 cut at the buffer",
         BuildDib(With([](DibSpec& s) { s.bitCount = 32; })).substr(0, NewsImageCapacity),
         NewsImageVerdict::OutsideData},
        {"width beyond the rows", BuildDib(With([](DibSpec& s) { s.width = 0x7FFFFFFF; s.rows = 0; })),
         NewsImageVerdict::OutsideData},
        {"colour table past the bytes",
         BuildDib(With([](DibSpec& s) { s.bitCount = 1; s.width = 8; s.coloursUsed = 256; })),
         NewsImageVerdict::OutsideData},
        {"default 8-bit table missing",
         BuildDib(With([](DibSpec& s) { s.bitCount = 8; s.width = 4; })), NewsImageVerdict::OutsideData},
        {"short header's masks past the bytes",
         BuildDib(With([](DibSpec& s) { s.bitCount = 16; s.compression = 3; s.width = 2; s.rows = 0; s.extraBytes = 8; })),
         NewsImageVerdict::OutsideData},
        {"more colours than a table holds",
         BuildDib(With([](DibSpec& s) { s.coloursUsed = 257; s.tableEntries = 257; })), NewsImageVerdict::Format},
        {"bit count 0 (compressed formats)", BuildDib(With([](DibSpec& s) { s.bitCount = 0; })),
         NewsImageVerdict::Format},
        {"bit count 7", BuildDib(With([](DibSpec& s) { s.bitCount = 7; })), NewsImageVerdict::Format},
        {"run-length rows", BuildDib(With([](DibSpec& s) { s.bitCount = 8; s.compression = 1; s.tableEntries = 256; })),
         NewsImageVerdict::Format},
        {"masks on 24-bit rows", BuildDib(With([](DibSpec& s) { s.compression = 3; })), NewsImageVerdict::Format},
        {"JPEG rows", BuildDib(With([](DibSpec& s) { s.compression = 4; })), NewsImageVerdict::Format},
        {"two planes", BuildDib(With([](DibSpec& s) { s.planes = 2; })), NewsImageVerdict::Format},
        {"embedded colour profile",
         BuildDib(With([](DibSpec& s) { s.headerSize = 124; s.colourSpace = 0x4D424544; })), NewsImageVerdict::Format},
        {"linked colour profile",
         BuildDib(With([](DibSpec& s) { s.headerSize = 124; s.colourSpace = 0x4C494E4B; })), NewsImageVerdict::Format},
        {"zero width", BuildDib(With([](DibSpec& s) { s.width = 0; s.extraBytes = 70000 - 40; })),
         NewsImageVerdict::Dimensions},
        {"negative width", BuildDib(With([](DibSpec& s) { s.width = -268; s.extraBytes = 63516; })),
         NewsImageVerdict::Dimensions},
        {"zero height", BuildDib(With([](DibSpec& s) { s.height = 0; s.extraBytes = 63516; })),
         NewsImageVerdict::Dimensions},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Check(c.bytes), c.verdict);
    }
    EXPECT_EQ(CheckNewsImage(nullptr, 100), NewsImageVerdict::TooShort);
}

TEST(NewsImageCheck, EveryCutOfAValidImageIsRefused)
{
    for (const DibSpec& spec : {DibSpec{}, With([](DibSpec& s) { s.headerSize = 108; s.height = -79; })}) {
        const std::string whole = BuildDib(spec);
        ASSERT_EQ(Check(whole), NewsImageVerdict::Ok);
        size_t accepted = 0;
        for (size_t n = 0; n < whole.size(); n += (n < 300 || n + 300 > whole.size()) ? 1 : 97) {
            // Exact-size copies, so a read past the end would trip the sanitizer.
            std::string cut = whole.substr(0, n);
            if (Check(cut) == NewsImageVerdict::Ok) ++accepted;
        }
        EXPECT_EQ(accepted, 0u);
    }
}

TEST(NewsImageCheck, RowLengthIsPaddedToFourBytes)
{
    const struct {
        int32_t width;
        uint16_t bits;
    } cases[] = {{268, 24}, {268, 32}, {1, 1}, {33, 1}, {3, 4}, {5, 8}, {3, 16}, {1, 24}, {0x7FFFFFFF, 32}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.bits);
        if (c.width < 100000) {
            EXPECT_EQ(NewsImageRowBytes(c.width, c.bits), newstest::RowBytes(c.width, c.bits));
        } else {
            EXPECT_EQ(NewsImageRowBytes(c.width, c.bits), uint64_t(c.width) * 4);
        }
    }
    EXPECT_EQ(NewsImageRowBytes(0, 24), 0u);
    EXPECT_EQ(NewsImageRowBytes(10, 12), 0u);
}

}  // namespace

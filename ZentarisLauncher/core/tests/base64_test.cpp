#include "base64.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

// The decoded bytes, or nullopt when the decoder refused the input.
std::optional<std::string> Decode(const std::string& text, size_t length)
{
    size_t decodedLength = 12345;
    char* out = Base64Decode(text.data(), length, &decodedLength);
    if (!out) return std::nullopt;
    std::string bytes(out, decodedLength);
    EXPECT_EQ(out[decodedLength], '\0') << "decoded bytes must be followed by a NUL";
    std::free(out);
    return bytes;
}

std::optional<std::string> Decode(const std::string& text) { return Decode(text, text.size()); }

TEST(Base64Decode, DecodesStandardAlphabetWithAndWithoutPad)
{
    const struct {
        const char* in;
        std::string out;
    } cases[] = {
        {"", ""},
        {"aGVsbG8=", "hello"},
        {"aGVsbG8", "hello"},
        {"YQ==", "a"},
        {"YQ", "a"},
        {"YWI=", "ab"},
        {"YWJj", "abc"},
        {"+/+/", "\xfb\xff\xbf"},
        {"AAAA", std::string(3, '\0')},
    };
    for (const auto& c : cases) EXPECT_EQ(Decode(c.in), c.out) << c.in;
}

TEST(Base64Decode, SkipsCharactersOutsideTheAlphabet)
{
    EXPECT_EQ(Decode("aGVs\r\nbG8="), "hello");
    EXPECT_EQ(Decode("\"aGVsbG8\""), "hello");
    EXPECT_EQ(Decode("a-G V\tsbG8"), "hello");
    EXPECT_EQ(Decode("aG\xc3\xa9VsbG8"), "hello");
    // "%2B" is not a '+': the '%' is skipped and "2B" are two alphabet characters.
    EXPECT_EQ(Decode("Kw=="), "+");
    EXPECT_NE(Decode("%2Bw=="), Decode("Kw=="));
    EXPECT_EQ(Decode("%2Bw=="), Decode("2Bw=="));
}

TEST(Base64Decode, StopsAtPadAtNulAndAtTheGivenLength)
{
    EXPECT_EQ(Decode("aGVsbG8=/"), "hello");
    EXPECT_EQ(Decode("YQ==YWJj"), "a");
    EXPECT_EQ(Decode(std::string("aGVs\0bG8=", 9)), "hel");
    EXPECT_EQ(Decode("aGVsbG8=", 4), "hel");
    EXPECT_EQ(Decode("aGVsbG8=", 0), "");
}

TEST(Base64Decode, DropsAPartialByteAtTheEnd)
{
    EXPECT_EQ(Decode("Y"), "");
    EXPECT_EQ(Decode("YWJjZ"), "abc");
    EXPECT_EQ(Decode("YWJjZA"), "abcd");
}

TEST(Base64Decode, RejectsPadAfterASingleCharacterOfAGroup)
{
    EXPECT_EQ(Decode("Y="), std::nullopt);
    EXPECT_EQ(Decode("YWJjZ="), std::nullopt);
    EXPECT_EQ(Decode("Y-\n="), std::nullopt);
    // Remainders 0, 2 and 3 at the pad are fine.
    EXPECT_EQ(Decode("="), "");
    EXPECT_EQ(Decode("YWJj="), "abc");
    EXPECT_EQ(Decode("YW="), "a");
    EXPECT_EQ(Decode("YWJ="), "ab");
}

TEST(Base64Decode, LengthOutputIsOptional)
{
    char* out = Base64Decode("YWJj", 4, nullptr);
    ASSERT_NE(out, nullptr);
    EXPECT_STREQ(out, "abc");
    std::free(out);
}

}  // namespace

// Grammar of the launch command. Built for the host and again for Windows,
// where the same cases run through the launcher's ParseLaunchCommand.
#include "launch_command.h"

#include "base64_encode.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string FullPayload =
    "Space Game;HKLM\\SOFTWARE\\Games\\Space;InstallDir;bin\\space.exe;"
    "http://portal/games/space;ab12";

std::string Fields(const LaunchInfo& i)
{
    auto f = [](const std::optional<std::string>& s) { return s ? "[" + *s + "]" : std::string("-"); };
    return f(i.appname) + f(i.installkey) + f(i.installvalue) + f(i.exename) + f(i.weblink) +
           f(i.approvalid);
}

LaunchParse Parse(const std::string& token, LaunchInfo& info) { return ParseLaunchToken(token, info); }

TEST(LaunchToken, EndsAtTheFirstSpaceOnly)
{
    EXPECT_EQ(LaunchToken("abc def ghi"), "abc");
    EXPECT_EQ(LaunchToken("abc\tdef"), "abc\tdef");
    EXPECT_EQ(LaunchToken(" abc"), "");
    EXPECT_EQ(LaunchToken("abc"), "abc");
}

TEST(SplitPayloadFields, SkipsEmptyFieldsAndStopsAtTheLimit)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitPayloadFields("a;;b;c", 6), (V{"a", "b", "c"}));
    EXPECT_EQ(SplitPayloadFields(";;a;b;", 6), (V{"a", "b"}));
    EXPECT_EQ(SplitPayloadFields("1;2;3;4;5;6;7;8", 6), (V{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(SplitPayloadFields("a b\\c; d ", 6), (V{"a b\\c", " d "}));
    EXPECT_EQ(SplitPayloadFields("", 6), V{});
    EXPECT_EQ(SplitPayloadFields(";;;", 6), V{});
}

TEST(ParseLaunchToken, FillsFieldsInRecordOrder)
{
    LaunchInfo info;
    ASSERT_EQ(Parse("zentaris://launch/" + Base64Encode(FullPayload), info), LaunchParse::Ok);
    EXPECT_EQ(Fields(info),
              "[Space Game][HKLM\\SOFTWARE\\Games\\Space][InstallDir][bin\\space.exe]"
              "[http://portal/games/space][ab12]");
    EXPECT_TRUE(HasAllLaunchFields(info));
}

TEST(ParseLaunchToken, QuotedAndUnquotedDecodeAlike)
{
    const std::string payload = Base64Encode(FullPayload);
    LaunchInfo plain, quoted, openQuoteOnly;
    ASSERT_EQ(Parse("zentaris://launch/" + payload, plain), LaunchParse::Ok);
    ASSERT_EQ(Parse("\"zentaris://launch/" + payload + "\"", quoted), LaunchParse::Ok);
    ASSERT_EQ(Parse("\"zentaris://launch/" + payload, openQuoteOnly), LaunchParse::Ok);
    EXPECT_EQ(Fields(quoted), Fields(plain));
    EXPECT_EQ(Fields(openQuoteOnly), Fields(plain));
}

TEST(ParseLaunchToken, PrefixIgnoresAsciiCaseOnly)
{
    const std::string payload = Base64Encode(FullPayload);
    LaunchInfo info;
    EXPECT_EQ(Parse("ZENTARIS://LAUNCH/" + payload, info), LaunchParse::Ok);
    EXPECT_EQ(Parse("ZenTaris://Launch/" + payload, info), LaunchParse::Ok);

    const char* rejected[] = {
        "zentaris:launch/", "zentaris:/launch/", "zentaris://launch", "zentaris://lunch/",
        "ab", "", "\"", "\"\"zentaris://launch/", " zentaris://launch/", "-autostart",
        "--AUTOSTART", "zentaris://instcheck/",
    };
    for (const char* prefix : rejected) {
        LaunchInfo none;
        EXPECT_EQ(Parse(std::string(prefix) + payload, none), LaunchParse::BadPrefix) << prefix;
        EXPECT_EQ(Fields(none), "------") << prefix;
    }
}

TEST(ParseLaunchToken, ShortPayloadsLeaveLaterFieldsAbsent)
{
    LaunchInfo info;
    ASSERT_EQ(Parse("zentaris://launch/" + Base64Encode("a;;b;c"), info), LaunchParse::Ok);
    EXPECT_EQ(Fields(info), "[a][b][c]---");
    EXPECT_FALSE(HasAllLaunchFields(info));

    LaunchInfo empty;
    ASSERT_EQ(Parse("zentaris://launch/", empty), LaunchParse::Ok);
    EXPECT_EQ(Fields(empty), "------");
}

TEST(ParseLaunchToken, SeventhFieldOnIsIgnored)
{
    LaunchInfo info;
    ASSERT_EQ(Parse("zentaris://launch/" + Base64Encode("1;2;3;4;5;6;7;8"), info), LaunchParse::Ok);
    EXPECT_EQ(Fields(info), "[1][2][3][4][5][6]");
}

TEST(ParseLaunchToken, DecodedTextEndsAtItsFirstNul)
{
    LaunchInfo info;
    ASSERT_EQ(Parse("zentaris://launch/" + Base64Encode(std::string("a;b\0;c;d;e;f", 12)), info),
              LaunchParse::Ok);
    EXPECT_EQ(Fields(info), "[a][b]----");
}

TEST(ParseLaunchToken, PayloadNoiseIsIgnoredAndPadEndsIt)
{
    const std::string payload = Base64Encode(FullPayload);
    std::string noisy = payload;
    noisy.insert(10, "\r\n");
    noisy.insert(4, "-");
    LaunchInfo clean, withNoise, withTail;
    ASSERT_EQ(Parse("zentaris://launch/" + payload, clean), LaunchParse::Ok);
    ASSERT_EQ(Parse("zentaris://launch/" + noisy, withNoise), LaunchParse::Ok);
    EXPECT_EQ(Fields(withNoise), Fields(clean));

    // Something appended after a pad is never looked at.
    const std::string padded = Base64Encode("a;b;c;d;e;f1");  // 12 bytes: no pad of its own
    ASSERT_EQ(Parse("zentaris://launch/" + padded + "=/AAAA", withTail), LaunchParse::Ok);
    EXPECT_EQ(Fields(withTail), "[a][b][c][d][e][f1]");
}

TEST(ParseLaunchToken, UndecodablePayloadIsRejected)
{
    LaunchInfo info;
    EXPECT_EQ(Parse("zentaris://launch/Y=", info), LaunchParse::BadPayload);
    EXPECT_EQ(Fields(info), "------");
}

}  // namespace

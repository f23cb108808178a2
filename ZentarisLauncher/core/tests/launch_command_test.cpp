// Grammar of the launch command. Built for the host and again for Windows,
// where the same cases run through the launcher's ParseLaunchCommand.
#include "launch_command.h"

#include "base64_encode.h"
#include "link_signature.h"

#include <gtest/gtest.h>
#include <sodium.h>

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

TEST(SplitPayloadFields, EveryFieldIsNonEmptyAndNoneFollowsTheLast)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitPayloadFields("a b\\c; d ", 6), (V{"a b\\c", " d "}));
    EXPECT_EQ(SplitPayloadFields("1;2;3;4;5;6", 6), (V{"1", "2", "3", "4", "5", "6"}));
    // An empty field would shift every later one into another's place.
    for (const char* broken : {"a;;b;c", ";a;b", "a;b;", "", ";", ";;;", "1;2;3;4;5;6;7", "1;2;3;4;5;6;"}) {
        EXPECT_EQ(SplitPayloadFields(broken, 6), std::nullopt) << broken;
    }
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
    ASSERT_EQ(Parse("zentaris://launch/" + Base64Encode("a;b;c"), info), LaunchParse::Ok);
    EXPECT_EQ(Fields(info), "[a][b][c]---");
    EXPECT_FALSE(HasAllLaunchFields(info));

    // A signed link's seventh field is its signature.
    LaunchInfo signedInfo;
    ASSERT_EQ(Parse("zentaris://launch/" + Base64Encode("1;2;3;4;5;6;7"), signedInfo), LaunchParse::Ok);
    EXPECT_EQ(Fields(signedInfo), "[1][2][3][4][5][6]");
    EXPECT_EQ(signedInfo.signature, "7");
}

// Fields that are empty, follow the signature or hide behind a NUL would be
// read differently by the launcher, the portal and the signature: such a
// payload is refused whole.
TEST(ParseLaunchToken, PayloadThatBreaksTheFieldGrammarIsRejected)
{
    const std::string cases[] = {
        "",
        ";",
        "a;;b;c;d;e;f",
        ";a;b;c;d;e;f",
        "a;b;c;d;e;f;",
        "a;b;c;d;e;f;sig;",
        "a;b;c;d;e;f;sig;extra",
        std::string("a;b\0;c;d;e;f", 12),
        std::string("a;b;c;d;e;f\0", 12),
        std::string("a;b;c;d;e;f;sig\0tail", 20),
    };
    for (const std::string& payload : cases) {
        LaunchInfo info;
        EXPECT_EQ(Parse("zentaris://launch/" + Base64Encode(payload), info), LaunchParse::BadPayload) << payload;
        EXPECT_EQ(Fields(info), "------") << payload;
        EXPECT_FALSE(info.signature) << payload;
    }
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

// A portal's key pair made from a fixed seed, and links it signs the way the
// sample portal does.
struct TestPortalKey {
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    std::string publicBase64;

    explicit TestPortalKey(unsigned char seedByte)
    {
        EXPECT_GE(sodium_init(), 0);
        unsigned char seed[crypto_sign_SEEDBYTES];
        for (unsigned char& b : seed) b = seedByte;
        crypto_sign_seed_keypair(publicKey, secretKey, seed);
        publicBase64 = Base64Encode(std::string(reinterpret_cast<const char*>(publicKey), sizeof publicKey));
    }

    std::string Sign(const std::string& message) const
    {
        unsigned char signature[crypto_sign_BYTES];
        crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(message.data()),
                             message.size(), secretKey);
        return Base64Encode(std::string(reinterpret_cast<const char*>(signature), sizeof signature));
    }
};

std::string UrlSafe(std::string text)
{
    for (char& c : text) c = c == '+' ? '-' : c == '/' ? '_' : c;
    while (!text.empty() && text.back() == '=') text.pop_back();
    return text;
}

TEST(LinkSignature, OnlyTheSixFieldsAsSignedByAKnownKeyPass)
{
    const TestPortalKey portal(7), oldPortal(8), stranger(9);
    const char* const keys[] = {oldPortal.publicBase64.c_str(), "not a key", portal.publicBase64.c_str()};

    LaunchInfo signedInfo;
    ASSERT_EQ(Parse("zentaris://launch/" + Base64Encode(FullPayload), signedInfo), LaunchParse::Ok);
    const std::string message = SignedLinkMessage(signedInfo);
    ASSERT_EQ(message, std::string("zentaris launch link v1", 23) + '\0' + FullPayload);
    const std::string good = portal.Sign(message);

    struct Case {
        const char* what;
        std::string payload;  // decoded payload, signature field included
        bool valid;
    };
    std::string altered = FullPayload;
    altered.replace(altered.find("space.exe"), 9, "other.exe");
    std::string flipped = good;
    flipped[5] = flipped[5] == 'A' ? 'B' : 'A';
    const Case cases[] = {
        {"signed", FullPayload + ";" + good, true},
        {"URL-safe, unpadded", FullPayload + ";" + UrlSafe(good), true},
        {"older key still listed", FullPayload + ";" + oldPortal.Sign(message), true},
        {"unsigned", FullPayload, false},
        {"another key", FullPayload + ";" + stranger.Sign(message), false},
        {"field altered", altered + ";" + good, false},
        {"signature altered", FullPayload + ";" + flipped, false},
        {"truncated", FullPayload + ";" + good.substr(0, 60), false},
        {"one byte more", FullPayload + ";" + Base64Encode(std::string(65, 'x')), false},
        {"not Base64", FullPayload + ";" + std::string(88, '*'), false},
        {"without the context", FullPayload + ";" + portal.Sign(FullPayload), false},
        {"fields only five", "a;b;c;d;e;" + portal.Sign(std::string("zentaris launch link v1", 23) + '\0' + "a;b;c;d;e"),
         false},
    };
    for (const Case& c : cases) {
        LaunchInfo info;
        ASSERT_EQ(Parse("zentaris://launch/" + Base64Encode(c.payload), info), LaunchParse::Ok) << c.what;
        EXPECT_EQ(HasValidLinkSignature(info, keys, 3), c.valid) << c.what;
    }
    // No key, or no usable key, verifies nothing.
    LaunchInfo info;
    ASSERT_EQ(Parse("zentaris://launch/" + Base64Encode(FullPayload + ";" + good), info), LaunchParse::Ok);
    EXPECT_FALSE(HasValidLinkSignature(info, keys, 2));
    EXPECT_FALSE(HasValidLinkSignature(info, nullptr, 0));
}

}  // namespace

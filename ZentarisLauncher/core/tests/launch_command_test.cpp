// Grammar of the launch command. Built for the host and again for Windows
// (in the launcher's entry test), where the same cases check the code as the
// Windows compiler builds it.
#include "launch_command.h"

#include "base64_encode.h"
#include "launch_rules.h"
#include "link_signature.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <string>

#ifdef ZEN_LINK_VECTORS
#include <fstream>
#include <iterator>

#include "json_reader.h"

#include "text_conversion.h"
#endif

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

std::string JoinedFields(const LinkFields& l)
{
    return l.appname + ";" + l.installkey + ";" + l.installvalue + ";" + l.exename + ";" + l.weblink + ";" +
           l.approvalid;
}

// The token's fields into `info`, or the error it is refused with.
std::optional<LaunchError> Parse(const std::string& token, LaunchInfo& info)
{
    const Step<LaunchInfo> step = ParseLaunchToken(token);
    if (const LaunchFailure* failure = FailureOf(step)) return failure->error;
    info = std::get<LaunchInfo>(step);
    return std::nullopt;
}
const std::optional<LaunchError> Ok;

TEST(LaunchToken, EndsAtTheFirstSpaceOnly)
{
    EXPECT_EQ(LaunchToken("abc def ghi"), "abc");
    EXPECT_EQ(LaunchToken("abc\tdef"), "abc\tdef");
    EXPECT_EQ(LaunchToken(" abc"), "");
    EXPECT_EQ(LaunchToken("abc"), "abc");
}

// Only the command line's own first token can switch the log on: a link
// comes first wherever a page can send one, and ends at its first space.
TEST(SplitLauncherArguments, LogSwitchOnlyBeforeTheCommand)
{
    struct Case {
        std::string commandLine;
        bool log;
        std::string command;
    };
    const Case cases[] = {
        {"--log zentaris://launch/QUJD", true, "zentaris://launch/QUJD"},
        {"--log   zentaris://launch/QUJD --x", true, "zentaris://launch/QUJD --x"},
        {"--log", true, ""},
        {"zentaris://launch/QUJD --log", false, "zentaris://launch/QUJD --log"},
        {"\"zentaris://launch/QUJD\" --log", false, "\"zentaris://launch/QUJD\" --log"},
        {"--LOG zentaris://launch/QUJD", false, "--LOG zentaris://launch/QUJD"},
        {"--logzentaris://launch/QUJD", false, "--logzentaris://launch/QUJD"},
        {"--log\tzentaris://launch/QUJD", false, "--log\tzentaris://launch/QUJD"},
        {" --log x", false, " --log x"},
        {"--autostart", false, "--autostart"},
    };
    for (const Case& c : cases) {
        const LauncherArguments arguments = SplitLauncherArguments(c.commandLine);
        EXPECT_EQ(arguments.log, c.log) << c.commandLine;
        EXPECT_EQ(arguments.command, c.command) << c.commandLine;
    }
}

// The first step of the road: too short a command is no start at all, and
// only its first token is a launch command.
TEST(DecodeLaunchCommand, ShortCommandIsNotStandaloneAndTheFirstTokenIsTheLink)
{
    const std::string link = "zentaris://launch/" + Base64Encode(FullPayload);
    struct Case {
        std::string command;
        std::optional<LaunchError> error;
    };
    const Case cases[] = {
        {"", LaunchError::NotStandalone},      {"x", LaunchError::NotStandalone},
        {"\"", LaunchError::NotStandalone},    {"ab", LaunchError::BadCommand},
        {" " + link, LaunchError::BadCommand}, {link, Ok},
        {link + " --log trailing words", Ok},  {"zentaris://launch/Y=", LaunchError::InvalidLink},
    };
    for (const Case& c : cases) {
        const Step<LaunchInfo> step = DecodeLaunchCommand(c.command);
        const LaunchFailure* failure = FailureOf(step);
        EXPECT_EQ(failure ? std::optional<LaunchError>(failure->error) : Ok, c.error) << c.command;
        if (!failure) EXPECT_EQ(std::get<LaunchInfo>(step).approvalid, "ab12") << c.command;
    }
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
    ASSERT_EQ(Parse("zentaris://launch/" + Base64Encode(FullPayload), info), Ok);
    EXPECT_EQ(Fields(info),
              "[Space Game][HKLM\\SOFTWARE\\Games\\Space][InstallDir][bin\\space.exe]"
              "[http://portal/games/space][ab12]");
    EXPECT_TRUE(HasAllLaunchFields(info));
}

TEST(ParseLaunchToken, QuotedAndUnquotedDecodeAlike)
{
    const std::string payload = Base64Encode(FullPayload);
    LaunchInfo plain, quoted, openQuoteOnly;
    ASSERT_EQ(Parse("zentaris://launch/" + payload, plain), Ok);
    ASSERT_EQ(Parse("\"zentaris://launch/" + payload + "\"", quoted), Ok);
    ASSERT_EQ(Parse("\"zentaris://launch/" + payload, openQuoteOnly), Ok);
    EXPECT_EQ(Fields(quoted), Fields(plain));
    EXPECT_EQ(Fields(openQuoteOnly), Fields(plain));
}

TEST(ParseLaunchToken, PrefixIgnoresAsciiCaseOnly)
{
    const std::string payload = Base64Encode(FullPayload);
    LaunchInfo info;
    EXPECT_EQ(Parse("ZENTARIS://LAUNCH/" + payload, info), Ok);
    EXPECT_EQ(Parse("ZenTaris://Launch/" + payload, info), Ok);

    const char* rejected[] = {
        "zentaris:launch/", "zentaris:/launch/", "zentaris://launch", "zentaris://lunch/",
        "ab", "", "\"", "\"\"zentaris://launch/", " zentaris://launch/", "-autostart",
        "--AUTOSTART", "zentaris://instcheck/",
    };
    for (const char* prefix : rejected) {
        LaunchInfo none;
        EXPECT_EQ(Parse(std::string(prefix) + payload, none), LaunchError::BadCommand) << prefix;
    }
}

TEST(ParseLaunchToken, ShortPayloadsLeaveLaterFieldsAbsent)
{
    LaunchInfo info;
    ASSERT_EQ(Parse("zentaris://launch/" + Base64Encode("a;b;c"), info), Ok);
    EXPECT_EQ(Fields(info), "[a][b][c]---");
    EXPECT_FALSE(HasAllLaunchFields(info));

    // A signed link's seventh field is its signature.
    LaunchInfo signedInfo;
    ASSERT_EQ(Parse("zentaris://launch/" + Base64Encode("1;2;3;4;5;6;7"), signedInfo), Ok);
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
        EXPECT_EQ(Parse("zentaris://launch/" + Base64Encode(payload), info), LaunchError::InvalidLink) << payload;
    }
}

TEST(ParseLaunchToken, PayloadNoiseIsIgnoredAndPadEndsIt)
{
    const std::string payload = Base64Encode(FullPayload);
    std::string noisy = payload;
    noisy.insert(10, "\r\n");
    noisy.insert(4, "-");
    LaunchInfo clean, withNoise, withTail;
    ASSERT_EQ(Parse("zentaris://launch/" + payload, clean), Ok);
    ASSERT_EQ(Parse("zentaris://launch/" + noisy, withNoise), Ok);
    EXPECT_EQ(Fields(withNoise), Fields(clean));

    // Something appended after a pad is never looked at.
    const std::string padded = Base64Encode("a;b;c;d;e;f1");  // 12 bytes: no pad of its own
    ASSERT_EQ(Parse("zentaris://launch/" + padded + "=/AAAA", withTail), Ok);
    EXPECT_EQ(Fields(withTail), "[a][b][c][d][e][f1]");
}

TEST(ParseLaunchToken, UndecodablePayloadIsRejected)
{
    LaunchInfo info;
    EXPECT_EQ(Parse("zentaris://launch/Y=", info), LaunchError::InvalidLink);
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
    ASSERT_EQ(Parse("zentaris://launch/" + Base64Encode(FullPayload), signedInfo), Ok);
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
        ASSERT_EQ(Parse("zentaris://launch/" + Base64Encode(c.payload), info), Ok) << c.what;
        EXPECT_EQ(HasValidLinkSignature(info, keys, 3), c.valid) << c.what;
        EXPECT_EQ(FailureOf(CheckLaunchLink(info, {keys, 3})) == nullptr, c.valid) << c.what;
    }
    // No key, or no usable key, verifies nothing.
    LaunchInfo info;
    ASSERT_EQ(Parse("zentaris://launch/" + Base64Encode(FullPayload + ";" + good), info), Ok);
    EXPECT_FALSE(HasValidLinkSignature(info, keys, 2));
    EXPECT_FALSE(HasValidLinkSignature(info, nullptr, 0));
}

// The check step: a link passes only whole, and a refusal names the rule
// (for the support log) without the signature.
TEST(CheckLaunchLink, PassesWholeLinksAndNamesTheRuleThatRefused)
{
    const TestPortalKey portal(7);
    const char* const key[] = {portal.publicBase64.c_str()};
    const zentaris::LinkSigningKeyList keyed{key, 1}, keyless{nullptr, 0};
    const auto sign = [&](const std::string& fields) {
        return fields + ";" + portal.Sign(std::string("zentaris launch link v1", 23) + '\0' + fields);
    };
    const std::string shellFolders = "a;HKCU\\Environment;TEMP;g.exe;http://p/;id1";
    struct Case {
        std::string payload;
        zentaris::LinkSigningKeyList keys;
        std::string refusal;  // a part of the reason; empty: the link passes
    };
    const Case cases[] = {
        {sign(FullPayload), keyed, ""},
        {FullPayload, keyless, ""},
        {"a;b;c", keyless, "fewer than six fields"},
        {sign("a;HKLM\\SOFTWARE\\V;d;..\\x.exe;w;id1"), keyed, "exename [..\\x.exe]"},
        {sign("a;HKLM\\SOFTWARE\\V;d;g.exe;w;../id1"), keyed, "approvalid [../id1]"},
        {FullPayload, keyed, "not signed"},
        {FullPayload + ";" + Base64Encode(std::string(64, 'x')), keyed, "verifies with none of the 1 portal keys"},
        {shellFolders, keyless, "installkey [HKCU\\Environment]"},
        {sign(shellFolders), keyed, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payload);
        LaunchInfo info;
        ASSERT_EQ(Parse("zentaris://launch/" + Base64Encode(c.payload), info), Ok);
        const Step<CheckedLink> link = CheckLaunchLink(info, c.keys);
        if (const LaunchFailure* failure = FailureOf(link)) {
            EXPECT_EQ(failure->error, LaunchError::InvalidLink);
            EXPECT_NE(failure->reason.find(c.refusal), std::string::npos) << failure->reason;
            EXPECT_FALSE(c.refusal.empty()) << failure->reason;
            if (info.signature) EXPECT_EQ(failure->reason.find(*info.signature), std::string::npos);
            continue;
        }
        ASSERT_TRUE(c.refusal.empty()) << "passed, expected: " << c.refusal;
        const CheckedLink& checked = std::get<CheckedLink>(link);
        EXPECT_EQ(JoinedFields(checked), info.appname.value() + ";" + *info.installkey + ";" + *info.installvalue +
                                             ";" + *info.exename + ";" + *info.weblink + ";" + *info.approvalid);
        EXPECT_EQ(checked.verified, c.keys.count != 0);
    }
}

#ifdef ZEN_LINK_VECTORS
using testsupport::Json;
using testsupport::JsonReader;

// Windows-1252 bytes as UTF-8; the five bytes the code page leaves
// undefined become U+FFFD, which no vector holds.
std::string Utf8FromWindows1252(std::string_view bytes)
{
    static const char16_t high[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
    };
    std::u16string units;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        units += b >= 0x80 && b < 0xA0 ? high[b - 0x80] : char16_t(b);
    }
    return testsupport::Narrow(units);
}

// The links the portal kit's signers (PHP, Node, Python) are tested to make:
// the launcher reads from each the fields it was made of, and takes its
// signature with that portal's key alone.
TEST(LinkSignature, PortalKitLinksParseToTheirFieldsAndVerifyWithTheirKeyOnly)
{
    std::ifstream file(ZEN_LINK_VECTORS, std::ios::binary);
    ASSERT_TRUE(file) << "cannot open " << ZEN_LINK_VECTORS;
    const std::optional<Json> vectors =
        JsonReader(std::string(std::istreambuf_iterator<char>(file), {})).Document();
    ASSERT_TRUE(vectors) << "not JSON: " << ZEN_LINK_VECTORS;
    const std::vector<Json>& links = (*vectors)["links"].items;
    ASSERT_GE(links.size(), 4u);

    int refusedWithAnotherKey = 0;
    for (const Json& link : links) {
        const std::string& what = link["what"].text;
        LaunchInfo info;
        ASSERT_EQ(Parse(link["link"].text, info), Ok) << what;
        ASSERT_TRUE(HasAllLaunchFields(info)) << what;
        const std::optional<std::string>* const parsed[] = {&info.appname, &info.installkey, &info.installvalue,
                                                            &info.exename, &info.weblink,    &info.approvalid};
        const std::vector<Json>& fields = link["fields"].items;
        ASSERT_EQ(fields.size(), std::size(parsed)) << what;
        for (size_t i = 0; i < fields.size(); ++i) {
            EXPECT_EQ(Utf8FromWindows1252(**parsed[i]), fields[i].text) << what << ", field " << i + 1;
        }
        EXPECT_EQ(info.signature, link["signature"].text) << what;

        for (const Json& keyOf : links) {
            const char* const key[] = {keyOf["public_key"].text.c_str()};
            const bool sameKey = keyOf["public_key"].text == link["public_key"].text;
            EXPECT_EQ(HasValidLinkSignature(info, key, 1), sameKey)
                << what << " with the key of " << keyOf["what"].text;
            refusedWithAnotherKey += sameKey ? 0 : 1;
        }
    }
    EXPECT_GT(refusedWithAnotherKey, 0) << "the vectors hold one key only";
}
#endif

}  // namespace

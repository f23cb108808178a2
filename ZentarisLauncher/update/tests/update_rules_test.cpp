// The update manifest as the launcher reads it, and what it does with one.
#include "update_manifest.h"
#include "update_rules.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base64_encode.h"
#include "json_reader.h"
#include "link_signature.h"

namespace {

FileVersion V(const char* text)
{
    const std::optional<FileVersion> version = ParseFileVersion(text);
    EXPECT_TRUE(version) << text;
    return version.value_or(FileVersion{});
}

// A portal's key pair from a fixed seed.
struct TestKey {
    explicit TestKey(unsigned char first)
    {
        EXPECT_GE(sodium_init(), 0);
        unsigned char seed[crypto_sign_SEEDBYTES];
        for (size_t i = 0; i < sizeof seed; ++i) seed[i] = static_cast<unsigned char>(first + i);
        unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
        crypto_sign_seed_keypair(publicKey, secret, seed);
        publicText = Base64Encode(std::string(reinterpret_cast<const char*>(publicKey), sizeof publicKey));
    }

    // Base64 signature of `message` as given (context included).
    std::string Sign(const std::string& message) const
    {
        unsigned char signature[crypto_sign_BYTES];
        crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(message.data()),
                             message.size(), secret);
        return Base64Encode(std::string(reinterpret_cast<const char*>(signature), sizeof signature));
    }

    unsigned char secret[crypto_sign_SECRETKEYBYTES];
    std::string publicText;
};

const TestKey PortalKey(1), OldKey(50), StrangerKey(100);

const std::string GoodBody =
    "version=1.0.2.0\n"
    "url=https://games.example/downloads/Zentaris-Setup.exe\n"
    "size=1834712\n"
    "sha256=00112233445566778899aabbccddeeff00112233445566778899AABBCCDDEEFF\n"
    "minimum=1.0.0.0\n";

std::string Signed(const std::string& body, const TestKey& key = PortalKey)
{
    return body + "signature=" + key.Sign(SignedManifestMessage(body)) + "\n";
}

ManifestStep Read(const std::string& text)
{
    const char* const keys[] = {PortalKey.publicText.c_str(), OldKey.publicText.c_str()};
    return ReadUpdateManifest(text, keys, 2, false);
}

std::string Outcome(const ManifestStep& step)
{
    if (const ManifestError* error = std::get_if<ManifestError>(&step)) return ManifestErrorText(*error);
    return "read";
}

std::string Text(ManifestError error) { return ManifestErrorText(error); }

TEST(FileVersionText, FourNumbersOfAWindowsFileVersionAndNothingElse)
{
    const struct {
        const char* text;
        bool valid;
    } cases[] = {
        {"1.0.2.0", true},       {"0.0.0.0", true},        {"65535.65535.65535.65535", true},
        {"10.200.3000.40000", true},
        {"1.0.2", false},        {"1.0.2.0.0", false},     {"1.0.2.", false},     {".1.0.2", false},
        {"1..2.0", false},       {"65536.0.0.0", false},   {"01.0.2.0", false},   {"1.0.2.00", false},
        {"1.0.2.0 ", false},     {" 1.0.2.0", false},      {"+1.0.2.0", false},   {"-1.0.2.0", false},
        {"1.0.2.a", false},      {"", false},              {"1,0,2,0", false},    {"999999.0.0.0", false},
        {"1.0.2.0\n", false},    {"0x1.0.2.0", false},
    };
    for (const auto& c : cases) {
        const std::optional<FileVersion> version = ParseFileVersion(c.text);
        EXPECT_EQ(version.has_value(), c.valid) << c.text;
        if (version) EXPECT_EQ(FileVersionText(*version), c.text);
    }
    // Compared part by part, as numbers.
    EXPECT_LT(V("1.0.2.0"), V("1.0.10.0"));
    EXPECT_LT(V("1.9.65535.65535"), V("2.0.0.0"));
    EXPECT_LT(V("1.0.2.0"), V("1.0.2.1"));
    EXPECT_EQ(V("1.0.2.0"), V("1.0.2.0"));
}

TEST(InstallerUrl, HttpsOrLoopbackHttpAsTheBuildTakesPortalAddresses)
{
    const struct {
        const char* url;
        bool allowed;
        bool allowedWithPlainHttp;  // a build with AllowPlainHttpPortal
    } cases[] = {
        {"https://games.example/downloads/Zentaris-Setup.exe", true, true},
        {"https://games.example:8443/setup.exe?v=2&x=%20", true, true},
        {"https://[2001:db8::1]/setup.exe", true, true},
        {"http://127.0.0.1:8780/downloads/Zentaris-Setup.exe", true, true},
        {"http://127.255.0.1/setup.exe", true, true},
        {"http://localhost/setup.exe", true, true},
        {"http://LocalHost:80/setup.exe", true, true},
        {"http://[::1]:8080/setup.exe", true, true},
        // Plain http elsewhere: anyone on the way could answer.
        {"http://games.example/downloads/Zentaris-Setup.exe", false, true},
        {"http://128.0.0.1/setup.exe", false, true},
        {"http://127.0.0.256/setup.exe", false, true},
        {"http://127.0.0/setup.exe", false, true},
        {"http://127.0.0.1.games.example/setup.exe", false, true},
        {"http://localhost.games.example/setup.exe", false, true},
        {"http://127.0.0.1:123456/setup.exe", false, true},
        {"http://[::1]x/setup.exe", false, true},
        // A user part names one host to a person and another to the client.
        {"https://games.example@evil.example/setup.exe", false, false},
        {"http://127.0.0.1@evil.example/setup.exe", false, false},
        {"http://127.0.0.1%2f@evil.example/", false, false},
        // Other schemes, local files, shapes a client could read otherwise.
        {"ftp://games.example/setup.exe", false, false},
        {"file:///C:/setup.exe", false, false},
        {"C:\\Users\\Public\\setup.exe", false, false},
        {"\\\\server\\share\\setup.exe", false, false},
        {"HTTPS://games.example/setup.exe", false, false},
        {"https:/games.example/setup.exe", false, false},
        {"https://", false, false},
        {"https://:443/setup.exe", false, false},
        {"https://games.example/set up.exe", false, false},
        {"https://games.example/setup.exe\"", false, false},
        {"https://games.example\\@evil.example/", false, false},
        {"https://games.example/\x7f", false, false},
        {"https://games.example/caf\xe9.exe", false, false},
        {"", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsInstallerUrlAllowed(c.url, false), c.allowed) << c.url;
        EXPECT_EQ(IsInstallerUrlAllowed(c.url, true), c.allowedWithPlainHttp) << c.url;
    }
    const std::string longest = "https://games.example/" + std::string(InstallerUrlCapacity - 22, 'a');
    EXPECT_TRUE(IsInstallerUrlAllowed(longest, false));
    EXPECT_FALSE(IsInstallerUrlAllowed(longest + "a", false));
}

// Each field has one shape; a line of another name passes if it is a line.
TEST(ManifestFields, EveryFieldIsReadOnlyInItsOneShape)
{
    const auto with = [](const std::string& name, const std::string& value) {
        std::string body;
        bool replaced = false;
        for (size_t at = 0; at < GoodBody.size();) {
            const size_t end = GoodBody.find('\n', at);
            const std::string line = GoodBody.substr(at, end - at);
            at = end + 1;
            if (line.compare(0, name.size() + 1, name + "=") == 0) {
                replaced = true;
                if (value != "<none>") body += name + "=" + value + "\n";
            } else {
                body += line + "\n";
            }
        }
        if (!replaced) body += name + "=" + value + "\n";
        return body;
    };
    const struct {
        std::string body;
        std::string outcome;
    } cases[] = {
        {GoodBody, "read"},
        {with("notbefore", "1767225600"), "read"},
        {with("notbefore", "0"), "read"},
        {with("channel", "beta"), "read"},  // a later portal's field
        {with("version", "<none>"), Text(ManifestError::MissingField)},
        {with("minimum", "<none>"), Text(ManifestError::MissingField)},
        {with("url", "<none>"), Text(ManifestError::MissingField)},
        {with("size", "<none>"), Text(ManifestError::MissingField)},
        {with("sha256", "<none>"), Text(ManifestError::MissingField)},
        {GoodBody + "version=1.0.3.0\n", Text(ManifestError::RepeatedField)},
        {with("version", "1.0.2"), Text(ManifestError::BadVersion)},
        {with("version", "1.0.2.0.1"), Text(ManifestError::BadVersion)},
        {with("minimum", "any"), Text(ManifestError::BadMinimum)},
        {with("url", "http://games.example/setup.exe"), Text(ManifestError::BadUrl)},
        {with("url", "file:///C:/Windows/System32/cmd.exe"), Text(ManifestError::BadUrl)},
        {with("size", "0"), Text(ManifestError::BadSize)},
        {with("size", "-1"), Text(ManifestError::BadSize)},
        {with("size", "01834712"), Text(ManifestError::BadSize)},
        {with("size", "1.8e6"), Text(ManifestError::BadSize)},
        {with("size", "99999999999999999999999"), Text(ManifestError::BadSize)},
        {with("size", std::to_string(UpdateSizeLimit)), "read"},
        {with("size", std::to_string(UpdateSizeLimit + 1)), Text(ManifestError::SizeOverLimit)},
        {with("size", "9999999999999999999"), Text(ManifestError::SizeOverLimit)},
        {with("sha256", std::string(63, 'a')), Text(ManifestError::BadSha256)},
        {with("sha256", std::string(65, 'a')), Text(ManifestError::BadSha256)},
        {with("sha256", std::string(63, 'a') + "g"), Text(ManifestError::BadSha256)},
        {with("notbefore", "soon"), Text(ManifestError::BadNotBefore)},
        {with("notbefore", "-5"), Text(ManifestError::BadNotBefore)},
        {with("notbefore", "01767225600"), Text(ManifestError::BadNotBefore)},
        // Lines: name=value of printable ASCII without spaces, each ended.
        {GoodBody.substr(0, GoodBody.size() - 1), Text(ManifestError::BadLine)},
        {GoodBody + "\n", Text(ManifestError::BadLine)},
        {GoodBody + "=x\n", Text(ManifestError::BadLine)},
        {GoodBody + "no-equals\n", Text(ManifestError::BadLine)},
        {GoodBody + "Channel=beta\n", Text(ManifestError::BadLine)},
        {GoodBody + "channel=be ta\n", Text(ManifestError::BadLine)},
        {GoodBody + "channel=beta\t\n", Text(ManifestError::BadLine)},
        {GoodBody + std::string("channel=a\0b\n", 10), Text(ManifestError::BadLine)},
        {GoodBody + "channel=caf\xe9\n", Text(ManifestError::BadLine)},
        {with("version", "1.0.2.0 "), Text(ManifestError::BadLine)},
        {"version=1.0.2.0\r\nurl=https://games.example/setup.exe\r\nsize=1\r\nsha256=" + std::string(64, '0') +
             "\r\nminimum=0.0.0.0\r\n",
         "read"},
        {GoodBody + "signature=x\n", Text(ManifestError::SignatureNotLast)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Outcome(ParseManifestFields(c.body, false)), c.outcome) << c.body;
    }

    const ManifestStep step = ParseManifestFields(with("notbefore", "1767225600"), false);
    ASSERT_TRUE(std::holds_alternative<UpdateManifest>(step));
    const UpdateManifest& manifest = std::get<UpdateManifest>(step);
    EXPECT_EQ(manifest.version, V("1.0.2.0"));
    EXPECT_EQ(manifest.minimum, V("1.0.0.0"));
    EXPECT_EQ(manifest.url, "https://games.example/downloads/Zentaris-Setup.exe");
    EXPECT_EQ(manifest.size, 1834712u);
    EXPECT_EQ(manifest.sha256[0], 0x00);
    EXPECT_EQ(manifest.sha256[1], 0x11);
    EXPECT_EQ(manifest.sha256[31], 0xFF);
    EXPECT_EQ(manifest.notBefore, 1767225600u);
    // A build that takes plain http beyond loopback takes it here too.
    EXPECT_EQ(Outcome(ParseManifestFields(with("url", "http://games.example/setup.exe"), true)), "read");
}

// Nothing counts unless a key of the launcher's list signed these exact
// bytes as a manifest.
TEST(ManifestSignature, OnlyTheBytesAKnownKeySignedAsAManifestAreRead)
{
    const std::string good = Signed(GoodBody);
    const std::string asLaunchLink =
        GoodBody + "signature=" + PortalKey.Sign(std::string(LinkSignatureContext) + GoodBody) + "\n";
    std::string altered = good;
    altered.replace(altered.find("1.0.2.0"), 7, "9.0.2.0");
    std::string flipped = good;
    flipped[flipped.size() - 4] = flipped[flipped.size() - 4] == 'A' ? 'B' : 'A';
    const std::string signature = PortalKey.Sign(SignedManifestMessage(GoodBody));
    std::string urlSafe = signature;
    for (char& c : urlSafe) c = c == '+' ? '-' : c == '/' ? '_' : c;
    const struct {
        const char* what;
        std::string text;
        std::string outcome;
    } cases[] = {
        {"signed by the portal's key", good, "read"},
        {"signed by the old key still listed", Signed(GoodBody, OldKey), "read"},
        {"no line end after the signature", good.substr(0, good.size() - 1), "read"},
        {"CRLF after the signature", good.substr(0, good.size() - 1) + "\r\n", "read"},
        {"URL-safe Base64 without padding", GoodBody + "signature=" + urlSafe.substr(0, urlSafe.find('=')) + "\n",
         "read"},
        {"signed by a key the launcher does not list", Signed(GoodBody, StrangerKey),
         Text(ManifestError::WrongSignature)},
        {"signed as a launch link", asLaunchLink, Text(ManifestError::WrongSignature)},
        {"a field changed after signing", altered, Text(ManifestError::WrongSignature)},
        {"a signature byte changed", flipped, Text(ManifestError::WrongSignature)},
        {"a field added after signing", GoodBody + "channel=beta\n" + good.substr(GoodBody.size()),
         Text(ManifestError::WrongSignature)},
        {"nothing signed", GoodBody, Text(ManifestError::Unsigned)},
        {"empty", "", Text(ManifestError::Unsigned)},
        {"signature not at a line's start", GoodBody + "xsignature=" + signature + "\n",
         Text(ManifestError::Unsigned)},
        {"a line after the signature", good + "version=9.0.0.0\n", Text(ManifestError::SignatureNotLast)},
        {"a blank line after the signature", good + "\n", Text(ManifestError::SignatureNotLast)},
        {"a second signature", good + "signature=" + signature + "\n", Text(ManifestError::SignatureNotLast)},
        {"a signature of 63 bytes", GoodBody + "signature=" + signature.substr(0, 84) + "\n",
         Text(ManifestError::BadSignatureText)},
        {"a signature with a space", GoodBody + "signature= " + signature + "\n",
         Text(ManifestError::BadSignatureText)},
        {"signed, but its fields are bad", Signed(GoodBody + "size=2\n"), Text(ManifestError::RepeatedField)},
        {"longer than the bound", Signed(GoodBody + "pad=" + std::string(UpdateManifestCapacity, 'x') + "\n"),
         Text(ManifestError::TooLong)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Outcome(Read(c.text)), c.outcome) << c.what;
    }

    // The bound counts the whole text, signature line included.
    const std::string prefix = GoodBody + "pad=";
    const size_t signatureLine = good.size() - GoodBody.size();
    const std::string fits =
        Signed(prefix + std::string(UpdateManifestCapacity - prefix.size() - 1 - signatureLine, 'x') + "\n");
    ASSERT_EQ(fits.size(), UpdateManifestCapacity);
    EXPECT_EQ(Outcome(Read(fits)), "read");
    EXPECT_EQ(Outcome(Read(fits + "x")), Text(ManifestError::TooLong));

    // A launcher without keys takes no manifest at all.
    EXPECT_EQ(Outcome(ReadUpdateManifest(good, nullptr, 0, false)), Text(ManifestError::NoKeys));
    // A key that does not decode is passed over, not a reason to refuse.
    const char* const keys[] = {"not a key", PortalKey.publicText.c_str()};
    EXPECT_EQ(Outcome(ReadUpdateManifest(good, keys, 2, false)), "read");
}

// The reverse: a manifest's signature never passes for a launch link's.
TEST(ManifestSignature, AManifestSignatureNeverPassesForALaunchLink)
{
    LaunchInfo info;
    info.appname = "Space Demo";
    info.installkey = "HKCU\\Software\\Zentaris Samples\\Space Demo";
    info.installvalue = "InstallDir";
    info.exename = "spacedemo.exe";
    info.weblink = "http://127.0.0.1:8780/games/space-demo/";
    info.approvalid = "0123456789abcdef";
    const std::string fields = SignedLinkMessage(info).substr(LinkSignatureContext.size());
    const char* const keys[] = {PortalKey.publicText.c_str()};

    info.signature = PortalKey.Sign(std::string(LinkSignatureContext) + fields);
    EXPECT_TRUE(HasValidLinkSignature(info, keys, 1));
    info.signature = PortalKey.Sign(SignedManifestMessage(fields));
    EXPECT_FALSE(HasValidLinkSignature(info, keys, 1));
    // Nor does a whole manifest's, made over the same fields as its body.
    info.signature = PortalKey.Sign(SignedManifestMessage(fields + "\n"));
    EXPECT_FALSE(HasValidLinkSignature(info, keys, 1));
}

// The manifests the portal kit's signer (portal/update_manifest.py) is
// tested to make: each verifies with its own portal's key alone and reads
// back to the fields it was made of.
TEST(ManifestSignature, PortalKitManifestsVerifyWithTheirKeyOnlyAndReadBack)
{
    std::ifstream file(ZEN_UPDATE_VECTORS, std::ios::binary);
    ASSERT_TRUE(file) << "cannot open " << ZEN_UPDATE_VECTORS;
    const std::optional<testsupport::Json> vectors =
        testsupport::JsonReader(std::string(std::istreambuf_iterator<char>(file), {})).Document();
    ASSERT_TRUE(vectors);
    const std::vector<testsupport::Json>& manifests = (*vectors)["manifests"].items;
    ASSERT_GE(manifests.size(), 3u);
    int refusedWithAnotherKey = 0;
    for (const testsupport::Json& entry : manifests) {
        const std::string& what = entry["what"].text;
        for (const testsupport::Json& keyOf : manifests) {
            const char* const key[] = {keyOf["public_key"].text.c_str()};
            const bool sameKey = keyOf["public_key"].text == entry["public_key"].text;
            const ManifestStep step = ReadUpdateManifest(entry["text"].text, key, 1, false);
            EXPECT_EQ(Outcome(step), sameKey ? "read" : Text(ManifestError::WrongSignature)) << what;
            refusedWithAnotherKey += sameKey ? 0 : 1;
            if (!sameKey || !std::holds_alternative<UpdateManifest>(step)) continue;
            const UpdateManifest& manifest = std::get<UpdateManifest>(step);
            EXPECT_EQ(FileVersionText(manifest.version), entry["version"].text) << what;
            EXPECT_EQ(FileVersionText(manifest.minimum), entry["minimum"].text) << what;
            EXPECT_EQ(manifest.url, entry["url"].text) << what;
            EXPECT_EQ(std::to_string(manifest.size), entry["size"].text) << what;
            std::string hex;
            for (const uint8_t byte : manifest.sha256) {
                hex += "0123456789abcdef"[byte >> 4];
                hex += "0123456789abcdef"[byte & 15];
            }
            EXPECT_EQ(hex, entry["sha256"].text) << what;
            const std::string notBefore = entry["not_before"].text;
            EXPECT_EQ(manifest.notBefore, notBefore == "null" ? 0u : std::stoull(notBefore)) << what;
        }
    }
    EXPECT_GT(refusedWithAnotherKey, 0) << "the vectors hold one key only";
}

TEST(UpdateDecision, OnlyANewerDueVersionForThisUsersOwnInstallationOutsideALaunch)
{
    UpdateManifest manifest;
    manifest.version = V("1.0.2.0");
    manifest.minimum = V("1.0.0.0");
    manifest.notBefore = 1000;
    UpdateSituation base;
    base.installed = V("1.0.1.0");
    base.now = 2000;
    const auto situation = [&](auto change) {
        UpdateSituation s = base;
        change(s);
        return s;
    };
    const struct {
        const char* what;
        UpdateSituation situation;
        UpdateAction action;
    } cases[] = {
        {"newer, due, this user's", base, UpdateAction::Install},
        {"the same version", situation([](auto& s) { s.installed = V("1.0.2.0"); }), UpdateAction::UpToDate},
        {"an older version", situation([](auto& s) { s.installed = V("1.0.10.0"); }), UpdateAction::UpToDate},
        {"older, even below its minimum",
         situation([](auto& s) { s.installed = V("2.0.0.0"); }), UpdateAction::UpToDate},
        {"installed at the minimum", situation([](auto& s) { s.installed = V("1.0.0.0"); }), UpdateAction::Install},
        {"installed below the minimum", situation([](auto& s) { s.installed = V("0.9.65535.65535"); }),
         UpdateAction::BelowMinimum},
        {"before notbefore", situation([](auto& s) { s.now = 999; }), UpdateAction::NotYet},
        {"at notbefore", situation([](auto& s) { s.now = 1000; }), UpdateAction::Install},
        {"a launch under way", situation([](auto& s) { s.launchUnderWay = true; }), UpdateAction::WaitForLaunch},
        {"for every user, not told", situation([](auto& s) { s.forEveryUser = true; }),
         UpdateAction::ForAdministrator},
        {"for every user, told of an older one",
         situation([](auto& s) {
             s.forEveryUser = true;
             s.told = V("1.0.1.5");
         }),
         UpdateAction::ForAdministrator},
        {"for every user, told of this one",
         situation([](auto& s) {
             s.forEveryUser = true;
             s.told = V("1.0.2.0");
         }),
         UpdateAction::AlreadyTold},
        {"for every user, during a launch",
         situation([](auto& s) {
             s.forEveryUser = true;
             s.launchUnderWay = true;
         }),
         UpdateAction::ForAdministrator},
        {"for every user, before notbefore",
         situation([](auto& s) {
             s.forEveryUser = true;
             s.now = 10;
         }),
         UpdateAction::NotYet},
        {"told, but this user's own", situation([](auto& s) { s.told = V("1.0.2.0"); }), UpdateAction::Install},
        // An installer that ran and did not take is tried again a day later.
        {"its installer ran a while ago", situation([](auto& s) { s.tried = TriedUpdate{V("1.0.2.0"), 1000}; }),
         UpdateAction::TriedLately},
        {"its installer ran just now", situation([](auto& s) { s.tried = TriedUpdate{V("1.0.2.0"), 2000}; }),
         UpdateAction::TriedLately},
        {"its installer ran a day ago",
         situation([](auto& s) {
             s.now = 100000;
             s.tried = TriedUpdate{V("1.0.2.0"), 100000 - UpdateCheckIntervalSeconds};
         }),
         UpdateAction::Install},
        {"another version's installer ran", situation([](auto& s) { s.tried = TriedUpdate{V("1.0.1.5"), 2000}; }),
         UpdateAction::Install},
        {"its installer ran at a time to come (a clock set back)",
         situation([](auto& s) { s.tried = TriedUpdate{V("1.0.2.0"), 5000}; }), UpdateAction::Install},
        {"its installer ran, during a launch",
         situation([](auto& s) {
             s.tried = TriedUpdate{V("1.0.2.0"), 2000};
             s.launchUnderWay = true;
         }),
         UpdateAction::WaitForLaunch},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(static_cast<int>(DecideUpdate(manifest, c.situation)), static_cast<int>(c.action)) << c.what;
    }
}

TEST(UpdateSchedule, OnceADayAndSoonerOnlyForWhatIsDueSooner)
{
    constexpr uint32_t Day = UpdateCheckIntervalSeconds;
    const struct {
        const char* what;
        UpdateOutcome outcome;
        uint64_t notBefore, now;
        uint32_t spread;
        uint32_t delay;
    } cases[] = {
        {"up to date", UpdateOutcome::UpToDate, 0, 5000, 0, Day},
        {"no manifest", UpdateOutcome::NoManifest, 0, 5000, 0, Day},
        {"refused manifest", UpdateOutcome::ManifestRefused, 0, 5000, 0, Day},
        {"failed download", UpdateOutcome::DownloadFailed, 0, 5000, 0, Day},
        {"for the administrator", UpdateOutcome::ForAdministrator, 0, 5000, 0, Day},
        {"an installer that did not take", UpdateOutcome::TriedLately, 0, 5000, 0, Day},
        {"due in two hours", UpdateOutcome::NotYet, 5000 + 7200, 5000, 0, 7200},
        {"due in two hours, spread", UpdateOutcome::NotYet, 5000 + 7200, 5000, 1234, 7200 + 1234},
        {"spread within its bound", UpdateOutcome::NotYet, 5000 + 7200, 5000, NotBeforeSpreadSeconds + 5,
         7200 + 5},
        {"due in a second", UpdateOutcome::NotYet, 5001, 5000, 0, ShortestCheckDelaySeconds},
        {"due in a week", UpdateOutcome::NotYet, 5000 + 7 * uint64_t(Day), 5000, 0, Day},
        {"a launch under way", UpdateOutcome::LaunchUnderWay, 0, 5000, 0, UpdateRetrySeconds},
        {"another check", UpdateOutcome::Busy, 0, 5000, 0, UpdateRetrySeconds},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NextCheckDelaySeconds(c.outcome, c.notBefore, c.now, c.spread), c.delay) << c.what;
    }
}

}  // namespace

#include "update_manifest.h"

#include "link_signature.h"

namespace {

constexpr std::string_view SignatureField = "signature=";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A decimal number as a signer writes it: digits only, no leading zero
// (other than "0" itself), at most `maxDigits` of them.
std::optional<uint64_t> ParseNumber(std::string_view text, size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    if (text.size() > 1 && text[0] == '0') return std::nullopt;
    uint64_t value = 0;
    for (const char c : text) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

std::optional<std::array<uint8_t, 32>> ParseSha256(std::string_view text)
{
    std::array<uint8_t, 32> digest{};
    if (text.size() != 2 * digest.size()) return std::nullopt;
    for (size_t i = 0; i < digest.size(); ++i) {
        const int high = HexValue(text[2 * i]);
        const int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        digest[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return digest;
}

bool IsNameChar(char c) { return (c >= 'a' && c <= 'z') || IsDigit(c) || c == '-'; }

// What may stand in a URL unencoded (RFC 3986's unreserved and reserved
// characters, and "%"): no space, quotation mark, backslash or control byte
// that a client might read otherwise than this check did.
bool IsUrlChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c)) return true;
    return std::string_view("-._~:/?#[]@!$&'()*+,;=%").find(c) != std::string_view::npos;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c; }

// "" or ":" and a port of 1 to 5 digits.
bool IsOptionalPort(std::string_view rest)
{
    if (rest.empty()) return true;
    if (rest[0] != ':' || rest.size() < 2 || rest.size() > 6) return false;
    for (const char c : rest.substr(1)) {
        if (!IsDigit(c)) return false;
    }
    return true;
}

// The loopback hosts the build accepts plain http for, in a form every
// client reads alike.
bool IsLoopbackAuthority(std::string_view authority)
{
    std::string lower;
    for (const char c : authority) lower += Lower(c);
    const std::string_view text = lower;
    for (const std::string_view name : {std::string_view("localhost"), std::string_view("[::1]")}) {
        if (text.substr(0, name.size()) == name) return IsOptionalPort(text.substr(name.size()));
    }
    if (text.substr(0, 4) != "127.") return false;
    size_t at = 4;
    for (int octet = 0; octet < 3; ++octet) {
        const size_t start = at;
        int value = 0;
        while (at < text.size() && IsDigit(text[at]) && at - start < 3) value = value * 10 + (text[at++] - '0');
        if (at == start || value > 255) return false;
        if (octet < 2) {
            if (at >= text.size() || text[at] != '.') return false;
            ++at;
        }
    }
    return IsOptionalPort(text.substr(at));
}

struct Fields {
    std::optional<std::string_view> version, minimum, url, size, sha256, notBefore;

    std::optional<std::string_view>* Named(std::string_view name)
    {
        if (name == "version") return &version;
        if (name == "minimum") return &minimum;
        if (name == "url") return &url;
        if (name == "size") return &size;
        if (name == "sha256") return &sha256;
        if (name == "notbefore") return &notBefore;
        return nullptr;
    }
};

// Splits the body into its named values. A name of no field is skipped
// after its line has passed the same rules.
std::variant<Fields, ManifestError> SplitFields(std::string_view body)
{
    Fields fields;
    while (!body.empty()) {
        const size_t end = body.find('\n');
        if (end == std::string_view::npos) return ManifestError::BadLine;
        std::string_view line = body.substr(0, end);
        body.remove_prefix(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const size_t equals = line.find('=');
        if (equals == 0 || equals == std::string_view::npos) return ManifestError::BadLine;
        const std::string_view name = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        for (const char c : name) {
            if (!IsNameChar(c)) return ManifestError::BadLine;
        }
        for (const char c : value) {
            if (c <= ' ' || c > '~') return ManifestError::BadLine;
        }
        // The signature is the last line, never one of the fields.
        if (name == "signature") return ManifestError::SignatureNotLast;
        std::optional<std::string_view>* field = fields.Named(name);
        if (!field) continue;
        if (*field) return ManifestError::RepeatedField;
        *field = value;
    }
    return fields;
}

}  // namespace

std::optional<FileVersion> ParseFileVersion(std::string_view text)
{
    FileVersion version;
    for (size_t i = 0; i < version.parts.size(); ++i) {
        const size_t dot = text.find('.');
        const bool last = i + 1 == version.parts.size();
        if (last != (dot == std::string_view::npos)) return std::nullopt;
        const std::optional<uint64_t> part = ParseNumber(text.substr(0, dot), 5);
        if (!part || *part > 65535) return std::nullopt;
        version.parts[i] = static_cast<uint16_t>(*part);
        text.remove_prefix(last ? text.size() : dot + 1);
    }
    return version;
}

std::string FileVersionText(const FileVersion& version)
{
    std::string text;
    for (const uint16_t part : version.parts) {
        if (!text.empty()) text += '.';
        text += std::to_string(part);
    }
    return text;
}

const char* ManifestErrorText(ManifestError error)
{
    switch (error) {
    case ManifestError::TooLong: return "longer than the manifest's bound";
    case ManifestError::NoKeys: return "this launcher trusts no portal key";
    case ManifestError::Unsigned: return "no signature line";
    case ManifestError::SignatureNotLast: return "the signature is not the last line";
    case ManifestError::BadSignatureText: return "the signature is not Base64 of 64 bytes";
    case ManifestError::WrongSignature: return "no key of this launcher verifies the signature";
    case ManifestError::BadLine: return "a line is not name=value of printable ASCII";
    case ManifestError::RepeatedField: return "a field appears twice";
    case ManifestError::MissingField: return "a field is missing";
    case ManifestError::BadVersion: return "version is not four numbers";
    case ManifestError::BadMinimum: return "minimum is not four numbers";
    case ManifestError::BadUrl: return "url is neither https nor http on loopback";
    case ManifestError::BadSize: return "size is not a number of bytes";
    case ManifestError::SizeOverLimit: return "size is over the installer's bound";
    case ManifestError::BadSha256: return "sha256 is not 64 hex digits";
    case ManifestError::BadNotBefore: return "notbefore is not a number of seconds";
    }
    return "unknown";
}

bool IsInstallerUrlAllowed(std::string_view url, bool plainHttpForAnyHost)
{
    if (url.empty() || url.size() > InstallerUrlCapacity) return false;
    for (const char c : url) {
        if (!IsUrlChar(c)) return false;
    }
    constexpr std::string_view secure = "https://", plain = "http://";
    const bool isSecure = url.substr(0, secure.size()) == secure;
    if (!isSecure && url.substr(0, plain.size()) != plain) return false;
    const std::string_view rest = url.substr(isSecure ? secure.size() : plain.size());
    const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    // A user part would make "https://portal.example@other.example/" read as
    // one host to a person and as another to the client.
    if (authority.empty() || authority[0] == ':' || authority.find_first_of("@%") != std::string_view::npos) {
        return false;
    }
    return isSecure || plainHttpForAnyHost || IsLoopbackAuthority(authority);
}

ManifestStep ParseManifestFields(std::string_view body, bool plainHttpForAnyHost)
{
    const std::variant<Fields, ManifestError> split = SplitFields(body);
    if (const ManifestError* error = std::get_if<ManifestError>(&split)) return *error;
    const Fields& fields = std::get<Fields>(split);
    if (!fields.version || !fields.minimum || !fields.url || !fields.size || !fields.sha256) {
        return ManifestError::MissingField;
    }
    UpdateManifest manifest;
    const std::optional<FileVersion> version = ParseFileVersion(*fields.version);
    if (!version) return ManifestError::BadVersion;
    manifest.version = *version;
    const std::optional<FileVersion> minimum = ParseFileVersion(*fields.minimum);
    if (!minimum) return ManifestError::BadMinimum;
    manifest.minimum = *minimum;
    if (!IsInstallerUrlAllowed(*fields.url, plainHttpForAnyHost)) return ManifestError::BadUrl;
    manifest.url = std::string(*fields.url);
    const std::optional<uint64_t> size = ParseNumber(*fields.size, 19);
    if (!size || *size == 0) return ManifestError::BadSize;
    if (*size > UpdateSizeLimit) return ManifestError::SizeOverLimit;
    manifest.size = *size;
    const std::optional<std::array<uint8_t, 32>> sha256 = ParseSha256(*fields.sha256);
    if (!sha256) return ManifestError::BadSha256;
    manifest.sha256 = *sha256;
    if (fields.notBefore) {
        const std::optional<uint64_t> notBefore = ParseNumber(*fields.notBefore, 18);
        if (!notBefore) return ManifestError::BadNotBefore;
        manifest.notBefore = *notBefore;
    }
    return manifest;
}

std::string SignedManifestMessage(std::string_view body)
{
    std::string message(UpdateManifestContext);
    message += body;
    return message;
}

ManifestStep ReadUpdateManifest(std::string_view text, const char* const* keys, size_t count,
                                bool plainHttpForAnyHost)
{
    if (text.size() > UpdateManifestCapacity) return ManifestError::TooLong;
    if (count == 0) return ManifestError::NoKeys;
    // The first line that opens with the signature's name is the signature.
    size_t start = text.substr(0, SignatureField.size()) == SignatureField ? 0 : std::string_view::npos;
    if (start == std::string_view::npos) {
        const size_t found = text.find("\n" + std::string(SignatureField));
        if (found == std::string_view::npos) return ManifestError::Unsigned;
        start = found + 1;
    }
    const std::string_view body = text.substr(0, start);
    std::string_view line = text.substr(start + SignatureField.size());
    const size_t end = line.find('\n');
    if (end != std::string_view::npos) {
        if (end + 1 != line.size()) return ManifestError::SignatureNotLast;
        line = line.substr(0, end);
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    unsigned char signature[64];
    if (!DecodeLinkSignature(line, signature)) return ManifestError::BadSignatureText;
    if (!VerifiesWithAnyKey(SignedManifestMessage(body), signature, keys, count)) {
        return ManifestError::WrongSignature;
    }
    return ParseManifestFields(body, plainHttpForAnyHost);
}

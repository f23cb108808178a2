// The update manifest: a short text the portal serves at PortalBaseUrl +
// UpdateManifestPath, naming its newest launcher, and signed with the
// portal's Ed25519 key. The launcher checks it with the keys it checks launch
// links with, under a context of its own: no launch link's signature passes
// for a manifest's, nor the reverse. Portable (no windows.h).
//
//   version=1.0.2.0
//   url=https://games.example/downloads/Zentaris-Setup-1.0.2.0.exe
//   size=1834712
//   sha256=<64 hex digits>
//   minimum=1.0.0.0
//   notbefore=1767225600                      (optional)
//   signature=<Base64 of the 64-byte signature>
//
// The signature covers UpdateManifestContext followed by every byte before
// the signature line, which must be the last. Lines end with LF (CRLF also
// reads). Each field appears once; a field of another name is skipped, so a
// later portal may add fields that older launchers pass over.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// A Windows file version: four numbers of 0 to 65535, compared in order.
struct FileVersion {
    std::array<uint16_t, 4> parts{};

    friend bool operator==(const FileVersion& a, const FileVersion& b) { return a.parts == b.parts; }
    friend bool operator!=(const FileVersion& a, const FileVersion& b) { return a.parts != b.parts; }
    friend bool operator<(const FileVersion& a, const FileVersion& b) { return a.parts < b.parts; }
    friend bool operator<=(const FileVersion& a, const FileVersion& b) { return a.parts <= b.parts; }
    friend bool operator>(const FileVersion& a, const FileVersion& b) { return a.parts > b.parts; }
    friend bool operator>=(const FileVersion& a, const FileVersion& b) { return a.parts >= b.parts; }
};

// "a.b.c.d", each a decimal number of 0 to 65535 without leading zeros.
std::optional<FileVersion> ParseFileVersion(std::string_view text);
std::string FileVersionText(const FileVersion& version);

// Precedes the signed bytes; the launch link's context is another text.
inline constexpr std::string_view UpdateManifestContext{"zentaris update manifest v1\0", 28};
// The manifest's whole text, signature line included, at most.
inline constexpr size_t UpdateManifestCapacity = 4096;
// The installer the manifest names, at most (64 MiB).
inline constexpr uint64_t UpdateSizeLimit = 64 * 1024 * 1024;
// The installer's URL, at most.
inline constexpr size_t InstallerUrlCapacity = 2048;

struct UpdateManifest {
    FileVersion version;       // the newest launcher
    FileVersion minimum;       // installations older than this do not update to it
    std::string url;           // its installer
    uint64_t size = 0;         // the installer's exact size
    std::array<uint8_t, 32> sha256{};
    uint64_t notBefore = 0;    // seconds since 1970 (UTC) before which nobody updates; 0 for none
};

enum class ManifestError {
    TooLong,            // more than UpdateManifestCapacity bytes
    NoKeys,             // this launcher trusts no key: no manifest can be checked
    Unsigned,           // no signature line
    SignatureNotLast,   // a line follows the signature
    BadSignatureText,   // not the Base64 of 64 bytes
    WrongSignature,     // no key of this launcher verifies it
    BadLine,            // not name=value of printable ASCII, ended by a line end
    RepeatedField,
    MissingField,
    BadVersion,
    BadMinimum,
    BadUrl,             // not https, nor http on loopback; or not a plain URL
    BadSize,
    SizeOverLimit,
    BadSha256,
    BadNotBefore,
};
// A few words for the log.
const char* ManifestErrorText(ManifestError error);

using ManifestStep = std::variant<UpdateManifest, ManifestError>;

// The fields of a signed body (the text before the signature line).
// `plainHttpForAnyHost`: the build took plain http portal addresses beyond
// loopback (AllowPlainHttpPortal), so the installer's URL may be one too.
ManifestStep ParseManifestFields(std::string_view body, bool plainHttpForAnyHost);

// The whole text as served: its size, its signature against `keys` (Base64
// Ed25519 public keys, `count` of them, as the launch links' list), then its
// fields. Nothing of an unsigned text is read beyond its signature line.
ManifestStep ReadUpdateManifest(std::string_view text, const char* const* keys, size_t count,
                                bool plainHttpForAnyHost);

// What a signer signs for `body`: the context, then the body.
std::string SignedManifestMessage(std::string_view body);

// The installer's URL rule, that of the build's portal addresses: https, or
// http for loopback only (127.x.x.x, localhost, [::1], an optional port),
// unless `plainHttpForAnyHost`; no user part, nothing but URL characters,
// at most InstallerUrlCapacity bytes.
bool IsInstallerUrlAllowed(std::string_view url, bool plainHttpForAnyHost);

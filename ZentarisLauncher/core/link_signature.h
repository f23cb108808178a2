// Signed launch links: the portal signs the six fields of a link with its
// Ed25519 key, and the launcher takes a link only when one of the public keys
// it was built with verifies that signature. The approval id is among the
// signed fields, so a page cannot pair an approval with fields of its own.
// Portable.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "launch_info.h"

// Fixed text that precedes the fields, so that a signature made for
// anything else never passes for a launch link's.
inline constexpr std::string_view LinkSignatureContext{"zentaris launch link v1\0", 24};

// What the portal signs: the context, then the six fields in payload order
// joined with ";" (fields never hold one), exactly as decoded. Empty when a
// field is missing.
std::string SignedLinkMessage(const LaunchInfo& info);

// The 64 bytes of a signature written in Base64, standard or URL-safe
// alphabet, padded or not. False for anything else.
bool DecodeLinkSignature(std::string_view text, unsigned char (&signature)[64]);

// True when the link carries a signature that one of `keys` (Base64 Ed25519
// public keys, `count` of them) verifies. A key that does not decode is
// skipped.
bool HasValidLinkSignature(const LaunchInfo& info, const char* const* keys, size_t count);

// True when one of `keys` verifies `signature` over `message`, which must
// open with a context of its own (as SignedLinkMessage does), so that
// nothing signed for one purpose passes for another. Keys as above.
bool VerifiesWithAnyKey(std::string_view message, const unsigned char (&signature)[64], const char* const* keys,
                        size_t count);

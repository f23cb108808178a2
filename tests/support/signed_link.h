// Launch links signed with this build's generated portal key, the way the
// sample portal signs them, for tests that drive the real launcher.
#pragma once

#include <sodium.h>

#include <string>

#include "base64_encode.h"
#include "link_signature.h"
#include "link_signing_seed.h"

namespace signedlink {

// Base64 signature of the six fields joined with ";" (payload order).
inline std::string Signature(const std::string& joinedFields)
{
    static const bool ready = sodium_init() >= 0;
    if (!ready) return {};
    unsigned char seed[crypto_sign_SEEDBYTES];
    size_t seedLength = 0;
    const std::string seedText = zentaris_test::LinkSigningSeed;
    if (sodium_base642bin(seed, sizeof seed, seedText.data(), seedText.size(), nullptr, &seedLength, nullptr,
                          sodium_base64_VARIANT_ORIGINAL) != 0 ||
        seedLength != sizeof seed) {
        return {};
    }
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    crypto_sign_seed_keypair(publicKey, secretKey, seed);
    const std::string message = std::string(LinkSignatureContext) + joinedFields;
    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                         secretKey);
    return Base64Encode(std::string(reinterpret_cast<const char*>(signature), sizeof signature));
}

// "zentaris://launch/" + Base64 of the fields and their signature.
inline std::string LaunchUrl(const std::string& joinedFields)
{
    return "zentaris://launch/" + Base64Encode(joinedFields + ";" + Signature(joinedFields));
}

}  // namespace signedlink

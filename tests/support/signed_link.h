// Launch links signed with this build's generated portal key, the way the
// sample portal signs them, for tests that drive the real launcher. The
// secret seed is read from its file as the test runs (the test runner names
// it in ZEN_SIGNING_SEED); no program is built with it.
#pragma once

#include <sodium.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "base64_encode.h"
#include "link_signature.h"

namespace signedlink {

// The seed file named by ZEN_SIGNING_SEED. Under Wine the runner's Linux
// path is reached through drive Z:, the Linux root.
inline std::string SeedPath()
{
    const char* named = std::getenv("ZEN_SIGNING_SEED");
    if (!named || !*named) return {};
    std::string path = named;
#ifdef _WIN32
    if (path[0] == '/') {
        path = "Z:" + path;
        for (char& c : path) c = c == '/' ? '\\' : c;
    }
#endif
    return path;
}

// The Base64 text of the seed, without the line break; empty (and said
// once on stderr) where there is none: a build with the portal's own keys
// cannot sign test links, and its tests that need them fail.
inline std::string SeedText()
{
    static const std::string text = [] {
        const std::string path = SeedPath();
        std::ifstream in(path, std::ios::binary);
        std::string read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        while (!read.empty() && std::isspace(static_cast<unsigned char>(read.back()))) read.pop_back();
        if (read.empty()) {
            std::fprintf(stderr, "signed links: no demo signing seed (ZEN_SIGNING_SEED=\"%s\"); links stay unsigned\n",
                         path.c_str());
        }
        return read;
    }();
    return text;
}

// Base64 Ed25519 signature of `message` with the seed given as Base64;
// empty when the seed is not 32 bytes of Base64.
inline std::string SignedWith(const std::string& seedText, const std::string& message)
{
    static const bool ready = sodium_init() >= 0;
    if (!ready) return {};
    unsigned char seed[crypto_sign_SEEDBYTES];
    size_t seedLength = 0;
    if (sodium_base642bin(seed, sizeof seed, seedText.data(), seedText.size(), nullptr, &seedLength, nullptr,
                          sodium_base64_VARIANT_ORIGINAL) != 0 ||
        seedLength != sizeof seed) {
        return {};
    }
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    crypto_sign_seed_keypair(publicKey, secretKey, seed);
    sodium_memzero(seed, sizeof seed);
    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                         secretKey);
    sodium_memzero(secretKey, sizeof secretKey);
    return Base64Encode(std::string(reinterpret_cast<const char*>(signature), sizeof signature));
}

// Base64 signature of the six fields joined with ";" (payload order).
inline std::string Signature(const std::string& joinedFields)
{
    return SignedWith(SeedText(), std::string(LinkSignatureContext) + joinedFields);
}

// "zentaris://launch/" + Base64 of the fields and their signature.
inline std::string LaunchUrl(const std::string& joinedFields)
{
    return "zentaris://launch/" + Base64Encode(joinedFields + ";" + Signature(joinedFields));
}

}  // namespace signedlink

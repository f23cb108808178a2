#include "link_signature.h"

// Only Base64 decoding, Ed25519 verification and SHA-256 are used of
// libsodium (here and in the update check): they keep no state and choose no
// implementation at run time, so sodium_init is not called. It readies every
// other primitive for this processor, and would link them all in (some
// 75 KiB of ciphers, password hashing and key exchange the launcher never
// runs).
#include <sodium.h>

#include <iterator>

namespace {

// Base64 of an exact number of bytes in any of the four spellings a portal
// may produce.
bool DecodeExact(std::string_view text, unsigned char* out, size_t size)
{
    const int variants[] = {sodium_base64_VARIANT_ORIGINAL, sodium_base64_VARIANT_ORIGINAL_NO_PADDING,
                            sodium_base64_VARIANT_URLSAFE, sodium_base64_VARIANT_URLSAFE_NO_PADDING};
    for (const int variant : variants) {
        size_t decoded = 0;
        const char* end = nullptr;
        if (sodium_base642bin(out, size, text.data(), text.size(), nullptr, &decoded, &end, variant) == 0 &&
            decoded == size && end == text.data() + text.size()) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string SignedLinkMessage(const LaunchInfo& info)
{
    const std::optional<std::string>* const fields[] = {&info.appname, &info.installkey, &info.installvalue,
                                                        &info.exename, &info.weblink,    &info.approvalid};
    std::string message(LinkSignatureContext);
    for (size_t i = 0; i < std::size(fields); ++i) {
        if (!*fields[i]) return {};
        if (i > 0) message += ';';
        message += **fields[i];
    }
    return message;
}

bool DecodeLinkSignature(std::string_view text, unsigned char (&signature)[64])
{
    return DecodeExact(text, signature, sizeof signature);
}

bool HasValidLinkSignature(const LaunchInfo& info, const char* const* keys, size_t count)
{
    if (!info.signature) return false;
    unsigned char signature[crypto_sign_BYTES];
    static_assert(sizeof signature == 64, "an Ed25519 signature");
    if (!DecodeLinkSignature(*info.signature, signature)) return false;
    const std::string message = SignedLinkMessage(info);
    if (message.empty()) return false;
    return VerifiesWithAnyKey(message, signature, keys, count);
}

bool VerifiesWithAnyKey(std::string_view message, const unsigned char (&signature)[64], const char* const* keys,
                        size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        unsigned char key[crypto_sign_PUBLICKEYBYTES];
        if (!keys[i] || !DecodeExact(keys[i], key, sizeof key)) continue;
        if (crypto_sign_verify_detached(signature, reinterpret_cast<const unsigned char*>(message.data()),
                                        message.size(), key) == 0) {
            return true;
        }
    }
    return false;
}

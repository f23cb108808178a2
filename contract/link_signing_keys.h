// The portal public keys (Base64 Ed25519) whose signatures make a launch
// link valid. The program's link decides which: zen_signing_keys holds the
// build setting LaunchSigningKeys, zen_signing_keys_none holds none (the
// launcher then takes unsigned links).
#pragma once

#include <cstddef>

namespace zentaris {

struct LinkSigningKeyList {
    const char* const* keys;
    size_t count;  // 0: unsigned links are taken
};

LinkSigningKeyList LinkSigningKeys();

}  // namespace zentaris

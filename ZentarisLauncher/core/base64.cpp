#include "base64.h"

#include <cstdlib>

namespace {

// 6-bit value of an alphabet character, -1 for everything else.
int AlphabetValue(unsigned char c)
{
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

char* Base64Decode(const char* text, size_t length, size_t* decodedLength)
{
    // Four characters make at most three bytes, so length + 1 always has
    // room for the bytes and the closing NUL.
    auto* out = static_cast<unsigned char*>(std::malloc(length + 1));
    if (!out) return nullptr;

    size_t accepted = 0;  // alphabet characters seen so far
    size_t done = 0;      // completed output bytes
    bool stoppedAtPad = false;
    for (size_t i = 0; i < length && text[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '=') {
            stoppedAtPad = true;
            break;
        }
        const int v = AlphabetValue(c);
        if (v < 0) continue;
        switch (accepted % 4) {
        case 0:
            out[done] = static_cast<unsigned char>(v << 2);
            break;
        case 1:
            out[done++] |= static_cast<unsigned char>(v >> 4);
            out[done] = static_cast<unsigned char>((v & 0x0F) << 4);
            break;
        case 2:
            out[done++] |= static_cast<unsigned char>(v >> 2);
            out[done] = static_cast<unsigned char>((v & 0x03) << 6);
            break;
        case 3:
            out[done++] |= static_cast<unsigned char>(v);
            break;
        }
        ++accepted;
    }

    if (stoppedAtPad && accepted % 4 == 1) {
        std::free(out);
        return nullptr;
    }
    out[done] = '\0';  // also drops a byte that was started but not completed
    if (decodedLength) *decodedLength = done;
    return reinterpret_cast<char*>(out);
}

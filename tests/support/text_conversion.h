// UTF-8 and UTF-16 text for tests: traces, expected values and platform
// calls. Portable; the std::wstring forms exist where wchar_t is UTF-16.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace testsupport {

namespace detail {

// An unpaired surrogate becomes '?', so a trace of hostile text still prints.
template <class Char>
std::string ToUtf8(std::basic_string_view<Char> text)
{
    static_assert(sizeof(Char) == 2, "UTF-16 code units");
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint16_t>(text[i]);
        const bool high = c >= 0xD800 && c < 0xDC00;
        if (high && i + 1 < text.size() && (static_cast<uint16_t>(text[i + 1]) & 0xFC00) == 0xDC00) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint16_t>(text[++i]) - 0xDC00);
        } else if (c >= 0xD800 && c < 0xE000) {
            out += '?';
            continue;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        const int tail = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        static const unsigned char lead[] = {0, 0xC0, 0xE0, 0xF0};
        out += static_cast<char>(lead[tail] | (c >> (6 * tail)));
        for (int k = tail - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
    }
    return out;
}

// A byte that starts no valid sequence becomes U+FFFD.
template <class Char>
std::basic_string<Char> FromUtf8(std::string_view text)
{
    static_assert(sizeof(Char) == 2, "UTF-16 code units");
    std::basic_string<Char> out;
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const int tail = byte < 0x80 ? 0 : (byte & 0xE0) == 0xC0 ? 1 : (byte & 0xF0) == 0xE0 ? 2 : (byte & 0xF8) == 0xF0 ? 3 : -1;
        uint32_t c = tail == 0 ? byte : tail == 1 ? byte & 0x1F : tail == 2 ? byte & 0x0F : byte & 0x07;
        bool valid = tail >= 0 && i + tail < text.size();
        for (int k = 1; valid && k <= tail; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!valid) {
            out += static_cast<Char>(0xFFFD);
            ++i;
            continue;
        }
        i += tail + 1;
        if (c >= 0x10000) {
            out += static_cast<Char>(0xD800 + ((c - 0x10000) >> 10));
            c = 0xDC00 + ((c - 0x10000) & 0x3FF);
        }
        out += static_cast<Char>(c);
    }
    return out;
}

}  // namespace detail

inline std::string Narrow(std::u16string_view text) { return detail::ToUtf8(text); }
inline std::u16string Widen16(std::string_view text) { return detail::FromUtf8<char16_t>(text); }

#ifdef _WIN32
inline std::string Narrow(std::wstring_view text) { return detail::ToUtf8(text); }
inline std::wstring Widen(std::string_view text) { return detail::FromUtf8<wchar_t>(text); }
#endif

}  // namespace testsupport

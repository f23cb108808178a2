// UTF-16 and UTF-8 text for tests: traces, expected values and platform
// calls. Narrow is portable; Widen exists where wchar_t is UTF-16.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

namespace testsupport {

// UTF-16 to UTF-8. An unpaired surrogate becomes '?', so that a trace of
// hostile text still prints.
template <class Char>
std::string NarrowUtf16(std::basic_string_view<Char> text)
{
    static_assert(sizeof(Char) == 2, "UTF-16 code units");
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint16_t>(text[i]);
        const bool high = c >= 0xD800 && c < 0xDC00;
        if (high && i + 1 < text.size() && (static_cast<uint16_t>(text[i + 1]) & 0xFC00) == 0xDC00) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint16_t>(text[++i]) - 0xDC00);
        } else if (c >= 0xD800 && c < 0xE000) {
            c = '?';
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

inline std::string Narrow(std::u16string_view text) { return NarrowUtf16(text); }

#ifdef _WIN32
inline std::string Narrow(std::wstring_view text) { return NarrowUtf16(text); }

// UTF-8 to UTF-16.
inline std::wstring Widen(std::string_view text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}
#endif

}  // namespace testsupport

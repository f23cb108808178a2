// ASCII classification and case folding, independent of the C locale: the
// launcher's grammars compare bytes, whatever code page the user runs, and
// the protocol handler's compare UTF-16 units the same way.
#pragma once

#include <string_view>

namespace zentaris {

namespace ascii_detail {

// One fold for every character type: only 'A' to 'Z' change, so UTF-16 text
// (URLs, registry scripts) compares as bytes do.
template <class Char>
constexpr Char Lower(Char c)
{
    return (c >= Char('A') && c <= Char('Z')) ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

template <class Char>
constexpr bool Equal(std::basic_string_view<Char> a, std::basic_string_view<Char> b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

}  // namespace ascii_detail

constexpr char AsciiLower(char c) { return ascii_detail::Lower(c); }
constexpr char16_t AsciiLower(char16_t c) { return ascii_detail::Lower(c); }

constexpr bool IsAsciiAlpha(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

constexpr bool IsAsciiAlnum(char c)
{
    return IsAsciiAlpha(c) || (c >= '0' && c <= '9');
}

constexpr bool IsAsciiControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return ascii_detail::Equal(a, b);
}

constexpr bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b)
{
    return ascii_detail::Equal(a, b);
}

constexpr bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

constexpr bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() &&
           EqualsIgnoringAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace zentaris

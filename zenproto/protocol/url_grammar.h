// What a "zentaris:" URL asks for, decided without the platform. URLs are
// UTF-16 as the browser hands them over; positions count UTF-16 units.
#pragma once

#include <cstddef>
#include <string_view>

namespace zenproto {

enum class UrlCommand {
    NoScheme,        // empty, or ':' only: nothing to answer
    WrongScheme,     // 101
    BadSyntax,       // 102: "zentaris" not followed by "://"
    VersionTooHigh,  // 100: install check for a version above the highest
    InstallCheck,
    Launch,          // any other command, the empty one included
};

// Newest page version this handler serves an install check for.
inline constexpr int HighestInstallCheckVersion = 1001;

UrlCommand ClassifyUrl(std::u16string_view url);

// The text as the runtime's _wtoi reads it: leading white space, an optional
// sign, decimal digits up to the first other unit; 0 without digits. Values
// beyond the int range give INT_MAX or INT_MIN, as the runtime documents.
int WideToInt(std::u16string_view text);

// The launcher's argument: the URL up to, not including, its first space.
std::u16string_view LaunchArgument(std::u16string_view url);

}  // namespace zenproto

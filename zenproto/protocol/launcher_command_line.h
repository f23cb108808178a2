// The launcher's command line and the launcher path it is built from,
// decided without the platform.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace zenproto {

// Units of the path buffer, terminator included: a stored path may have at
// most 1047 characters.
inline constexpr size_t LauncherPathCapacity = 1048;

// Longest command line a process can be started with, terminator included.
inline constexpr size_t CommandLineCapacity = 32767;

// Length of the path held in `unitsRead` units of registry data read into a
// buffer of `capacity` units: its characters up to the first NUL, or all of
// them. Empty when the path would leave no room for its terminator.
std::optional<size_t> LauncherPathLength(const char16_t* data, size_t unitsRead, size_t capacity);

// Units of "\"path\" argument" without its terminator.
size_t LaunchCommandLineLength(std::u16string_view path, std::u16string_view argument);

// Writes "\"path\" argument" and a terminator into `out`, which holds at
// least LaunchCommandLineLength(path, argument) + 1 units.
void FormatLaunchCommandLine(std::u16string_view path, std::u16string_view argument, char16_t* out);

// Whether the command line for this path and argument fits what a process
// can be started with. A line that does not fit is not started cut short: a
// cut launch URL could name a different game.
inline bool LaunchCommandLineFits(std::u16string_view path, std::u16string_view argument)
{
    return LaunchCommandLineLength(path, argument) < CommandLineCapacity;
}

}  // namespace zenproto

// The one way the launcher reads a text value from the registry: values are
// written by other software too, so each reader states how much it accepts
// and whether the stored bytes must leave room for a terminator.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

enum class TerminatorRule {
    // The stored bytes may fill the limit without a NUL: the text is all of them.
    MayBeMissing,
    // A value that fills the limit without a NUL would have to be cut, and is
    // refused: a shortened command line or folder must not be used.
    MustFit,
};

// The value's text: its bytes up to the first NUL, never beyond the stored
// size; the value's type is not looked at. Nothing when the value is missing
// or unreadable, or stored with more than `maxBytes` bytes (0: any size).
std::optional<std::string> ReadRegistryText(HKEY key, const char* name, size_t maxBytes, TerminatorRule rule);

// Whether the key has the value at all, whatever its type and size.
bool HasRegistryValue(HKEY key, const char* name);

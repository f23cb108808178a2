#include "registry_text.h"

#include <cstring>
#include <memory>
#include <new>

#include "game_location.h"

std::optional<std::string> ReadRegistryText(HKEY key, const char* name, size_t maxBytes, TerminatorRule rule)
{
    DWORD stored = 0;
    if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &stored) != ERROR_SUCCESS) return std::nullopt;
    if (maxBytes != 0 && stored > maxBytes) return std::nullopt;
    std::unique_ptr<char[]> data(new (std::nothrow) char[stored ? stored : 1]);
    if (!data) return std::nullopt;
    DWORD read = stored;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.get()), &read) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    // The value may have changed between the two calls; trust neither more
    // than the block holds.
    const size_t size = read < stored ? read : stored;
    const bool terminated = std::memchr(data.get(), '\0', size) != nullptr;
    if (!terminated && rule == TerminatorRule::MustFit && maxBytes != 0 && size >= maxBytes) return std::nullopt;
    return InstallValueText(data.get(), size);
}

bool HasRegistryValue(HKEY key, const char* name)
{
    DWORD size = 0;
    return RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

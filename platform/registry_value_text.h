// How every registry text is read from its stored bytes. Portable, so that
// the rule is tested on the host.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace zentaris {

// A registry text as stored (an installation folder among them): the value's
// bytes up to the first NUL and never beyond the stored size, whatever the
// value's type.
inline std::string RegistryValueText(const char* data, size_t size)
{
    if (!data) return {};
    const void* nul = std::memchr(data, '\0', size);
    return std::string(data, nul ? static_cast<const char*>(nul) - data : size);
}

}  // namespace zentaris

// Lengths laid out in pixels at 96 DPI (100 %), at another display scale.
// Portable: the placement arithmetic uses it on the host too.
#pragma once

#include <cstdint>

namespace zentaris {

inline constexpr uint32_t BaseDpi = 96;

// Rounded to the nearest pixel, so that 96 DPI gives every length back as
// it was laid out.
constexpr int32_t ScaleForDpi(int32_t length, uint32_t dpi)
{
    return static_cast<int32_t>((static_cast<int64_t>(length) * dpi + BaseDpi / 2) / BaseDpi);
}

}  // namespace zentaris

// Screenshots for tests and the demo, taken inside the Wine desktop.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// 24-bit pixels (blue, green, red), rows bottom-up and padded to four bytes,
// as a BMP file holds them.
struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rows;
    size_t Stride() const { return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3}; }
};

// An area of the screen (the whole screen when empty); nothing when the
// screen cannot be read.
std::optional<ScreenImage> CaptureScreen(RECT area = {});

bool WriteBmp(const std::string& path, const ScreenImage& image);

}  // namespace testsupport

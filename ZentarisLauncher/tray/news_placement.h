// Where the news popup goes, given the taskbar's and the desktop's
// rectangles. Free of windows.h so that it is tested on the host.
#pragma once

#include <cstdint>

struct NewsRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct NewsPlacement {
    bool move = false;  // false: keep the template's place and size
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

inline constexpr int32_t NewsPopupWidth = 288;   // image 268 + 10 on each side
inline constexpr int32_t NewsPopupHeight = 99;   // image 79 + 10 above and below
inline constexpr int32_t NewsImageX = 10;        // image origin, window coordinates
inline constexpr int32_t NewsImageY = 10;
inline constexpr int32_t NewsImageWidth = 268;
inline constexpr int32_t NewsImageHeight = 79;

// The first rule that applies: an all-zero taskbar keeps the popup where it
// is; otherwise it sits 10 pixels inside the taskbar's corner nearest the
// notification area (bottom, right, left reaching below the desktop, top).
// The sizes above and the 10 pixels are for 96 DPI; at another `dpi` the
// popup and its distance scale with it.
NewsPlacement PlaceNewsPopup(const NewsRect& taskbar, const NewsRect& desktop, uint32_t dpi = 96);

#include "news_placement.h"

#include <limits>

namespace {

constexpr int32_t Gap = 10;
constexpr int32_t LeftOf = NewsPopupWidth + Gap;   // 298: right edge 10 px left of x
constexpr int32_t Above = NewsPopupHeight + Gap;   // 109: bottom edge 10 px above y

// The shell's rectangles are trusted to be sane, but an absurd one must not
// overflow: the result is held to what a window position can be.
int32_t Offset(int32_t value, int32_t delta)
{
    const int64_t sum = static_cast<int64_t>(value) + delta;
    if (sum > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (sum < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(sum);
}

NewsPlacement At(int32_t x, int32_t y)
{
    NewsPlacement p;
    p.move = true;
    p.x = x;
    p.y = y;
    p.width = NewsPopupWidth;
    p.height = NewsPopupHeight;
    return p;
}

}  // namespace

NewsPlacement PlaceNewsPopup(const NewsRect& t, const NewsRect& d)
{
    if (t.left == 0 && t.top == 0 && t.right == 0 && t.bottom == 0) return NewsPlacement{};
    if (t.top > 0) return At(Offset(t.right, -LeftOf), Offset(t.top, -Above));        // bottom
    if (t.left > 0) return At(Offset(t.left, -LeftOf), Offset(t.bottom, -Above));     // right
    if (t.bottom > d.bottom) return At(Offset(t.right, Gap), Offset(t.bottom, -Above)); // left
    return At(Offset(t.right, -LeftOf), Offset(t.bottom, Gap));                       // top
}

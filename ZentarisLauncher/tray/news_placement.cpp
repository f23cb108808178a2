#include "news_placement.h"

#include <limits>

#include "display_scale.h"

namespace {

constexpr int32_t Gap = 10;

// The shell's rectangles are trusted to be sane, but an absurd one must not
// overflow: the result is held to what a window position can be.
int32_t Offset(int32_t value, int32_t delta)
{
    const int64_t sum = static_cast<int64_t>(value) + delta;
    if (sum > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (sum < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(sum);
}

struct Scaled {
    int32_t gap, width, height;
    explicit Scaled(uint32_t dpi)
        : gap(zentaris::ScaleForDpi(Gap, dpi)),
          width(zentaris::ScaleForDpi(NewsPopupWidth, dpi)),
          height(zentaris::ScaleForDpi(NewsPopupHeight, dpi))
    {
    }
    int32_t leftOf() const { return width + gap; }   // right edge a gap left of x
    int32_t above() const { return height + gap; }   // bottom edge a gap above y
};

NewsPlacement At(const Scaled& s, int32_t x, int32_t y)
{
    NewsPlacement p;
    p.move = true;
    p.x = x;
    p.y = y;
    p.width = s.width;
    p.height = s.height;
    return p;
}

}  // namespace

NewsPlacement PlaceNewsPopup(const NewsRect& t, const NewsRect& d, uint32_t dpi)
{
    if (t.left == 0 && t.top == 0 && t.right == 0 && t.bottom == 0) return NewsPlacement{};
    const Scaled s(dpi);
    if (t.top > 0) return At(s, Offset(t.right, -s.leftOf()), Offset(t.top, -s.above()));          // bottom
    if (t.left > 0) return At(s, Offset(t.left, -s.leftOf()), Offset(t.bottom, -s.above()));       // right
    if (t.bottom > d.bottom) return At(s, Offset(t.right, s.gap), Offset(t.bottom, -s.above()));   // left
    return At(s, Offset(t.right, -s.leftOf()), Offset(t.bottom, s.gap));                            // top
}

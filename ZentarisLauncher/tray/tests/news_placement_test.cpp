#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "news_placement.h"

namespace {

TEST(NewsPlacement, PopupSitsTenPixelsInsideTheTaskbarCorner)
{
    const NewsRect desktop{0, 0, 1280, 1024};
    const struct {
        const char* taskbar;
        NewsRect rect;
        int32_t x, y;
    } cases[] = {
        {"bottom", {-2, 994, 1282, 1026}, 984, 885},
        {"right", {1218, -2, 1282, 1026}, 920, 917},
        {"left, reaching below the desktop", {-2, -2, 62, 1026}, 72, 917},
        {"top", {-2, -2, 1282, 30}, 984, 40},
        {"Wine's one-pixel strip", {0, 1023, 1280, 1024}, 982, 914},
        // Strict comparisons: ending on the desktop's bottom edge counts as top.
        {"left, ending at the desktop's bottom", {0, 0, 62, 1024}, -236, 1034},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.taskbar);
        const NewsPlacement p = PlaceNewsPopup(c.rect, desktop);
        EXPECT_TRUE(p.move);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
        EXPECT_EQ(p.width, 288);
        EXPECT_EQ(p.height, 99);
    }
    // At 150 % (144 DPI) the popup and its distance grow by half, rounded:
    // 432 x 149 (148.5), 15 from the corner; at 96 DPI nothing changes.
    const NewsPlacement scaled = PlaceNewsPopup({-2, 994, 1282, 1026}, desktop, 144);
    EXPECT_EQ(scaled.width, 432);
    EXPECT_EQ(scaled.height, 149);
    EXPECT_EQ(scaled.x, 1282 - 432 - 15);
    EXPECT_EQ(scaled.y, 994 - 149 - 15);
    const NewsPlacement same = PlaceNewsPopup({-2, 994, 1282, 1026}, desktop, 96);
    EXPECT_EQ(same.x, 984);
    EXPECT_EQ(same.y, 885);
    EXPECT_FALSE(PlaceNewsPopup(NewsRect{}, desktop).move) << "all-zero taskbar: template place";
    EXPECT_TRUE(PlaceNewsPopup(NewsRect{0, 0, 0, 1}, desktop).move);
    // Absurd rectangles are held to the coordinate range instead of overflowing.
    constexpr int32_t Min = std::numeric_limits<int32_t>::min();
    constexpr int32_t Max = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(PlaceNewsPopup(NewsRect{0, 5, Min + 3, 9}, desktop).x, Min);
    EXPECT_EQ(PlaceNewsPopup(NewsRect{-1, -1, 10, Max - 1}, NewsRect{0, 0, 10, Max}).y, Max);
}

}  // namespace

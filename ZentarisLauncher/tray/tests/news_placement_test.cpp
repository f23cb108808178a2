#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "news_placement.h"

namespace {

const NewsRect Desktop1280{0, 0, 1280, 1024};

struct PlacementCase {
    const char* taskbar;
    NewsRect rect;
    NewsRect desktop;
    int32_t x, y;
};

TEST(NewsPlacement, PopupSitsTenPixelsInsideTheTaskbarCorner)
{
    const PlacementCase cases[] = {
        {"bottom", {-2, 994, 1282, 1026}, Desktop1280, 984, 885},
        {"right", {1218, -2, 1282, 1026}, Desktop1280, 920, 917},
        {"left reaching below the desktop", {-2, -2, 62, 1026}, Desktop1280, 72, 917},
        {"top", {-2, -2, 1282, 30}, Desktop1280, 984, 40},
        // Wine answers a one-pixel strip along the bottom edge.
        {"one-pixel strip at the bottom", {0, 1023, 1280, 1024}, Desktop1280, 982, 914},
        // Strict comparisons: a left taskbar that ends on the desktop's bottom
        // edge is taken for one at the top.
        {"left ending at the desktop's bottom", {0, 0, 62, 1024}, Desktop1280, -236, 1034},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.taskbar);
        const NewsPlacement p = PlaceNewsPopup(c.rect, c.desktop);
        EXPECT_TRUE(p.move);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
        EXPECT_EQ(p.width, 288);
        EXPECT_EQ(p.height, 99);
    }
}

TEST(NewsPlacement, UnknownTaskbarKeepsTheTemplatePlace)
{
    EXPECT_FALSE(PlaceNewsPopup(NewsRect{}, Desktop1280).move);
    EXPECT_FALSE(PlaceNewsPopup(NewsRect{}, NewsRect{}).move);
    // One non-zero edge is a known position.
    EXPECT_TRUE(PlaceNewsPopup(NewsRect{0, 0, 0, 1}, Desktop1280).move);
}

TEST(NewsPlacement, AbsurdRectanglesAreHeldToTheCoordinateRange)
{
    constexpr int32_t Max = std::numeric_limits<int32_t>::max();
    constexpr int32_t Min = std::numeric_limits<int32_t>::min();
    NewsPlacement p = PlaceNewsPopup(NewsRect{0, 5, Min + 3, Min + 1}, Desktop1280);
    EXPECT_EQ(p.x, Min);
    EXPECT_EQ(p.y, -104);
    p = PlaceNewsPopup(NewsRect{-1, -1, Max - 2, Max}, NewsRect{0, 0, 10, 10});  // left edge
    EXPECT_EQ(p.x, Max);
    EXPECT_EQ(p.y, Max - 109);
    p = PlaceNewsPopup(NewsRect{-1, -1, 10, Max - 1}, NewsRect{0, 0, 10, Max});  // top
    EXPECT_EQ(p.y, Max);
}

}  // namespace

#include "app/window_geometry.h"

#include <gtest/gtest.h>

namespace {

struct CentringCase {
    const char* what;
    int screenWidth, screenHeight;
    int windowWidth, windowHeight;  // outer size
    int x, y;
};

// 766 x 560 is the outer size of the 760 x 535 client area with a thin
// caption frame, as Wine's default theme gives it.
const CentringCase centringCases[] = {
    {"fits on a 1024 x 768 screen", 1024, 768, 766, 560, 129, 104},
    {"fits on a full HD screen", 1920, 1080, 766, 560, 577, 260},
    {"odd leftover rounds down", 1025, 769, 766, 560, 129, 104},
    {"exactly the screen's size", 766, 560, 766, 560, 0, 0},
    {"larger than the screen", 640, 480, 766, 560, 0, 0},
    {"wider only", 700, 768, 766, 560, 0, 104},
    {"taller only", 1024, 500, 766, 560, 129, 0},
};

TEST(WindowGeometry, CentresByOuterSizeAndPinsAnOversizeAxisToZero) {
    for (const CentringCase& c : centringCases) {
        WindowPosition position =
            centredPosition(c.screenWidth, c.screenHeight, c.windowWidth, c.windowHeight);
        EXPECT_EQ(position.x, c.x) << c.what;
        EXPECT_EQ(position.y, c.y) << c.what;
    }
}

}  // namespace

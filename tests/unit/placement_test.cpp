#include "app/placement.h"

#include <gtest/gtest.h>

namespace {

// Both steps, as the window is placed when it is created.
WindowBox keptOnScreen(WindowBox window) {
    return sizeToScreen(positionOnScreen(window, 1920, 1080), 1920, 1080);
}

void expectBox(WindowBox actual, WindowBox expected) {
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.width, expected.width);
    EXPECT_EQ(actual.height, expected.height);
}

TEST(Placement, PullsTheWindowOntoA1920x1080Screen) {
    expectBox(keptOnScreen({-50, 10, 800, 600}), {0, 10, 800, 600});
    expectBox(keptOnScreen({100, 100, 2500, 1500}), {0, 0, 1920, 1080});
    // Touching the right and bottom edges is fine.
    expectBox(keptOnScreen({1120, 480, 800, 600}), {1120, 480, 800, 600});
    expectBox(keptOnScreen({-3000, -200, 1000, 700}), {0, 0, 1000, 700});
}

TEST(Placement, ACornerBeyondTheScreenKeeps96PixelsInSightThenTheWholeWindow) {
    expectBox(positionOnScreen({2000, 100, 800, 600}, 1920, 1080), {1824, 100, 800, 600});
    expectBox(keptOnScreen({2000, 100, 800, 600}), {1120, 100, 800, 600});
    expectBox(positionOnScreen({10, 1200, 800, 600}, 1920, 1080), {10, 984, 800, 600});
    expectBox(keptOnScreen({10, 1200, 800, 600}), {10, 480, 800, 600});
}

}  // namespace

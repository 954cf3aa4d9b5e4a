// The keep-on-screen arithmetic with fuzzed windows and screens, in the range of coordinates a
// desktop can give. Checks that the position step leaves the size alone and puts the corner
// on the screen or, beyond its right or bottom edge, the margin back from it; that the size step
// never makes a window larger than the screen; and that after both steps, as the window is
// placed at creation, a window of a size up to the screen's lies wholly on the screen. The
// sanitizer turns any signed overflow into a failure.
#include "app/placement.h"

#include <algorithm>
#include <cstdint>

#include "fuzz_input.h"

namespace {

// Coordinates of windows on any display of a desktop, and sizes up to several screens.
constexpr std::int64_t farthest = 1 << 20;

// A screen no narrower than the margin: the rule keeps `visibleMargin` pixels of a window that
// lies beyond the screen, which a narrower screen cannot show.
constexpr std::int64_t widestScreen = 1 << 16;

void checkAxis(int before, int size, int after, int afterSize, int screen) {
    FUZZ_CHECK(afterSize == std::min(size, screen));
    if (size >= 0 && size <= screen) {
        FUZZ_CHECK(after >= 0);
        FUZZ_CHECK(after + afterSize <= screen);
        // A window already on the screen stays where it is.
        if (before >= 0 && before + size <= screen) FUZZ_CHECK(after == before);
    }
    if (size > screen) FUZZ_CHECK(after == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const int screenWidth = static_cast<int>(input.inRange(visibleMargin, widestScreen));
    const int screenHeight = static_cast<int>(input.inRange(visibleMargin, widestScreen));
    WindowBox window;
    window.left = static_cast<int>(input.inRange(-farthest, farthest));
    window.top = static_cast<int>(input.inRange(-farthest, farthest));
    // Mostly sizes that fit, often exactly the screen's, sometimes larger ones.
    switch (input.byte() % 4) {
    case 0:
        window.width = screenWidth;
        window.height = screenHeight;
        break;
    case 1:
        window.width = static_cast<int>(input.inRange(0, farthest));
        window.height = static_cast<int>(input.inRange(0, farthest));
        break;
    default:
        window.width = static_cast<int>(input.inRange(0, screenWidth));
        window.height = static_cast<int>(input.inRange(0, screenHeight));
        break;
    }

    const WindowBox moved = positionOnScreen(window, screenWidth, screenHeight);
    FUZZ_CHECK(moved.width == window.width && moved.height == window.height);
    FUZZ_CHECK(moved.left >= 0 && moved.left < screenWidth);
    FUZZ_CHECK(moved.top >= 0 && moved.top < screenHeight);
    if (window.left >= screenWidth) FUZZ_CHECK(moved.left == screenWidth - visibleMargin);
    if (window.top >= screenHeight) FUZZ_CHECK(moved.top == screenHeight - visibleMargin);

    const WindowBox placed = sizeToScreen(moved, screenWidth, screenHeight);
    checkAxis(moved.left, window.width, placed.left, placed.width, screenWidth);
    checkAxis(moved.top, window.height, placed.top, placed.height, screenHeight);

    // The size step alone, as it would run on a window wherever it is.
    const WindowBox sized = sizeToScreen(window, screenWidth, screenHeight);
    FUZZ_CHECK(sized.width <= screenWidth && sized.height <= screenHeight);
    FUZZ_CHECK(sized.left + sized.width <= screenWidth);
    FUZZ_CHECK(sized.top + sized.height <= screenHeight);
    return 0;
}

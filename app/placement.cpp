#include "placement.h"

#include <algorithm>

WindowBox positionOnScreen(WindowBox window, int screenWidth, int screenHeight) {
    window.left = std::max(window.left, 0);
    window.top = std::max(window.top, 0);
    if (window.left >= screenWidth) window.left = screenWidth - visibleMargin;
    if (window.top >= screenHeight) window.top = screenHeight - visibleMargin;
    return window;
}

WindowBox sizeToScreen(WindowBox window, int screenWidth, int screenHeight) {
    window.width = std::min(window.width, screenWidth);
    window.height = std::min(window.height, screenHeight);
    if (window.left + window.width >= screenWidth) window.left = screenWidth - window.width;
    if (window.top + window.height >= screenHeight) window.top = screenHeight - window.height;
    return window;
}

// The arithmetic that keeps the main window on the primary screen. Windows-free.
#pragma once

// A window's outer rectangle as its top-left corner and its size, in screen pixels.
struct WindowBox {
    int left;
    int top;
    int width;
    int height;
};

// How much of a window whose corner lies beyond the screen stays visible.
constexpr int visibleMargin = 96;

// Position step: the corner goes onto the screen, and a corner beyond the right or bottom edge
// is pulled back to leave `visibleMargin` pixels of the window showing. The size is unchanged.
WindowBox positionOnScreen(WindowBox window, int screenWidth, int screenHeight);

// Size step: the size is bounded by the screen, then the corner moves left and up until the
// window ends inside the screen.
WindowBox sizeToScreen(WindowBox window, int screenWidth, int screenHeight);

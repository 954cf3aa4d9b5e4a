// The display scale: the dots per inch a window is drawn at. The program declares itself aware of
// the scale of each display (res/Lorvane.manifest); the functions that tell it the scale exist
// only from Windows 10 on and are looked up when first used, so the exe still starts on older
// systems, which draw every window at the one scale of the system.
#pragma once

#include <windows.h>

// WM_DPICHANGED: the window came to a display of another scale. wParam holds the new DPI in both
// words, lParam the rectangle the system suggests for the window at that scale.
constexpr UINT displayScaleChanged = 0x02E0;

// The DPI of the display the window is on; where the system cannot tell, the system's DPI.
int dpiOfWindow(HWND window);

// The DPI a screen device context reports on the calling thread: what the common dialogs use to
// turn points into pixels.
int screenDpi();

// While it exists, the windows the calling thread creates are drawn at the system's scale, the
// system stretching them on a display of another scale; on systems without per-display scale it
// changes nothing.
class SystemScaleScope {
public:
    SystemScaleScope();
    ~SystemScaleScope();
    SystemScaleScope(const SystemScaleScope&) = delete;
    SystemScaleScope& operator=(const SystemScaleScope&) = delete;

private:
    void* previous = nullptr;
};

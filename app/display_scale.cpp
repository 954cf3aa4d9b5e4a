#include "display_scale.h"

namespace {

// DPI_AWARENESS_CONTEXT_SYSTEM_AWARE, a fixed pseudo-handle of the system.
void* const systemAware = reinterpret_cast<void*>(static_cast<INT_PTR>(-2));

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using SetThreadDpiAwarenessContextFunction = void*(WINAPI*)(void*);

// A user32 function that older systems lack, or null there.
template <typename Function>
Function user32Function(const char* name) {
    const FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

// Sets the calling thread's scale context; gives the one before, or null where there is none.
void* setThreadScale(void* context) {
    static const auto set = user32Function<SetThreadDpiAwarenessContextFunction>("SetThreadDpiAwarenessContext");
    return set != nullptr ? set(context) : nullptr;
}

}  // namespace

int dpiOfWindow(HWND window) {
    static const auto getDpiForWindow = user32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) return static_cast<int>(dpi);
    }
    return screenDpi();
}

int screenDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

SystemScaleScope::SystemScaleScope() : previous(setThreadScale(systemAware)) {}

SystemScaleScope::~SystemScaleScope() {
    if (previous != nullptr) setThreadScale(previous);
}

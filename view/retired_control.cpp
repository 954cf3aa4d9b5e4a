#include "retired_control.h"

namespace {

// Below this many characters a control is destroyed in a few tens of milliseconds at most.
constexpr int slowToDestroy = 1024 * 1024;

}  // namespace

void RetiredControl::retire(HWND oldControl, HWND timerOwner) {
    destroy();
    if (GetWindowTextLengthW(oldControl) < slowToDestroy) {
        DestroyWindow(oldControl);
        return;
    }
    // Below every other child, so that whoever looks for the text control finds the new one.
    SetWindowPos(oldControl, HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    control = oldControl;
    timerWindow = timerOwner;
    SetTimer(timerWindow, timerId, USER_TIMER_MINIMUM, nullptr);
}

void RetiredControl::restartWait() {
    if (control != nullptr) SetTimer(timerWindow, timerId, USER_TIMER_MINIMUM, nullptr);
}

void RetiredControl::destroy() {
    if (control == nullptr) return;
    KillTimer(timerWindow, timerId);
    DestroyWindow(control);
    control = nullptr;
}

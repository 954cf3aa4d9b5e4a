// A text control that has given way to a new one. Destroying a control that holds a large text
// takes long (about a quarter of a second for 10 MiB under Wine), and the new control's first
// text should not wait for it: the old one is hidden at once and destroyed on a timer of the main
// window. Timer messages come only after paint, so the new text is on screen by then, and the
// old text is gone before the load has gone far: two large texts are never held for long.
#pragma once

#include <windows.h>

class RetiredControl {
public:
    // The identifier of the main window's timer that destroys the control.
    static constexpr UINT_PTR timerId = 0x5243;

    RetiredControl() = default;
    RetiredControl(const RetiredControl&) = delete;
    RetiredControl& operator=(const RetiredControl&) = delete;

    // Hides `control` and destroys it on the next tick of the timer `timerId` of `timerWindow`;
    // a control with a short text costs little to destroy and goes at once. One that still
    // waits goes at once too, so that only one old text is ever kept.
    void retire(HWND control, HWND timerWindow);
    // Starts the wait for the timer again. Called once the new control holds its first text: the
    // window then paints it, and answers what was asked meanwhile, before the old one goes.
    void restartWait();
    // Destroys the control that waits, if any; the main window calls it for its timer.
    void destroy();

private:
    HWND control = nullptr;
    HWND timerWindow = nullptr;
};

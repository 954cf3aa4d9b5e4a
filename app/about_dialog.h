// The modal About box, built from the dialog template "ABOUTDLG".
#pragma once

#include <windows.h>

class AboutDialog {
public:
    // Returns when the box has been closed with OK or Enter; Esc leaves it open.
    void show(HINSTANCE moduleInstance, HWND owner);

    HINSTANCE instance;
    HWND window;

private:
    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
};

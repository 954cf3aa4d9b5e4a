// The main window's rectangle: kept on the screen at creation, stored at every move and
// restored resize so that the next run opens where this one was.
#include "viewer_window.h"

#include "../settings/registry_store.h"
#include "placement.h"

int ViewerWindow::keepOnScreen(int position, int size) {
    if (mainWindow == nullptr) return 0;
    RECT rect;
    GetWindowRect(mainWindow, &rect);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    WindowBox box = {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    if (position) {
        box = positionOnScreen(box, screenWidth, screenHeight);
        SetWindowPos(mainWindow, nullptr, box.left, box.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    if (size) {
        box = sizeToScreen(box, screenWidth, screenHeight);
        SetWindowPos(mainWindow, nullptr, box.left, box.top, box.width, box.height, SWP_NOZORDER);
    }
    return 1;
}

void ViewerWindow::onMove() {
    if (IsIconic(mainWindow) || IsZoomed(mainWindow)) return;
    RECT rect;
    GetWindowRect(mainWindow, &rect);
    settings->writeInt(L"Left", rect.left);
    settings->writeInt(L"Top", rect.top);
}

void ViewerWindow::onSize(UINT sizeType) {
    if (sizeType == SIZE_RESTORED) {
        RECT rect;
        GetWindowRect(mainWindow, &rect);
        settings->writeInt(L"Left", rect.left);
        settings->writeInt(L"Top", rect.top);
        settings->writeInt(L"Width", rect.right - rect.left);
        settings->writeInt(L"Depth", rect.bottom - rect.top);
    }
    fitTextControl();
}

void ViewerWindow::fitTextControl() {
    RECT client;
    GetClientRect(mainWindow, &client);
    MoveWindow(textControl, 0, 0, client.right, client.bottom, TRUE);
}

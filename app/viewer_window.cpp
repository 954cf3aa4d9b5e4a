#include "viewer_window.h"

#include <richedit.h>
#include <shellapi.h>

#include <vector>

#include "../res/resource_ids.h"
#include "../settings/font_spec.h"
#include "../settings/registry_store.h"
#include "../view/text_control_style.h"
#include "display_scale.h"
#include "message_box.h"
#include "modal_scope.h"

namespace {

const wchar_t windowClassName[] = L"ZyrLorvaneWndClass";
const wchar_t settingsKeyPath[] = L"Software\\Zyr\\Lorvane";

}  // namespace

ViewerWindow::ViewerWindow() = default;

ViewerWindow::~ViewerWindow() {
    if (mainWindow != nullptr) DestroyWindow(mainWindow);
    delete font;
    delete settings;
}

int ViewerWindow::translateAccelerator(MSG* message) {
    return TranslateAcceleratorW(mainWindow, accelerators, message);
}

int ViewerWindow::create(HINSTANCE moduleInstance, const wchar_t* caption, int x, int y, int width,
                         int height) {
    if (mainWindow != nullptr) {
        MoveWindow(mainWindow, x, y, width, height, TRUE);
        return 1;
    }
    instance = moduleInstance;
    accelerators = LoadAcceleratorsW(instance, L"LorvaneAccel");
    if (!registerWindowClass()) return 0;

    settings = new RegistryStore(settingsKeyPath, 0);
    // Components left open take the rectangle the window last had.
    if (x == CW_USEDEFAULT) x = settings->readInt(L"Left", CW_USEDEFAULT);
    if (y == CW_USEDEFAULT) y = settings->readInt(L"Top", CW_USEDEFAULT);
    if (width == CW_USEDEFAULT) width = settings->readInt(L"Width", CW_USEDEFAULT);
    if (height == CW_USEDEFAULT) height = settings->readInt(L"Depth", CW_USEDEFAULT);

    // Files dropped on the window open as File > Open opens them.
    mainWindow = CreateWindowExW(WS_EX_ACCEPTFILES, windowClassName, caption, WS_OVERLAPPEDWINDOW, x, y, width,
                                 height, nullptr, nullptr, instance, nullptr);
    if (mainWindow == nullptr) {
        delete settings;
        settings = nullptr;
        return 0;
    }
    keepOnScreen(1, 1);
    CheckMenuItem(GetMenu(mainWindow), IDM_FORMAT_PLAIN, MF_CHECKED);
    createFirstTextControl();
    buildContextMenu();

    // From here on the window procedure forwards to this object.
    SetWindowLongPtrW(mainWindow, 0, reinterpret_cast<LONG_PTR>(this));
    ShowWindow(mainWindow, SW_SHOWNORMAL);
    UpdateWindow(mainWindow);
    SetFocus(textControl);
    findMessage = RegisterWindowMessageW(FINDMSGSTRINGW);
    return 1;
}

int ViewerWindow::registerWindowClass() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.cbWndExtra = sizeof(ViewerWindow*);
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_LORVANE));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = L"LorvaneMenu";
    windowClass.lpszClassName = windowClassName;
    if (RegisterClassExW(&windowClass) == 0) {
        showWarning(L"Unexpected error registering the window class: %s", lastErrorText());
        return 0;
    }
    return 1;
}

// The first text control gets its font only once the font description has been built from
// the settings; every later one gets it as it is made (createTextControl).
void ViewerWindow::createFirstTextControl() {
    LoadLibraryW(L"riched20.dll");
    makeTextControl(textControlStyle(true, false));
    readOnly = 1;
    font = new FontSpec();
    font->scaleTo(dpiOfWindow(mainWindow));
    font->set(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_RASTER_PRECIS, 0, 0, FIXED_PITCH,
              L"Lucida Console");
    font->load(*settings);
    SendMessageW(textControl, WM_SETFONT, reinterpret_cast<WPARAM>(font->handle), 0);
    wrapLines = 0;
}

void ViewerWindow::buildContextMenu() {
    contextMenu = CreatePopupMenu();
    AppendMenuW(contextMenu, 0, IDM_CONTEXT_COPY, L"Copy");
    AppendMenuW(contextMenu, 0, IDM_CONTEXT_SEARCH, L"Search");
    AppendMenuW(contextMenu, 0, IDM_CONTEXT_OPEN_URL, L"Open &URL");
}

LRESULT ViewerWindow::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (findMessage != 0 && message == findMessage) {
        return onFindMessage(window, message, wParam, lParam);
    }
    switch (message) {
    case WM_DESTROY:
        fileLoad.cancel();
        fileFollow.stop();
        textSearch.stop();
        retiredControl.destroy();
        PostQuitMessage(0);
        return 0;
    case WM_TIMER:
        if (wParam == FileLoad::timerId) {
            fileLoad.onTimer();
            textSearch.takeAppended(textControl);
            // The caption says when the load found the file changed.
            if (!fileLoad.pending()) showCaption();
        } else if (wParam == FileFollow::timerId) {
            // Nothing is appended to unsaved edits, nor while a box or a dialog waits.
            if (fileFollow.onTimer(fileLoad, !isModified() && !ModalScope::anyOpen())) showCaption();
        } else if (wParam == RetiredControl::timerId) {
            retiredControl.destroy();
        } else if (wParam == TextSearch::timerId) {
            continueFind();
        } else {
            return DefWindowProcW(window, message, wParam, lParam);
        }
        return 0;
    case WM_MOVE:
        onMove();
        return 0;
    case WM_SIZE:
        onSize(static_cast<UINT>(wParam));
        return 0;
    case WM_SETFOCUS:
        SetFocus(textControl);
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_CHANGE && lParam != 0) {
            onTextChange(reinterpret_cast<HWND>(lParam));
            return 0;
        }
        return onCommand(LOWORD(wParam));
    case WM_INITMENU:
        return onInitMenu(reinterpret_cast<HMENU>(wParam));
    case WM_DROPFILES:
        openDroppedFile(reinterpret_cast<HDROP>(wParam));
        return 0;
    case displayScaleChanged:
        onDisplayScaleChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_PARENTNOTIFY:
        if (LOWORD(wParam) == WM_RBUTTONDOWN) {
            showContextMenu(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        }
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// An edit in the text makes Find Next take its copy of the text again. A piece appended by the
// load changes the text too, but only at its end, which the copy follows by itself.
void ViewerWindow::onTextChange(HWND control) {
    if (control != textControl || fileLoad.appending()) return;
    textSearch.forgetText();
}

void ViewerWindow::onDisplayScaleChanged(int dpi, const RECT& suggested) {
    SetWindowPos(mainWindow, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    followDisplayScale(dpi);
    InvalidateRect(textControl, nullptr, TRUE);
}

// The first file is opened, any others are left; while a box, a dialog or a wait of ours is
// open, as with commands, none.
void ViewerWindow::openDroppedFile(HDROP drop) {
    std::vector<wchar_t> name;
    if (!ModalScope::anyOpen() && DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        // The whole name, however long: openFile refuses a name it cannot take, as for any other.
        name.resize(DragQueryFileW(drop, 0, nullptr, 0) + 1);
        DragQueryFileW(drop, 0, name.data(), static_cast<UINT>(name.size()));
    }
    DragFinish(drop);
    if (!name.empty()) openInstead(name.data());
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* viewer = reinterpret_cast<ViewerWindow*>(GetWindowLongPtrW(window, 0));
    if (viewer == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return viewer->handleMessage(window, message, wParam, lParam);
}

// The process entry and the one application object.
#include <windows.h>

#include "message_box.h"
#include "viewer_window.h"

ViewerWindow theViewer;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandTail, int) {
    if (!theViewer.create(instance, L"Lorvane", CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT)) {
        showWarning(L"Unexpected error: Cannot create main window");
        return 0;
    }
    // The whole tail is one file name; openFile strips the quotes and blanks around it.
    if (commandTail != nullptr && commandTail[0] != L'\0') theViewer.openFile(commandTail);

    // The loop also ends if the queue fails (-1), which cannot happen with these arguments.
    MSG message = {};
    BOOL got = 0;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (!theViewer.translateAccelerator(&message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return got == 0 ? static_cast<int>(message.wParam) : 0;
}

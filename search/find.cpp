// The modeless Find dialog and its Find Next.
#include "../app/viewer_window.h"

#include <richedit.h>

#include "../app/message_box.h"
#include "../app/modal_scope.h"
#include "find_loop_keys.h"
#include "find_start.h"

namespace {

// The dialog is offered two characters less than the buffer holds.
constexpr WORD findWhatOffered = findWhatLength - 2;

bool isKeyDown(int virtualKey) { return (GetKeyState(virtualKey) & 0x8000) != 0; }

bool isInFrontOf(HWND window, HWND other) {
    for (HWND front = GetWindow(other, GW_HWNDPREV); front != nullptr;
         front = GetWindow(front, GW_HWNDPREV)) {
        if (front == window) return true;
    }
    return false;
}

// An owned window should stay in front of its owner, but under Wine a click that activates the
// main window can restack it over the dialog, with no message that tells the main window so.
// The loop therefore puts the dialog back right in front of the main window after each message.
void keepInFrontOfOwner(HWND dialog, HWND owner) {
    if (dialog == nullptr || isInFrontOf(dialog, owner)) return;
    HWND front = GetWindow(owner, GW_HWNDPREV);
    // Placed after an always-on-top window, the dialog would become one itself.
    if (front == nullptr || (GetWindowLongW(front, GWL_EXSTYLE) & WS_EX_TOPMOST)) front = HWND_TOP;
    SetWindowPos(dialog, front, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

bool isDebuggingKeyFor(HWND textControl, const MSG& message) {
    return message.hwnd == textControl && message.message == WM_KEYDOWN &&
           isDebuggingKey(static_cast<unsigned>(message.wParam), isKeyDown(VK_CONTROL),
                          isKeyDown(VK_MENU));
}

// Selects and, with `scroll`, brings the selection into view. While the control draws, moving its
// selection far costs it a walk over the text in between (about 100 ms at 50 MiB); with drawing
// off it only moves, and the view is drawn afresh once afterwards.
void selectWithoutDrawing(HWND control, LONG from, LONG to, bool scroll) {
    SendMessageW(control, WM_SETREDRAW, FALSE, 0);
    SendMessageW(control, EM_SETSEL, from, to);
    if (scroll) SendMessageW(control, EM_SCROLLCARET, 0, 0);
    SendMessageW(control, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

}  // namespace

void ViewerWindow::showFind() {
    if (findDialog != nullptr) {
        // The dialog may have been hidden behind other windows: Find shows it again.
        SetActiveWindow(findDialog);
        return;
    }
    if (GetWindowTextLengthW(textControl) == 0) return;
    // The dialog keeps using this record while it is open, and this frame outlives the dialog.
    FINDREPLACEW request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = mainWindow;
    request.Flags = FR_DOWN;
    request.lpstrFindWhat = findWhat;
    request.wFindWhatLen = findWhatOffered;
    findDialog = FindTextW(&request);
    if (findDialog == nullptr) {
        showWarning(L"Unexpected error creating search dialog: %s", lastErrorText());
        return;
    }
    // The dialog's own loop: keys go to the dialog or the focused window, never to the
    // accelerators, and the text control's debugging keys go nowhere; the dialog is kept in
    // front of the main window. It ends when the dialog has closed, or has gone with the main
    // window.
    MSG message;
    while (findDialog != nullptr) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            // The program is ending (the quit message is left for the main loop), or the queue
            // failed. The dialog must not outlive the request in this frame that it writes to.
            if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
            const HWND dialog = findDialog;
            findDialog = nullptr;
            if (IsWindow(dialog)) DestroyWindow(dialog);
        } else if (!isDebuggingKeyFor(textControl, message) &&
                   !IsDialogMessageW(findDialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (findDialog != nullptr && !IsWindow(findDialog)) findDialog = nullptr;
        keepInFrontOfOwner(findDialog, mainWindow);
    }
}

LRESULT ViewerWindow::onFindMessage(HWND, UINT message, WPARAM, LPARAM lParam) {
    if (findMessage == 0 || message != findMessage) return 0;
    const auto* request = reinterpret_cast<const FINDREPLACEW*>(lParam);
    if (request->Flags & FR_DIALOGTERM) {
        findDialog = nullptr;
        return 0;
    }
    if (!(request->Flags & FR_FINDNEXT)) return 0;
    DWORD end = 0;
    SendMessageW(textControl, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
    const int start = findStart(static_cast<int>(end), (request->Flags & FR_DOWN) != 0);
    // What is loaded is searched at once; downwards, the pieces still to come follow.
    const TextSearch::Result result = textSearch.find(textControl, mainWindow, request->lpstrFindWhat,
                                                      request->Flags, start, fileLoad.pending());
    // Without a match the caret goes to where the search started.
    if (result.outcome != TextSearch::Outcome::found) selectWithoutDrawing(textControl, start, start, false);
    showFindResult(result);
    return 0;
}

void ViewerWindow::continueFind() {
    // Not inside the wait of a box or of a save: the search goes on once that is over.
    if (ModalScope::anyOpen()) return;
    showFindResult(textSearch.resume(textControl, fileLoad.pending()));
}

void ViewerWindow::showFindResult(const TextSearch::Result& result) {
    if (result.outcome == TextSearch::Outcome::found) {
        selectWithoutDrawing(textControl, result.position, result.position + result.length, true);
    } else if (result.outcome == TextSearch::Outcome::notFound) {
        const ModalScope waiting;
        MessageBoxW(findDialog != nullptr ? findDialog : mainWindow, L"No matches found", L"Lorvane",
                    MB_OK);
    }
}

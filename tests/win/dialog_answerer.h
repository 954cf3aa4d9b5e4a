// Answers the dialogs that the code under test opens on this thread: message boxes, the file
// dialogs, the Find and Font dialogs. Each dialog that activates is recorded and handed to the
// next scripted action, which runs from the dialog's own message loop.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

struct SeenDialog {
    HWND window;
    HWND owner;
    std::wstring caption;
    std::wstring text;  // a message box's message: its longest static text
    bool hasIcon;
    int defaultButton;  // the id of the default push button (Enter presses it), 0 when there is none
};

class DialogAnswerer {
public:
    using Action = std::function<void(HWND dialog)>;

    DialogAnswerer();
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    // Queues the answer to the next dialog.
    void then(Action action);
    void thenPress(int buttonId);
    // Types `name` into a file dialog, picks the 1-based type `typeIndex` (0 leaves it), and
    // presses OK.
    void thenChooseFile(const std::wstring& name, int typeIndex = 0);

    // Drops the answers no dialog came for: for steps where a dialog may or may not come.
    void forgetUnanswered() { actions.clear(); }

    const std::vector<SeenDialog>& seen() const { return seenDialogs; }
    std::size_t unanswered() const { return actions.size(); }
    // Dialogs that came when no answer was queued; each was cancelled.
    int unexpected() const { return unexpectedCount; }
    // The messages of the message boxes seen, in order.
    std::vector<std::wstring> messages() const;

private:
    static LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK answerPending(HWND, UINT, UINT_PTR timer, DWORD);
    void noticeActivation(HWND window);

    HHOOK hook;
    std::deque<Action> actions;
    std::deque<HWND> pending;
    std::set<HWND> known;
    std::vector<SeenDialog> seenDialogs;
    int unexpectedCount = 0;
    int hiddenWaits = 0;
};

// Small tools for the actions.
std::wstring windowText(HWND window);
void pressButton(HWND dialog, int buttonId);

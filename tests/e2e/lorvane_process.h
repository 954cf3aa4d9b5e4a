// The real Lorvane.exe, started as a user starts it and watched from outside through what a
// user can see: its windows, captions, texts and exit code.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

class LorvaneProcess {
public:
    // Starts the exe named by the environment variable LORVANE_EXE; `tail` follows the
    // program's name on the command line as it stands.
    explicit LorvaneProcess(const std::wstring& tail = L"");
    ~LorvaneProcess();
    LorvaneProcess(const LorvaneProcess&) = delete;
    LorvaneProcess& operator=(const LorvaneProcess&) = delete;

    bool started() const { return process != nullptr; }
    // The main window, once it is visible; null after `timeoutMs`.
    HWND mainWindow(DWORD timeoutMs = 20000);
    // A dialog or message box of the process, once one is visible; null after `timeoutMs`.
    HWND dialog(DWORD timeoutMs = 10000);
    // An open pop-up menu of the process, once one is visible; null after `timeoutMs`.
    HWND popupMenu(DWORD timeoutMs = 5000);
    bool waitForCaption(const std::wstring& caption, DWORD timeoutMs = 20000);
    // The same for a caption that begins with `start`; gives the caption, empty after `timeoutMs`.
    std::wstring waitForCaptionStart(const std::wstring& start, DWORD timeoutMs = 20000);
    // The exit code, or STILL_ACTIVE when the process is still running after `timeoutMs`.
    DWORD waitForExit(DWORD timeoutMs = 10000);
    // Brings the main window to the front and presses the keys together, as a chord.
    void pressChord(std::initializer_list<WORD> keys);

    DWORD processId = 0;

private:
    HWND findWindow(const wchar_t* className) const;
    HWND waitForWindow(const wchar_t* className, DWORD timeoutMs) const;
    HANDLE process = nullptr;
};

std::wstring textOfWindow(HWND window);
std::wstring classOfWindow(HWND window);
// The longest static text of a dialog: a message box's message.
std::wstring messageOfDialog(HWND dialog);

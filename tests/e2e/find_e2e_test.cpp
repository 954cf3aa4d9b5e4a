// Find in the real exe: its dialog runs a loop of its own, inside which the shortcuts rest and
// from which the program can still be closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "lorvane_process.h"

namespace {

struct DialogSearch {
    DWORD processId;
    HWND except;
    HWND found;
};

BOOL CALLBACK matchOtherDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && window != search->except && IsWindowVisible(window) &&
        classOfWindow(window) == L"#32770") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible dialog of the process other than `except`, once there is one; null after
// `timeoutMs`.
HWND otherDialog(const LorvaneProcess& lorvane, HWND except, DWORD timeoutMs) {
    for (DWORD waited = 0;; waited += 50) {
        DialogSearch search = {lorvane.processId, except, nullptr};
        EnumWindows(matchOtherDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr || waited >= timeoutMs) return search.found;
        Sleep(50);
    }
}

std::wstring writeSample() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"lorvane find sample.txt";
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    const char text[] = "The quick brown fox\r\njumps over the lazy dog.\r\n";
    DWORD written = 0;
    WriteFile(file, text, sizeof text - 1, &written, nullptr);
    CloseHandle(file);
    return path;
}

TEST(Find, ShortcutsRestWhileTheDialogIsOpenAndTheProgramStillCloses) {
    const std::wstring sample = writeSample();
    LorvaneProcess lorvane(L"\"" + sample + L"\"");
    ASSERT_TRUE(lorvane.waitForCaption(L"lorvane find sample.txt"));

    lorvane.pressChord({VK_CONTROL, 'F'});
    const HWND find = otherDialog(lorvane, nullptr, 10000);
    ASSERT_NE(find, nullptr) << "Ctrl+F opens Find";
    EXPECT_EQ(textOfWindow(find), L"Find");

    lorvane.pressChord({VK_CONTROL, 'O'});
    const HWND open = otherDialog(lorvane, find, 2000);
    EXPECT_EQ(open, nullptr) << "Ctrl+O opened the dialog " << (open ? textOfWindow(open) : L"");
    if (open != nullptr) PostMessageW(open, WM_COMMAND, IDCANCEL, 0);

    // Once the dialog has closed, the same keys work: the quiet above was not lost keys.
    PostMessageW(find, WM_COMMAND, IDCANCEL, 0);
    for (int waited = 0; IsWindow(find) && waited < 5000; waited += 50) Sleep(50);
    ASSERT_FALSE(IsWindow(find));
    lorvane.pressChord({VK_CONTROL, 'O'});
    const HWND openLater = otherDialog(lorvane, nullptr, 10000);
    ASSERT_NE(openLater, nullptr) << "Ctrl+O opens the Open dialog without Find";
    PostMessageW(openLater, WM_COMMAND, IDCANCEL, 0);
    for (int waited = 0; IsWindow(openLater) && waited < 5000; waited += 50) Sleep(50);

    lorvane.pressChord({VK_CONTROL, 'F'});
    ASSERT_NE(otherDialog(lorvane, nullptr, 10000), nullptr);
    PostMessageW(lorvane.mainWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(lorvane.waitForExit(15000), 0u) << "closing the main window ends the program";
    DeleteFileW(sample.c_str());
}

}  // namespace

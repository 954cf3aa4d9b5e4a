// The About box: opened by its command, closed only by OK or Enter.
#include <string>

#include "res/resource_ids.h"
#include "viewer_fixture.h"

namespace {

// What one visit to the About box saw. The keys are posted from timers in the box's own loop,
// so that each arrives through the loop as a user's key would.
struct AboutVisit {
    HWND main = nullptr;
    bool ownerDisabled = false;
    bool openAfterCancel = false;
    bool openAfterEscape = false;
    bool closedByEnter = true;
    int icons = 0;
    int noticeWidth = 0;
    int noticeRoom = -1;
};

AboutVisit* visit = nullptr;

void pressKey(HWND dialog, WPARAM key) {
    const HWND focus = GetFocus() ? GetFocus() : dialog;
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
}

BOOL CALLBACK lookAtControl(HWND child, LPARAM) {
    const DWORD type = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE)) & SS_TYPEMASK;
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (lstrcmpiW(className, L"Static") != 0) return TRUE;
    if (type == SS_ICON && SendMessageW(child, STM_GETICON, 0, 0) != 0) ++visit->icons;
    if (type == SS_CENTER) {  // the notice line
        const std::wstring notice = windowText(child);
        const HDC dc = GetDC(child);
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)));
        SIZE extent = {};
        GetTextExtentPoint32W(dc, notice.c_str(), static_cast<int>(notice.size()), &extent);
        ReleaseDC(child, dc);
        RECT room;
        GetClientRect(child, &room);
        visit->noticeWidth = notice.empty() ? 1000 : extent.cx;
        visit->noticeRoom = room.right;
    }
    return TRUE;
}

void CALLBACK enterFailed(HWND dialog, UINT, UINT_PTR timer, DWORD) {
    KillTimer(dialog, timer);
    visit->closedByEnter = false;
    EndDialog(dialog, 0);
}

void CALLBACK afterEscape(HWND dialog, UINT, UINT_PTR timer, DWORD) {
    KillTimer(dialog, timer);
    visit->openAfterEscape = IsWindowVisible(dialog);
    pressKey(dialog, VK_RETURN);
    SetTimer(dialog, 2, 3000, enterFailed);
}

using AboutTest = ViewerTest;

TEST_F(AboutTest, TheCommandOpensTheBoxWhichOnlyOkOrEnterCloses) {
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        AboutVisit seen;
        seen.main = viewer->mainWindow;
        answers.then([&seen](HWND dialog) {
            visit = &seen;
            seen.ownerDisabled = !IsWindowEnabled(seen.main);
            EnumChildWindows(dialog, lookAtControl, 0);
            pressButton(dialog, IDCANCEL);
            seen.openAfterCancel = IsWindowVisible(dialog);
            pressKey(dialog, VK_ESCAPE);
            SetTimer(dialog, 1, 200, afterEscape);
        });
        SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_ABOUT, 0);

        ASSERT_EQ(answers.seen().size(), static_cast<std::size_t>(round));
        const SeenDialog& box = answers.seen().back();
        EXPECT_EQ(box.caption, L"About Lorvane");
        EXPECT_EQ(box.owner, viewer->mainWindow);
        EXPECT_TRUE(seen.ownerDisabled) << "the main window takes no input meanwhile";
        EXPECT_TRUE(seen.openAfterCancel) << "IDCANCEL leaves the box open";
        EXPECT_TRUE(seen.openAfterEscape) << "Esc leaves the box open";
        EXPECT_TRUE(seen.closedByEnter);
        EXPECT_FALSE(IsWindow(box.window));
        EXPECT_TRUE(IsWindowEnabled(viewer->mainWindow));
        EXPECT_EQ(seen.icons, 2);
        EXPECT_LE(seen.noticeWidth, seen.noticeRoom) << "the notice fits its one line";
    }
}

TEST_F(AboutTest, OkClosesTheBox) {
    bool closedByOk = false;
    answers.then([&](HWND dialog) {
        pressButton(dialog, IDOK);
        // An ended dialog is hidden at once and destroyed when its loop returns.
        closedByOk = !IsWindowVisible(dialog);
        if (!closedByOk) EndDialog(dialog, 0);
    });
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_ABOUT, 0);
    EXPECT_TRUE(closedByOk);
}

}  // namespace

// The About box: opened by its command, closed only by OK or Enter.
#include <string>

#include "app/about_dialog.h"
#include "res/resource_ids.h"
#include "viewer_fixture.h"

namespace {

// What one visit to the About box saw. The keys are pressed from timers in the box's own loop,
// so that each arrives through the loop as a user's key would.
struct AboutVisit {
    HWND main = nullptr;
    HWND dialog = nullptr;
    bool ownerDisabled = false;
    bool openAfterCancel = false;
    bool openAfterEscape = false;
    bool closedByEnter = true;
    int icons = 0;
    std::wstring notice;
    int noticeWidth = 0;
    int noticeRoom = 0;
};

AboutVisit* visit = nullptr;
constexpr UINT_PTR afterEscapeTimer = 1;
constexpr UINT_PTR enterFailedTimer = 2;

void pressKey(HWND dialog, WPARAM key) {
    const HWND focus = GetFocus() ? GetFocus() : dialog;
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
}

BOOL CALLBACK lookAtControl(HWND child, LPARAM) {
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (lstrcmpiW(className, L"Static") != 0) return TRUE;
    const DWORD type = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE)) & SS_TYPEMASK;
    if (type == SS_ICON && SendMessageW(child, STM_GETICON, 0, 0) != 0) ++visit->icons;
    if (type == SS_CENTER) {
        visit->notice = windowText(child);
        const HDC dc = GetDC(child);
        const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)));
        SIZE extent = {};
        GetTextExtentPoint32W(dc, visit->notice.c_str(), static_cast<int>(visit->notice.size()), &extent);
        SelectObject(dc, old);
        ReleaseDC(child, dc);
        RECT room;
        GetClientRect(child, &room);
        visit->noticeWidth = extent.cx;
        visit->noticeRoom = room.right;
    }
    return TRUE;
}

void CALLBACK enterFailed(HWND dialog, UINT, UINT_PTR, DWORD) {
    KillTimer(dialog, enterFailedTimer);
    visit->closedByEnter = false;
    EndDialog(dialog, 0);
}

void CALLBACK afterEscape(HWND dialog, UINT, UINT_PTR, DWORD) {
    KillTimer(dialog, afterEscapeTimer);
    visit->openAfterEscape = IsWindow(dialog) && IsWindowVisible(dialog);
    pressKey(dialog, VK_RETURN);
    SetTimer(dialog, enterFailedTimer, 3000, enterFailed);
}

// Looks at the box, presses Cancel and Esc, which must leave it open, then Enter.
DialogAnswerer::Action lookAndPressKeys(AboutVisit& seen) {
    return [&seen](HWND dialog) {
        visit = &seen;
        seen.dialog = dialog;
        seen.ownerDisabled = !IsWindowEnabled(seen.main);
        EnumChildWindows(dialog, lookAtControl, 0);
        pressButton(dialog, IDCANCEL);
        seen.openAfterCancel = IsWindow(dialog) && IsWindowVisible(dialog);
        pressKey(dialog, VK_ESCAPE);
        SetTimer(dialog, afterEscapeTimer, 200, afterEscape);
    };
}

using AboutTest = ViewerTest;

TEST_F(AboutTest, TheCommandOpensTheBoxWhichOnlyOkOrEnterCloses) {
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        AboutVisit seen;
        seen.main = viewer->mainWindow;
        answers.then(lookAndPressKeys(seen));
        SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_ABOUT, 0);

        ASSERT_EQ(answers.seen().size(), static_cast<std::size_t>(round));
        const SeenDialog& box = answers.seen().back();
        EXPECT_EQ(box.caption, L"About Lorvane");
        EXPECT_EQ(box.owner, viewer->mainWindow);
        EXPECT_TRUE(seen.ownerDisabled) << "the main window takes no input meanwhile";
        EXPECT_TRUE(seen.openAfterCancel) << "IDCANCEL leaves the box open";
        EXPECT_TRUE(seen.openAfterEscape) << "Esc leaves the box open";
        EXPECT_TRUE(seen.closedByEnter) << "Enter closes the box";
        EXPECT_FALSE(IsWindow(seen.dialog));
        EXPECT_TRUE(IsWindowEnabled(viewer->mainWindow));
        EXPECT_EQ(seen.icons, 2);
        EXPECT_FALSE(seen.notice.empty());
        EXPECT_LE(seen.noticeWidth, seen.noticeRoom) << "the notice fits its one line";
    }
}

TEST_F(AboutTest, TheBoxKnowsItsObjectAndOkClosesIt) {
    AboutDialog about;
    LONG_PTR stored = 0;
    bool hasSystemMenu = true;
    bool closedByOk = false;
    answers.then([&](HWND dialog) {
        stored = GetWindowLongPtrW(dialog, DWLP_USER);
        hasSystemMenu = (GetWindowLongW(dialog, GWL_STYLE) & WS_SYSMENU) != 0;
        pressButton(dialog, IDOK);
        // An ended dialog is hidden at once and destroyed when its loop returns.
        closedByOk = !IsWindowVisible(dialog);
        if (!closedByOk) EndDialog(dialog, 0);
    });
    about.show(GetModuleHandleW(nullptr), viewer->mainWindow);
    ASSERT_EQ(answers.seen().size(), 1u);
    EXPECT_TRUE(closedByOk);
    EXPECT_EQ(stored, reinterpret_cast<LONG_PTR>(&about));
    EXPECT_EQ(about.window, answers.seen()[0].window);
    EXPECT_EQ(about.instance, GetModuleHandleW(nullptr));
    EXPECT_FALSE(hasSystemMenu) << "no system menu, so no close box";
    EXPECT_FALSE(IsWindow(about.window));
}

}  // namespace

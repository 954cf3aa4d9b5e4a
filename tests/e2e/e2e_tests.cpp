// The real exe, started and used as a person would.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "lorvane_process.h"

namespace {

BOOL CALLBACK countTextControls(HWND child, LPARAM param) {
    if (classOfWindow(child) == L"RichEdit20W") ++*reinterpret_cast<int*>(param);
    return TRUE;
}

TEST(Lorvane, StartsWithAnEmptyReadOnlyTextAreaUnderItsMenuBar) {
    LorvaneProcess lorvane;
    ASSERT_TRUE(lorvane.started());
    const HWND main = lorvane.mainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(textOfWindow(main), L"Lorvane");
    EXPECT_NE(GetMenu(main), nullptr);
    // The menus of another process cannot be read from here; each of the three opens with its
    // mnemonic.
    for (const WORD mnemonic : {'F', 'E', 'O'}) {
        lorvane.pressChord({VK_MENU, mnemonic});
        EXPECT_NE(lorvane.popupMenu(), nullptr) << "Alt+" << static_cast<char>(mnemonic);
        lorvane.pressChord({VK_ESCAPE});
        lorvane.pressChord({VK_ESCAPE});
        Sleep(200);
    }

    int controls = 0;
    EnumChildWindows(main, countTextControls, reinterpret_cast<LPARAM>(&controls));
    EXPECT_EQ(controls, 1);
    const HWND text = GetDlgItem(main, 200);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(classOfWindow(text), L"RichEdit20W");
    // The control drops its scroll-bar bits while there is nothing to scroll.
    const DWORD style = static_cast<DWORD>(GetWindowLongW(text, GWL_STYLE));
    EXPECT_EQ(style & ~(WS_HSCROLL | WS_VSCROLL), 0x503009C4u & ~(WS_HSCROLL | WS_VSCROLL));
    RECT client, area;
    GetClientRect(main, &client);
    GetWindowRect(text, &area);
    EXPECT_EQ(area.right - area.left, client.right);
    EXPECT_EQ(area.bottom - area.top, client.bottom);
    EXPECT_EQ(textOfWindow(text), L"");

    lorvane.pressChord({VK_CONTROL, 'W'});
    EXPECT_EQ(lorvane.waitForExit(), 0u) << "Ctrl+W ends the program";
}

TEST(Lorvane, TheCloseBoxEndsTheProgramWithCodeZero) {
    LorvaneProcess lorvane;
    const HWND main = lorvane.mainWindow();
    ASSERT_NE(main, nullptr);
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(lorvane.waitForExit(), 0u);
}

}  // namespace

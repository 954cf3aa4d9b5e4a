// Commands from the menu bar, the accelerators and the context menu, and the menu states.
#include <richedit.h>

#include "res/resource_ids.h"
#include "viewer_fixture.h"

namespace {

class CommandsTest : public ViewerTest {
protected:
    // Opens the menu bar's states as the window manager does before a menu shows.
    UINT stateOf(UINT id) {
        SendMessageW(viewer->mainWindow, WM_INITMENU,
                     reinterpret_cast<WPARAM>(GetMenu(viewer->mainWindow)), 0);
        return GetMenuState(GetMenu(viewer->mainWindow), id, MF_BYCOMMAND);
    }
    bool grayed(UINT id) { return (stateOf(id) & MF_GRAYED) != 0; }
    bool checked(UINT id) { return (stateOf(id) & MF_CHECKED) != 0; }
    std::wstring itemText(UINT id) {
        stateOf(id);
        wchar_t text[64] = {};
        GetMenuStringW(GetMenu(viewer->mainWindow), id, text, 64, MF_BYCOMMAND);
        return text;
    }
    void select(int start, int end) { SendMessageW(viewer->textControl, EM_SETSEL, start, end); }
    void command(WORD id) { SendMessageW(viewer->mainWindow, WM_COMMAND, id, 0); }

    // Presses a key with the given modifiers through the main loop's accelerator translation.
    void pressAccelerator(std::initializer_list<BYTE> modifiers, WORD key) {
        BYTE keys[256] = {};
        for (const BYTE modifier : modifiers) keys[modifier] = 0x80;
        SetKeyboardState(keys);
        MSG message = {viewer->textControl, WM_KEYDOWN, key, 1, 0, {0, 0}};
        if (!viewer->translateAccelerator(&message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const BYTE released[256] = {};
        SetKeyboardState(const_cast<BYTE*>(released));
        pumpMessages();
    }
};

TEST_F(CommandsTest, SelectionDependentItemsAreGrayedWithoutASelection) {
    const std::wstring source = writeFile(L"text.txt", "some words here");
    ASSERT_EQ(viewer->openFile(source.c_str()), 1);
    for (const UINT id : {IDM_COPY, IDM_FIND_ON_WEB, IDM_OPEN_URL}) EXPECT_TRUE(grayed(id)) << id;
    select(0, 1);
    for (const UINT id : {IDM_COPY, IDM_FIND_ON_WEB, IDM_OPEN_URL}) EXPECT_FALSE(grayed(id)) << id;
    for (const UINT id : {IDM_OPEN, IDM_SAVE, IDM_SAVE_AS, IDM_EXIT, IDM_ABOUT, IDM_FIND, IDM_FONT}) {
        EXPECT_FALSE(grayed(id)) << id;
    }
}

TEST_F(CommandsTest, PasteNeedsAnEditableTextAndTextOnTheClipboard) {
    OpenClipboard(nullptr);
    EmptyClipboard();
    const HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 6);
    memcpy(GlobalLock(text), "hello", 6);
    GlobalUnlock(text);
    SetClipboardData(CF_TEXT, text);
    CloseClipboard();
    EXPECT_TRUE(grayed(IDM_PASTE)) << "read-only, whatever the clipboard holds";
    EXPECT_FALSE(grayed(IDM_EDIT));
    command(IDM_EDIT);
    EXPECT_FALSE(grayed(IDM_PASTE));
    EXPECT_TRUE(grayed(IDM_EDIT)) << "editing is enabled once";
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    EXPECT_TRUE(grayed(IDM_PASTE));
}

TEST_F(CommandsTest, TheWrapItemAndTheFormatCheckFollowTheState) {
    EXPECT_EQ(itemText(IDM_WRAP), L"&Wrap");
    command(IDM_WRAP);
    EXPECT_EQ(viewer->wrapLines, 1);
    EXPECT_EQ(itemText(IDM_WRAP), L"No &wrap");
    command(IDM_WRAP);
    EXPECT_EQ(itemText(IDM_WRAP), L"&Wrap");

    EXPECT_TRUE(checked(IDM_FORMAT_PLAIN));
    const std::pair<WORD, StreamFormat> formats[] = {{IDM_FORMAT_RTF, StreamFormat::richText},
                                                     {IDM_FORMAT_UNICODE, StreamFormat::unicodeText},
                                                     {IDM_FORMAT_UTF8, StreamFormat::utf8Text},
                                                     {IDM_FORMAT_PLAIN, StreamFormat::plainText}};
    for (const auto& [id, format] : formats) {
        command(id);
        EXPECT_EQ(viewer->streamFormat, format);
        for (const UINT item : {IDM_FORMAT_PLAIN, IDM_FORMAT_RTF, IDM_FORMAT_UNICODE, IDM_FORMAT_UTF8}) {
            EXPECT_EQ(checked(item), item == id) << "after " << id << ", item " << item;
        }
    }
    // Save as changes the format through the chosen type, and the check mark follows.
    answers.thenChooseFile(pathOf(L"saved.txt"), 3);
    command(IDM_SAVE_AS);
    EXPECT_TRUE(checked(IDM_FORMAT_UNICODE));
}

TEST_F(CommandsTest, UnknownIdsAndControlNotificationsDoNothing) {
    const HWND control = viewer->textControl;
    for (const WPARAM wParam : {WPARAM{105}, WPARAM{127}, WPARAM{199}, MAKEWPARAM(IDC_TEXT, EN_CHANGE),
                                MAKEWPARAM(IDC_TEXT, EN_SETFOCUS)}) {
        EXPECT_EQ(SendMessageW(viewer->mainWindow, WM_COMMAND, wParam, 0), 0);
    }
    EXPECT_EQ(viewer->textControl, control);
    EXPECT_TRUE(IsWindow(viewer->mainWindow));
}

TEST_F(CommandsTest, AcceleratorsStartTheirCommandsUnlessTheItemIsGrayed) {
    pressAccelerator({VK_CONTROL}, 'E');
    EXPECT_EQ(viewer->readOnly, 0u) << "Ctrl+E enables editing";
    SendMessageW(viewer->textControl, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"find me"));

    // Ctrl+F opens the Find dialog; with Shift it is Find on web, grayed without a selection.
    answers.then([](HWND dialog) { pressButton(dialog, IDCANCEL); });
    pressAccelerator({VK_CONTROL}, 'F');
    ASSERT_EQ(answers.seen().size(), 1u);
    pressAccelerator({VK_CONTROL, VK_SHIFT}, 'F');
    EXPECT_EQ(answers.seen().size(), 1u);

    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    select(0, 4);
    pressAccelerator({VK_CONTROL}, 'C');
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT)) << "Ctrl+C copies";

    answers.thenPress(IDCANCEL);
    pressAccelerator({VK_CONTROL}, 'O');
    EXPECT_EQ(answers.seen().size(), 2u) << "Ctrl+O opens the Open dialog";

    pressAccelerator({VK_CONTROL}, 'W');
    EXPECT_FALSE(IsWindow(viewer->mainWindow)) << "Ctrl+W ends the program";
}

// Closes whatever pop-up menu is open, and notes that one was.
bool menuWasShown = false;
void CALLBACK closeMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND popup = FindWindowW(L"#32768", nullptr);
    menuWasShown = popup != nullptr && IsWindowVisible(popup);
    EndMenu();
}

TEST_F(CommandsTest, TheContextMenuOpensOnARightPressOnlyWithASelection) {
    const std::wstring source = writeFile(L"ctx.txt", "context words");
    ASSERT_EQ(viewer->openFile(source.c_str()), 1);
    const auto rightPress = [&] {
        menuWasShown = false;
        SetTimer(nullptr, 0, 200, closeMenu);
        SendMessageW(viewer->mainWindow, WM_PARENTNOTIFY, MAKEWPARAM(WM_RBUTTONDOWN, IDC_TEXT),
                     MAKELPARAM(20, 20));
        pumpMessages();
        Sleep(300);
        pumpMessages();
        return menuWasShown;
    };
    EXPECT_FALSE(rightPress());
    select(0, 7);
    EXPECT_TRUE(rightPress());
    menuWasShown = false;
    SendMessageW(viewer->mainWindow, WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, IDC_TEXT),
                 MAKELPARAM(20, 20));
    EXPECT_FALSE(menuWasShown) << "other buttons show nothing";

    const HMENU context = viewer->contextMenu;
    ASSERT_EQ(GetMenuItemCount(context), 3);
    const UINT ids[] = {IDM_CONTEXT_COPY, IDM_CONTEXT_SEARCH, IDM_CONTEXT_OPEN_URL};
    const wchar_t* texts[] = {L"Copy", L"Search", L"Open &URL"};
    for (int i = 0; i < 3; ++i) {
        wchar_t text[32] = {};
        GetMenuStringW(context, i, text, 32, MF_BYPOSITION);
        EXPECT_EQ(GetMenuItemID(context, i), ids[i]);
        EXPECT_STREQ(text, texts[i]);
    }
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    command(IDM_CONTEXT_COPY);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
}

}  // namespace

// The application object, its main window and text control, and the message boxes.
#include <richedit.h>

#include "app/message_box.h"
#include "res/resource_ids.h"
#include "view/text_control_style.h"
#include "viewer_fixture.h"

namespace {

// The control drops its scroll-bar bits while there is nothing to scroll.
constexpr DWORD scrollBars = WS_HSCROLL | WS_VSCROLL;

DWORD styleOf(HWND window) { return static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)); }

void expectTextControlStyle(HWND control, DWORD expected) {
    EXPECT_EQ(styleOf(control) & ~scrollBars, expected & ~scrollBars) << std::hex << styleOf(control);
}

TEST(MessageBoxes, AreAnsweredAndRecorded) {
    DialogAnswerer answers;
    answers.thenPress(IDOK);
    answers.thenPress(IDNO);
    answers.thenPress(IDCANCEL);
    EXPECT_EQ(showWarning(L"Cannot open file: \"%s\"\n%s", L"a.txt", L"gone"), IDOK);
    EXPECT_EQ(askYesNo(L"Proceed?"), IDNO);
    EXPECT_EQ(askYesNoCancel(L"Three ways %x", 31u), IDCANCEL);
    ASSERT_EQ(answers.seen().size(), 3u);
    EXPECT_EQ(answers.seen()[0].caption, L"Lorvane");
    EXPECT_EQ(answers.seen()[0].text, L"Cannot open file: \"a.txt\"\ngone");
    EXPECT_TRUE(answers.seen()[0].hasIcon);
    EXPECT_EQ(answers.seen()[0].owner, nullptr) << "no window of ours has the focus";
    EXPECT_EQ(answers.seen()[2].text, L"Three ways 1f");
}

TEST(MessageBoxes, ShortenAMessageLongerThanTheirBuffer) {
    DialogAnswerer answers;
    answers.thenPress(IDOK);
    const std::wstring name(300, L'n');
    showWarning(L"Cannot open file: \"%s\"\n%s", name.c_str(), L"The error.");
    ASSERT_EQ(answers.seen().size(), 1u);
    const std::wstring& text = answers.seen()[0].text;
    EXPECT_EQ(text.size(), 255u);
    EXPECT_NE(text.find(L"..."), std::wstring::npos);
    EXPECT_EQ(text.substr(text.size() - 11), L"\nThe error.");
}

TEST(LastErrorText, GivesTheSystemTextOrUnknownError) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    const std::wstring known = lastErrorText();
    EXPECT_NE(known, L"<unknown error>");
    EXPECT_FALSE(known.empty());
    SetLastError(0x2BADF00D);
    EXPECT_STREQ(lastErrorText(), L"<unknown error>");

    // A stream's error code is always said in words: the system's, also from an HRESULT, or the
    // text control's own.
    EXPECT_EQ(errorCodeText(ERROR_FILE_NOT_FOUND), known);
    EXPECT_EQ(errorCodeText(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)), known);
    EXPECT_STREQ(errorCodeText(static_cast<DWORD>(-16)), L"The data does not have the form of the chosen format.");
    EXPECT_STREQ(errorCodeText(HRESULT_FROM_WIN32(ERROR_HANDLE_EOF)), L"The data ends before it is complete.");
    EXPECT_STREQ(errorCodeText(0x2BADF00D), L"The text control stopped with error 732819469.");
}

using SpineTest = ViewerTest;

TEST_F(SpineTest, CreatesTheMainWindowWithItsTextControl) {
    const HWND main = viewer->mainWindow;
    wchar_t className[64];
    GetClassNameW(main, className, 64);
    EXPECT_STREQ(className, L"ZyrLorvaneWndClass");
    EXPECT_EQ(caption(), L"Lorvane");
    EXPECT_EQ(styleOf(main) & WS_OVERLAPPEDWINDOW, static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(GetWindowLongPtrW(main, 0), reinterpret_cast<LONG_PTR>(viewer));

    const HWND control = viewer->textControl;
    GetClassNameW(control, className, 64);
    EXPECT_STREQ(className, L"RichEdit20W");
    EXPECT_EQ(GetDlgCtrlID(control), IDC_TEXT);
    EXPECT_EQ(GetParent(control), main);
    expectTextControlStyle(control, 0x503009C4);
    EXPECT_EQ(viewer->readOnly, 1u);
    EXPECT_EQ(viewer->wrapLines, 0);
    EXPECT_EQ(viewer->streamFormat, StreamFormat::plainText);
    EXPECT_EQ(GetFocus(), control);
    EXPECT_EQ(GetMenuState(GetMenu(main), IDM_FORMAT_PLAIN, MF_BYCOMMAND) & MF_CHECKED,
              static_cast<UINT>(MF_CHECKED));
    EXPECT_NE(GetModuleHandleW(L"riched20.dll"), nullptr);
    EXPECT_NE(viewer->findMessage, 0u);
    EXPECT_EQ(viewer->findMessage, RegisterWindowMessageW(L"commdlg_FindReplace"));
}

TEST_F(SpineTest, TheTextControlFillsTheClientAreaAndFollowsItsSize) {
    RECT client, control;
    GetClientRect(viewer->mainWindow, &client);
    GetWindowRect(viewer->textControl, &control);
    EXPECT_EQ(control.right - control.left, client.right);
    EXPECT_EQ(control.bottom - control.top, client.bottom);

    SetWindowPos(viewer->mainWindow, nullptr, 50, 60, 500, 300, SWP_NOZORDER);
    GetClientRect(viewer->mainWindow, &client);
    GetWindowRect(viewer->textControl, &control);
    EXPECT_EQ(control.right - control.left, client.right);
    EXPECT_EQ(control.bottom - control.top, client.bottom);

    ShowWindow(viewer->mainWindow, SW_MINIMIZE);
    ShowWindow(viewer->mainWindow, SW_RESTORE);
    GetClientRect(viewer->mainWindow, &client);
    GetWindowRect(viewer->textControl, &control);
    EXPECT_EQ(control.right - control.left, client.right);
}

TEST_F(SpineTest, EveryTextControlHoldsAnyFile) {
    const auto limit = [&] { return SendMessageW(viewer->textControl, EM_GETLIMITTEXT, 0, 0); };
    EXPECT_EQ(limit(), 0x7FFFFFFF);
    viewer->toggleWrap();
    EXPECT_EQ(limit(), 0x7FFFFFFF);
    viewer->enableEditing();
    EXPECT_EQ(limit(), 0x7FFFFFFF);
}

TEST_F(SpineTest, ModeChangesMakeANewControlWithTheStyleOfTheMode) {
    const HWND first = viewer->textControl;
    viewer->toggleWrap();
    EXPECT_FALSE(IsWindow(first));
    expectTextControlStyle(viewer->textControl, 0x50200944);
    EXPECT_EQ(viewer->wrapLines, 1);
    EXPECT_EQ(GetFocus(), viewer->textControl);
    viewer->toggleWrap();
    expectTextControlStyle(viewer->textControl, 0x503009C4);

    viewer->enableEditing();
    expectTextControlStyle(viewer->textControl, 0x503001C4);
    EXPECT_EQ(viewer->readOnly, 0u);
    viewer->toggleWrap();
    expectTextControlStyle(viewer->textControl, 0x50200144);
    const HWND editable = viewer->textControl;
    viewer->enableEditing();
    EXPECT_EQ(viewer->textControl, editable) << "editing is enabled once";
    EXPECT_EQ(GetDlgCtrlID(viewer->textControl), IDC_TEXT);
}

TEST_F(SpineTest, WrapAsksBeforeDiscardingEdits) {
    viewer->enableEditing();
    SendMessageW(viewer->textControl, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"typed"));
    ASSERT_EQ(viewer->isModified(), 1);
    const HWND edited = viewer->textControl;
    answers.thenPress(IDNO);
    viewer->toggleWrap();
    EXPECT_EQ(viewer->textControl, edited);
    EXPECT_EQ(controlText(), L"typed");
    EXPECT_EQ(viewer->wrapLines, 0);

    answers.thenPress(IDYES);
    viewer->toggleWrap();
    EXPECT_EQ(controlText(), L"") << "no current file: the new control is empty";
    EXPECT_EQ(viewer->wrapLines, 1);
    EXPECT_EQ(viewer->isModified(), 0);
    ASSERT_EQ(answers.messages().size(), 2u);
    EXPECT_EQ(answers.messages()[0], L"The current file has changed, do you still want to proceed?");
}

TEST_F(SpineTest, CopyAndPasteGoThroughTheClipboardAsPlainText) {
    viewer->enableEditing();
    // Letters outside any one ANSI code page: Greek, Cyrillic and CJK.
    const std::wstring text = L"\u03b1\u0436\u4e2d";
    SendMessageW(viewer->textControl, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(viewer->textControl, EM_SETSEL, 0, 3);
    viewer->copySelection();
    SendMessageW(viewer->textControl, EM_SETSEL, 3, 3);
    viewer->pasteText();
    EXPECT_EQ(controlText(), text + text);
    viewer->setModified(0);
    EXPECT_EQ(viewer->isModified(), 0);
    viewer->setModified(-1);
    EXPECT_EQ(viewer->isModified(), 1);
}

std::wstring clipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return L"<no clipboard>";
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// Copy gives the clipboard the text the control's own copy gives, line ends as CR LF, and RTF
// only for an RTF document; from Find Next's copy of the text, and from the control when an edit
// has left that copy stale.
TEST_F(SpineTest, CopyGivesTheTextOfTheControlsOwnCopy) {
    SendMessageW(viewer->textControl, WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"first line\r\nsecond \u03b1\r\n\r\nlast"));
    const UINT rtf = RegisterClipboardFormatW(L"Rich Text Format");
    const CHARRANGE selections[] = {{3, 20}, {0, -1}, {11, 12}, {5, 5}};
    for (const StreamFormat format : {StreamFormat::plainText, StreamFormat::richText}) {
        viewer->streamFormat = format;
        for (const CHARRANGE& selection : selections) for (const bool stale : {false, true}) {
            if (stale) viewer->textSearch.forgetText();
            SendMessageW(viewer->textControl, EM_SETSEL, selection.cpMin, selection.cpMax);
            OpenClipboard(nullptr);
            EmptyClipboard();
            CloseClipboard();
            SendMessageW(viewer->textControl, WM_COPY, 0, 0);
            const std::wstring controls = clipboardText();
            OpenClipboard(nullptr);
            EmptyClipboard();
            CloseClipboard();
            viewer->onCommand(IDM_COPY);
            EXPECT_EQ(clipboardText(), controls) << selection.cpMin << "-" << selection.cpMax << (stale ? " stale" : "");
            const bool empty = selection.cpMin == selection.cpMax;
            EXPECT_EQ(IsClipboardFormatAvailable(rtf) != 0, format == StreamFormat::richText && !empty)
                << selection.cpMin << "-" << selection.cpMax;
        }
    }
}

TEST_F(SpineTest, CreatingAgainOnlyMovesTheWindow) {
    const HWND main = viewer->mainWindow;
    EXPECT_EQ(viewer->create(GetModuleHandleW(nullptr), L"Other", 10, 20, 400, 300), 1);
    EXPECT_EQ(viewer->mainWindow, main);
    RECT rect;
    GetWindowRect(main, &rect);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.right - rect.left, 400);
    EXPECT_EQ(caption(), L"Lorvane");
}

TEST_F(SpineTest, ASecondWindowClassRegistrationIsReported) {
    ViewerWindow second;
    answers.thenPress(IDOK);
    EXPECT_EQ(second.create(GetModuleHandleW(nullptr), L"Lorvane", CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT),
              0);
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(answers.messages()[0].rfind(L"Unexpected error registering the window class: ", 0), 0u);
    EXPECT_EQ(second.settings, nullptr);
    EXPECT_EQ(second.mainWindow, nullptr);
}

TEST_F(SpineTest, ExitAndTheCloseBoxEndTheLoopWithCodeZero) {
    viewer->enableEditing();
    SendMessageW(viewer->textControl, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"unsaved"));
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_FALSE(IsWindow(viewer->mainWindow)) << "no question about the unsaved text";
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);

    destroyViewer();
    createViewer();
    SendMessageW(viewer->mainWindow, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(viewer->mainWindow));
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);
}

}  // namespace

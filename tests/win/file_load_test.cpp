// Files that load in pieces while the window answers: the same text as one stream, the saves
// that wait for the whole text while the others act at once, the share loaded in the caption, reloads and Exit while pieces remain, the reader's place across a
// reload, the old control destroyed soon after it, devices refused, a read error after the
// first piece, too little memory, and commands that arrive while a message box waits.
#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "view/stream_callbacks.h"
#include "view/text_control_style.h"
#include "viewer_fixture.h"

namespace {

class FileLoadTest : public ViewerTest {
protected:
    // Lets the timer bring in the pieces, as the message loop does.
    void loadInBackground() {
        for (int turn = 0; turn < 20000 && viewer->fileLoad.pending(); ++turn) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            pumpMessages();
        }
        ASSERT_FALSE(viewer->fileLoad.pending());
    }

    std::wstring bigFile(const std::wstring& name, std::size_t size) {
        std::string text;
        for (int line = 0; text.size() < size; ++line) text += "line " + std::to_string(line) + " of many\r\n";
        return writeFile(name, text);
    }
};

std::string utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

TEST_F(FileLoadTest, PiecesGiveTheTextOfOneStream) {
    // Lines that end in CR LF, LF or CR, CR LF pairs on every kind of boundary, lines far longer
    // than a piece (the first one cut by the first piece), letters of two, three and four UTF-8
    // bytes, UTF-16 surrogate pairs, and byte-order marks at the start of lines (where a piece may
    // start). The first piece's share ends 32,768 UTF-16 units into the text (65,536 bytes of a
    // UTF-16 file or of decoded UTF-8): letters of every length lie around it. Few of them: the
    // control lays out a line of such letters very slowly.
    std::wstring wide(30000, L'w');
    for (int letters = 0; letters < 1500; ++letters) wide += L"z\u00e9\u20ac\U0001F600";
    wide += std::wstring(110000, L'w');
    for (int line = 0; wide.size() < 400000; ++line) {
        if (line % 2 == 1) wide += L'\uFEFF';
        wide += L"z\u00e9\u20ac\U0001F600 " + std::wstring(line % 97, L'x') + (line % 3 ? L"\r\n" : line % 2 ? L"\n" : L"\r");
        if (line == 1000) wide += std::wstring(1500000, L'y') + L"\n";
    }
    std::string utf8(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    std::string plain;
    for (const wchar_t c : wide) plain += c == L'\uFEFF' ? "\xEF\xBB\xBF" : c < 0x80 ? std::string(1, static_cast<char>(c)) : "\xE9";
    struct Case {
        const char* what;
        StreamFormat format;
        std::string bytes;
    };
    const Case cases[] = {{"plain", StreamFormat::plainText, plain},
                          {"unicode", StreamFormat::unicodeText, utf16Bytes(wide)},
                          {"utf8", StreamFormat::utf8Text, utf8}};
    for (const Case& each : cases) {
        const std::wstring path = writeFile(L"pieces.txt", each.bytes);
        viewer->streamFormat = each.format;
        ASSERT_EQ(viewer->openFile(path.c_str()), 1) << each.what;
        EXPECT_TRUE(viewer->fileLoad.pending()) << each.what << ": loaded at once";
        loadInBackground();
        const std::wstring expected = oneShotText(path, each.format);
        EXPECT_GT(expected.size(), 1000000u) << each.what;
        EXPECT_TRUE(controlText() == expected) << each.what << ": " << controlText().size() << " against " << expected.size();
        EXPECT_FALSE(viewer->isModified()) << each.what;
    }
}

// Counts the ticks of a timer while a save waits for the rest of the file, and posts a command
// that must not run inside the wait.
int ticksWhileWaiting = 0;
void CALLBACK tickWhileWaiting(HWND window, UINT, UINT_PTR, DWORD) {
    if (ticksWhileWaiting++ == 0) PostMessageW(GetParent(window), WM_COMMAND, IDM_FORMAT_UTF8, 0);
}

TEST_F(FileLoadTest, OnlySavesWaitForTheRestAndTheWindowAnswersMeanwhile) {
    const std::wstring path = bigFile(L"whole.txt", 2 * 1024 * 1024);
    const std::string original = readFile(path);
    viewer->enableEditing();
    struct Case {
        const char* what;
        WORD command;
        int dialogAnswer;  // 0 when no dialog comes
        bool waits;
    };
    const Case cases[] = {{"Copy", IDM_COPY, 0, false},         {"Paste", IDM_PASTE, 0, false},
                          {"Font", IDM_FONT, IDCANCEL, false},   {"Find", IDM_FIND, IDCANCEL, false},
                          {"Save as, cancelled", IDM_SAVE_AS, IDCANCEL, false},
                          {"Save", IDM_SAVE, 0, true}};
    for (const Case& each : cases) {
        const HWND old = viewer->textControl;
        ASSERT_EQ(viewer->openFile(path.c_str()), 1);
        ASSERT_TRUE(viewer->fileLoad.pending()) << each.what;
        if (each.dialogAnswer != 0) answers.thenPress(each.dialogAnswer);
        ticksWhileWaiting = 0;
        if (each.waits) SetTimer(viewer->textControl, 1, 10, tickWhileWaiting);
        SendMessageW(viewer->mainWindow, WM_COMMAND, each.command, 0);
        KillTimer(viewer->textControl, 1);
        EXPECT_EQ(viewer->fileLoad.pending(), !each.waits) << each.what;
        if (!each.waits) continue;
        EXPECT_GT(ticksWhileWaiting, 1) << each.what << ": the window did not answer during the wait";
        EXPECT_EQ(viewer->streamFormat, StreamFormat::plainText) << each.what << ": a command ran inside the wait";
        EXPECT_FALSE(IsWindow(old)) << each.what << ": the old text was kept while the whole text loaded";
        GETTEXTLENGTHEX request = {GTL_NUMCHARS | GTL_USECRLF | GTL_PRECISE, 1200};
        EXPECT_EQ(SendMessageW(viewer->textControl, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&request), 0),
                  static_cast<LRESULT>(original.size())) << each.what;
        EXPECT_FALSE(viewer->isModified()) << each.what;
        EXPECT_FALSE(SendMessageW(viewer->textControl, EM_CANUNDO, 0, 0)) << each.what << ": the load can be undone";
    }
    EXPECT_TRUE(readFile(path) == original) << "Save wrote the whole file";
    // The user's own edits can be undone again.
    SendMessageW(viewer->textControl, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"typed"));
    EXPECT_TRUE(SendMessageW(viewer->textControl, EM_CANUNDO, 0, 0));
}

TEST_F(FileLoadTest, TheCaptionShowsTheShareLoadedUntilTheLastPiece) {
    const std::wstring path = bigFile(L"progress.txt", 4 * 1024 * 1024);
    ASSERT_EQ(viewer->openFile(path.c_str()), 1);
    EXPECT_EQ(caption(), L"progress.txt");
    viewer->fileLoad.onTimer();
    ASSERT_TRUE(viewer->fileLoad.pending());
    const std::wstring marked = caption();
    EXPECT_EQ(marked.rfind(L"progress.txt (", 0), 0u) << marked;
    EXPECT_NE(marked.find(L"% loaded)"), std::wstring::npos) << marked;
    loadInBackground();
    EXPECT_EQ(caption(), L"progress.txt");
}

TEST_F(FileLoadTest, WhatIsOnScreenIsTheFileWhateverTheReaderDoesWhilePiecesArrive) {
    // Lines of many lengths, and a line wider than the window after the first piece, so that
    // the horizontal scroll bar comes while text arrives.
    std::string text;
    for (int line = 0; text.size() < 3 * 1024 * 1024; ++line) {
        text += "2026-12-09 07:" + std::to_string(line % 60) + " INFO path/to/" + std::to_string(line) +
                std::string(static_cast<std::size_t>(line * 7 % 70), 'x') + (line == 3000 ? std::string(900, 'w') : "") + "\r\n";
    }
    const std::wstring path = writeFile(L"scrolled.log", text);
    // Without wrapping, and with it, where the control loses its scroll position in appends.
    for (const int wrap : {0, 1}) {
        if (viewer->wrapLines != wrap) viewer->toggleWrap();
        ASSERT_EQ(viewer->openFile(path.c_str()), 1);
        const HWND control = viewer->textControl;
        // The caret blinks on its own: it is not part of what is compared.
        SetFocus(nullptr);
        for (int step = 0; viewer->fileLoad.pending(); ++step) {
            switch (step % 4) {
            case 0: SendMessageW(control, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0); break;
            case 1: SendMessageW(control, WM_VSCROLL, SB_PAGEDOWN, 0); break;
            case 2: SendMessageW(control, WM_VSCROLL, SB_LINEUP, 0); break;
            default: pumpMessages(); break;
            }
            const LRESULT firstShown = SendMessageW(control, EM_GETFIRSTVISIBLELINE, 0, 0);
            viewer->fileLoad.onTimer();
            EXPECT_EQ(SendMessageW(control, EM_GETFIRSTVISIBLELINE, 0, 0), firstShown) << "an append moved the view, wrap " << wrap;
        }
        UpdateWindow(control);
        const std::vector<DWORD> shown = pixelsOf(control);
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        EXPECT_TRUE(shown == pixelsOf(control)) << "what was on screen was not what the control draws afresh, wrap " << wrap;
    }
}

TEST_F(FileLoadTest, AnotherOpenOrExitDropsWhatIsPending) {
    const std::wstring first = bigFile(L"first.txt", 2 * 1024 * 1024);
    const std::wstring second = writeFile(L"second.txt", "second\r\n");
    ASSERT_EQ(viewer->openFile(first.c_str()), 1);
    ASSERT_TRUE(viewer->fileLoad.pending());
    ASSERT_EQ(viewer->openFile(second.c_str()), 1);
    loadInBackground();
    EXPECT_EQ(controlText(), L"second\r");
    EXPECT_TRUE(DeleteFileW(first.c_str())) << "the first file is still open";

    const std::wstring third = bigFile(L"third.txt", 2 * 1024 * 1024);
    ASSERT_EQ(viewer->openFile(third.c_str()), 1);
    ASSERT_TRUE(viewer->fileLoad.pending());
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_FALSE(IsWindow(viewer->mainWindow));
    EXPECT_FALSE(viewer->fileLoad.pending());
    EXPECT_TRUE(DeleteFileW(third.c_str())) << "the file is still open after Exit";
}

TEST_F(FileLoadTest, TheReadersPlaceSurvivesWrapEditAndAFormatSwitch) {
    const std::wstring path = bigFile(L"place.txt", 2 * 1024 * 1024);
    ASSERT_EQ(viewer->openFile(path.c_str()), 1);
    loadInBackground();
    const HWND before = viewer->textControl;
    const LONG line = 40000;
    const auto start = static_cast<LONG>(SendMessageW(before, EM_LINEINDEX, line, 0));
    SendMessageW(before, EM_SETSEL, start + 2, start + 6);
    SendMessageW(before, EM_SCROLLCARET, 0, 0);
    const auto firstShown = SendMessageW(before, EM_GETFIRSTVISIBLELINE, 0, 0);
    ASSERT_GT(firstShown, 30000);

    struct Step {
        const char* what;
        WORD command;
        LONG selectionStart;
        LONG selectionEnd;
    };
    for (const Step& step : {Step{"Wrap", IDM_WRAP, start + 2, start + 6}, Step{"Edit", IDM_EDIT, start + 2, start + 6},
                             Step{"Options > Plain text", IDM_FORMAT_PLAIN, start, start}}) {
        const HWND old = viewer->textControl;
        SendMessageW(viewer->mainWindow, WM_COMMAND, step.command, 0);
        EXPECT_FALSE(IsWindow(old)) << step.what << ": the old text was kept while the rest loaded up to the place";
        CHARRANGE selection = {};
        SendMessageW(viewer->textControl, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        EXPECT_EQ(selection.cpMin, step.selectionStart) << step.what;
        EXPECT_EQ(selection.cpMax, step.selectionEnd) << step.what;
        EXPECT_EQ(SendMessageW(viewer->textControl, EM_GETFIRSTVISIBLELINE, 0, 0), firstShown) << step.what;
    }
}

TEST_F(FileLoadTest, AfterWrapTheNewTextShowsFirstThenTheOldControlGoesAndThePlaceStays) {
    const std::wstring path = bigFile(L"old.txt", 2 * 1024 * 1024);
    ASSERT_EQ(viewer->openFile(path.c_str()), 1);
    loadInBackground();
    const HWND old = viewer->textControl;
    // A place within the first piece: the rest of the file is appended after the text shows.
    const auto caret = static_cast<LONG>(SendMessageW(old, EM_LINEINDEX, 1000, 0));
    SendMessageW(old, EM_SETSEL, caret, caret);
    SendMessageW(old, EM_SCROLLCARET, 0, 0);
    const auto firstShown = SendMessageW(old, EM_GETFIRSTVISIBLELINE, 0, 0);
    ASSERT_GT(firstShown, 900);
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_WRAP, 0);
    ASSERT_NE(viewer->textControl, old);
    ASSERT_TRUE(IsWindow(old)) << "the new text waited for the old control to be destroyed";
    EXPECT_FALSE(IsWindowVisible(old));
    EXPECT_EQ(GetDlgItem(viewer->mainWindow, IDC_TEXT), viewer->textControl);
    // One message at a time, as the message loop takes them.
    for (int turn = 0; turn < 1000 && IsWindow(old); ++turn) {
        MSG message;
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
    }
    EXPECT_FALSE(IsWindow(old));
    EXPECT_TRUE(viewer->fileLoad.pending()) << "the old text was kept for the whole load";
    loadInBackground();
    EXPECT_EQ(SendMessageW(viewer->textControl, EM_GETFIRSTVISIBLELINE, 0, 0), firstShown)
        << "the wrapping control lost the place while text was appended";
}

TEST_F(FileLoadTest, OnlyFilesOnADiskAreOpened) {
    const std::wstring shown = writeFile(L"shown.txt", "shown\r\n");
    ASSERT_EQ(viewer->openFile(shown.c_str()), 1);
    const wchar_t pipeName[] = L"\\\\.\\pipe\\lorvane-silent";
    const HANDLE server = CreateNamedPipeW(pipeName, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    for (const wchar_t* name : {pipeName, L"COM1", L"CONIN$"}) {
        answers.thenPress(IDOK);
        EXPECT_EQ(viewer->openFile(name), 0) << name;
        ASSERT_FALSE(answers.messages().empty());
        EXPECT_EQ(answers.messages().back().rfind(L"Cannot open file: \"" + std::wstring(name) + L"\"\n", 0), 0u)
            << answers.messages().back();
        EXPECT_STREQ(viewer->fileName, shown.c_str()) << name;
        EXPECT_EQ(controlText(), L"shown\r") << name;
    }
    CloseHandle(server);
}

TEST_F(FileLoadTest, AFileTooLargeForMemoryShowsItsBeginningAndIsNotSavedOver) {
    const std::wstring path = bigFile(L"huge.txt", 4 * 1024 * 1024);
    const std::string original = readFile(path);
    viewer->fileLoad.limitMemory(2 * 1024 * 1024);
    answers.thenPress(IDOK);
    ASSERT_EQ(viewer->openFile(path.c_str()), 1);
    loadInBackground();
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_NE(answers.messages()[0].find(L"too large to show whole"), std::wstring::npos) << answers.messages()[0];
    const std::size_t shown = controlText().size();
    EXPECT_GT(shown, 0u);
    EXPECT_LT(shown, original.size() / 2);
    for (const WORD refused : {IDM_SAVE, IDM_SAVE_AS, IDM_FORMAT_UTF8}) {
        answers.thenPress(IDOK);
        SendMessageW(viewer->mainWindow, WM_COMMAND, refused, 0);
        EXPECT_NE(answers.messages().back().find(L"cannot be saved"), std::wstring::npos) << refused;
    }
    EXPECT_EQ(viewer->streamFormat, StreamFormat::plainText);
    // Saves given while the file still loads: the memory runs out while they wait for the rest.
    for (const WORD save : {IDM_SAVE, IDM_SAVE_AS}) {
        ASSERT_EQ(viewer->openFile(path.c_str()), 1);
        ASSERT_TRUE(viewer->fileLoad.pending());
        if (save == IDM_SAVE_AS) answers.thenChooseFile(pathOf(L"copy.txt"), 1);
        answers.thenPress(IDOK);
        SendMessageW(viewer->mainWindow, WM_COMMAND, save, 0);
        EXPECT_NE(answers.messages().back().find(L"too large to show whole"), std::wstring::npos) << save;
    }
    EXPECT_EQ(answers.messages().size(), 7u);
    EXPECT_FALSE(fileExists(pathOf(L"copy.txt")));
    EXPECT_TRUE(readFile(path) == original);
    // Another file that fits can be saved again.
    const std::wstring small = writeFile(L"small.txt", "small\r\n");
    ASSERT_EQ(viewer->openFile(small.c_str()), 1);
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_SAVE, 0);
    EXPECT_EQ(answers.messages().size(), 7u);

    // A wrapping control lays out a long line with memory that grows with the square of its
    // length (this line would take gigabytes): the rest of it does not go in at once, unseen by
    // the budget, after a first piece that already took more than the budget.
    std::string words;
    while (words.size() < 160 * 1024) words += "wrapped words ";
    const std::wstring line = writeFile(L"line.txt", words);
    viewer->toggleWrap();
    viewer->fileLoad.limitMemory(64 * 1024 * 1024);
    answers.thenPress(IDOK);
    ASSERT_EQ(viewer->openFile(line.c_str()), 1);
    loadInBackground();
    ASSERT_EQ(answers.messages().size(), 8u);
    EXPECT_NE(answers.messages().back().find(L"too large to show whole"), std::wstring::npos);
    EXPECT_LT(controlText().size(), words.size() / 2);
}

TEST_F(FileLoadTest, AReadErrorInALaterPieceKeepsWhatWasReadAndSaysSoOnce) {
    const std::wstring path = bigFile(L"failing.txt", 2 * 1024 * 1024);
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    viewer->fileLoad.start(viewer->textControl, viewer->mainWindow, file, StreamFormat::plainText, path.c_str());
    viewer->setModified(0);
    ASSERT_TRUE(viewer->fileLoad.pending());
    const std::size_t firstPiece = controlText().size();
    // The load's handle now names the same file opened without the right to read it, as when a
    // disk goes away: the next piece cannot be read.
    CloseHandle(file);
    const HANDLE unreadable = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_EQ(unreadable, file) << "the handle's number was not used again";
    answers.thenPress(IDOK);
    loadInBackground();
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(answers.messages()[0].rfind(L"Warning: the file \"" + path + L"\" could not be read completely\n", 0), 0u)
        << answers.messages()[0];
    // The bytes read past the first piece before the error are kept too.
    const std::wstring shown = controlText();
    EXPECT_GE(shown.size(), firstPiece);
    EXPECT_LT(shown.size(), firstPiece + 4096);
    // The file is ASCII in lines that end in CR LF, which the control keeps as CR.
    const std::string original = readFile(path);
    std::wstring beginning;
    for (const char byte : original.substr(0, shown.size() * 2)) {
        if (byte != '\n') beginning += static_cast<wchar_t>(byte);
    }
    EXPECT_TRUE(beginning.rfind(shown, 0) == 0) << "not the file's beginning";
    EXPECT_FALSE(viewer->isModified());
    // The beginning is not saved over the whole file. (The load has closed `unreadable` as its own.)
    lstrcpynW(viewer->fileName, path.c_str(), fileNameLength);
    answers.thenPress(IDOK);
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_SAVE, 0);
    ASSERT_EQ(answers.messages().size(), 2u);
    EXPECT_NE(answers.messages()[1].find(L"could not be read whole"), std::wstring::npos) << answers.messages()[1];
    EXPECT_TRUE(readFile(path) == original);
}

TEST_F(FileLoadTest, CommandsPostedWhileABoxOrADialogWaitsDoNotRunInsideIt) {
    const std::wstring shown = writeFile(L"shown.txt", "shown\r\n");
    ASSERT_EQ(viewer->openFile(shown.c_str()), 1);
    const auto postCommandsThenPress = [&](int button) {
        answers.then([&, button](HWND box) {
            for (int i = 0; i < 20; ++i) {
                PostMessageW(viewer->mainWindow, WM_COMMAND, IDM_FORMAT_PLAIN + i % 4, 0);
            }
            PostMessageW(viewer->mainWindow, WM_COMMAND, IDM_OPEN, 0);
            pumpMessages();
            pressButton(box, button);
        });
    };
    const std::wstring empty = writeFile(L"empty.txt", "");
    postCommandsThenPress(IDOK);
    EXPECT_EQ(viewer->openFile(empty.c_str()), 1);
    pumpMessages();
    ASSERT_EQ(answers.messages().size(), 1u) << "a second box opened inside the first";
    EXPECT_EQ(answers.messages()[0], L"Warning: no data read from file");
    // The same under the program's modal dialogs.
    for (const WORD command : {IDM_OPEN, IDM_SAVE_AS, IDM_FONT, IDM_ABOUT}) {
        postCommandsThenPress(command == IDM_ABOUT ? IDOK : IDCANCEL);
        SendMessageW(viewer->mainWindow, WM_COMMAND, command, 0);
        pumpMessages();
    }
    EXPECT_EQ(answers.seen().size(), 5u) << "a dialog opened inside another";
    EXPECT_EQ(viewer->streamFormat, StreamFormat::plainText);
    EXPECT_STREQ(viewer->fileName, empty.c_str());
}

}  // namespace

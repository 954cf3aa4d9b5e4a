// Following a file that grows once it is in: what another program appends shows as one load of
// the file would show it, in every followed format and wherever the writer cuts; the reader stays
// where they are, or at the end; a file that changes otherwise, or goes away, is no longer
// followed, without a box; unsaved edits are not followed over, the saved file is; a reload
// follows afresh; and the load's memory budget holds for what follows.
#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <string>

#include "res/resource_ids.h"
#include "view/stream_callbacks.h"
#include "view/text_control_style.h"
#include "viewer_fixture.h"

namespace {

class FileFollowTest : public ViewerTest {
protected:
    // Another program appends to the file, sharing it as a log writer does.
    void append(const std::wstring& path, const std::string& bytes) {
        const HANDLE writer = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(writer, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(writer, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(writer);
    }

    // One look of the follow, as its timer gives it, and the pieces it starts.
    void look() {
        SendMessageW(viewer->mainWindow, WM_TIMER, FileFollow::timerId, 0);
        for (int turn = 0; turn < 2000 && viewer->fileLoad.pending(); ++turn) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            pumpMessages();
        }
    }

    static std::string lines(int from, int to) {
        std::string text;
        for (int line = from; line < to; ++line) text += "line " + std::to_string(line) + " of the log\r\n";
        return text;
    }

    LONG firstVisibleLine() const { return static_cast<LONG>(SendMessageW(viewer->textControl, EM_GETFIRSTVISIBLELINE, 0, 0)); }
    LONG lineCount() const { return static_cast<LONG>(SendMessageW(viewer->textControl, EM_GETLINECOUNT, 0, 0)); }
    bool lastLineShown() const {
        RECT client;
        GetClientRect(viewer->textControl, &client);
        POINTL corner = {client.right - 1, client.bottom - 1};
        const auto last = SendMessageW(viewer->textControl, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&corner));
        return SendMessageW(viewer->textControl, EM_EXLINEFROMCHAR, 0, last) >= lineCount() - 1;
    }
};

std::string utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

TEST_F(FileFollowTest, WhatIsAppendedShowsAsOneLoadOfTheFileWouldShowIt) {
    // The writer cuts a CR LF pair, a UTF-8 sequence, a UTF-16 unit and a surrogate pair, and
    // writes a UTF-8 byte-order mark within 8-bit text.
    struct Case {
        const char* what;
        StreamFormat format;
        std::string start;
        std::vector<std::string> writes;
    };
    const std::string face = utf16Bytes(L"\U0001F600");
    const Case cases[] = {
        {"plain", StreamFormat::plainText, lines(0, 300) + "half a line\r",
         {"\n", "more\r\n\xEF\xBB", "\xBF" "after a mark\r", "\r\n", lines(300, 310)}},
        {"utf8", StreamFormat::utf8Text, lines(0, 300) + "cut \xE2", {"\x82", "\xAC\r", "\nline 300 of the log\r\n"}},
        {"unicode", StreamFormat::unicodeText, utf16Bytes(L"\uFEFFfirst\r\n") + face.substr(0, 1),
         {face.substr(1, 2), face.substr(3) + utf16Bytes(L"\r"), utf16Bytes(L"\nlast\r\n")}},
    };
    for (const Case& each : cases) {
        const std::wstring path = writeFile(L"log.txt", each.start);
        viewer->streamFormat = each.format;
        ASSERT_EQ(viewer->openFile(path.c_str()), 1) << each.what;
        look();
        for (const std::string& write : each.writes) {
            append(path, write);
            look();
            EXPECT_TRUE(controlText() == oneShotText(path, each.format)) << each.what << " after " << write.size() << " bytes";
        }
        EXPECT_FALSE(viewer->isModified()) << each.what;
        EXPECT_FALSE(SendMessageW(viewer->textControl, EM_CANUNDO, 0, 0)) << each.what << ": an append can be undone";
        EXPECT_EQ(caption(), L"log.txt") << each.what;
    }
    // RTF is not followed: a piece of RTF is not a document.
    const std::wstring rtf = writeFile(L"doc.rtf", "{\\rtf1 first\\par}");
    viewer->streamFormat = StreamFormat::richText;
    ASSERT_EQ(viewer->openFile(rtf.c_str()), 1);
    const std::wstring before = controlText();
    append(rtf, "{\\rtf1 second}");
    look();
    EXPECT_EQ(controlText(), before);
}

TEST_F(FileFollowTest, AReaderInTheMiddleStaysAndAReaderAtTheEndIsCarriedAlong) {
    const std::wstring path = writeFile(L"log.txt", lines(0, 400));
    ASSERT_EQ(viewer->openFile(path.c_str()), 1);
    look();
    const auto middle = static_cast<LONG>(SendMessageW(viewer->textControl, EM_LINEINDEX, 200, 0));
    SendMessageW(viewer->textControl, EM_SETSEL, middle, middle + 4);
    SendMessageW(viewer->textControl, EM_SCROLLCARET, 0, 0);
    const LONG shown = firstVisibleLine();
    ASSERT_GT(shown, 100);
    append(path, lines(400, 500));
    look();
    EXPECT_EQ(lineCount(), 501);
    EXPECT_EQ(firstVisibleLine(), shown) << "the reader in the middle was moved";
    CHARRANGE selection = {};
    SendMessageW(viewer->textControl, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    EXPECT_EQ(selection.cpMin, middle);
    EXPECT_EQ(selection.cpMax, middle + 4);

    SendMessageW(viewer->textControl, WM_VSCROLL, SB_BOTTOM, 0);
    ASSERT_TRUE(lastLineShown());
    append(path, lines(500, 600));
    look();
    EXPECT_EQ(lineCount(), 601);
    EXPECT_TRUE(lastLineShown()) << "the reader at the end was left behind";
    SendMessageW(viewer->textControl, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    EXPECT_EQ(selection.cpMin, middle) << "the selection moved";
}

TEST_F(FileFollowTest, AFileChangedOtherwiseIsNoLongerFollowedWithoutABoxUntilItIsLoadedAgain) {
    struct Case {
        const char* what;
        void (*change)(const std::wstring& path);
    };
    const Case cases[] = {
        {"truncated", [](const std::wstring& path) {
             const HANDLE other = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, 0, nullptr);
             SetFilePointer(other, 100, nullptr, FILE_BEGIN);
             SetEndOfFile(other);
             CloseHandle(other);
         }},
        {"rewritten longer", [](const std::wstring& path) {
             const HANDLE other = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              CREATE_ALWAYS, 0, nullptr);
             std::string text = "a new log\r\n";
             text += lines(0, 200);
             DWORD written = 0;
             WriteFile(other, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
             CloseHandle(other);
         }},
        {"gone", [](const std::wstring& path) { DeleteFileW(path.c_str()); }},
    };
    for (const Case& each : cases) {
        const std::wstring path = writeFile(L"log.txt", lines(0, 100));
        ASSERT_EQ(viewer->openFile(path.c_str()), 1) << each.what;
        look();
        const std::wstring before = controlText();
        each.change(path);
        look();
        if (fileExists(path)) append(path, lines(500, 510));
        look();
        EXPECT_EQ(controlText(), before) << each.what;
        EXPECT_EQ(caption(), L"log.txt (changed on disk)") << each.what;
        EXPECT_TRUE(answers.messages().empty()) << each.what;
        if (!fileExists(path)) continue;
        // A reload shows the file as it is, and follows it again.
        SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_WRAP, 0);
        append(path, lines(600, 601));
        look();
        EXPECT_TRUE(controlText() == oneShotText(path, StreamFormat::plainText)) << each.what;
        EXPECT_EQ(caption(), L"log.txt") << each.what;
        SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_WRAP, 0);
    }
}

TEST_F(FileFollowTest, UnsavedEditsAreNotFollowedOverAndTheSavedFileIsFollowed) {
    const std::wstring path = writeFile(L"log.txt", lines(0, 10));
    ASSERT_EQ(viewer->openFile(path.c_str()), 1);
    viewer->enableEditing();
    SendMessageW(viewer->textControl, EM_SETSEL, 0, 0);
    SendMessageW(viewer->textControl, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"typed "));
    const std::wstring edited = controlText();
    append(path, lines(10, 20));
    look();
    EXPECT_EQ(controlText(), edited) << "the file was followed over unsaved edits";
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_SAVE, 0);
    append(path, lines(20, 30));
    look();
    EXPECT_TRUE(controlText() == oneShotText(path, StreamFormat::plainText));
    EXPECT_EQ(controlText().rfind(L"typed line 0", 0), 0u);
    EXPECT_EQ(lineCount(), 21);
    EXPECT_FALSE(viewer->isModified());
    // The user's typing goes on as usual after an append.
    SendMessageW(viewer->textControl, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"x"));
    EXPECT_TRUE(viewer->isModified());
}

TEST_F(FileFollowTest, ALogThatOutgrowsTheMemoryBudgetStopsAsALoadDoesAndIsNotSaved) {
    const std::wstring path = writeFile(L"log.txt", lines(0, 1000));
    viewer->fileLoad.limitMemory(2 * 1024 * 1024);
    ASSERT_EQ(viewer->openFile(path.c_str()), 1);
    look();
    answers.thenPress(IDOK);
    append(path, lines(1000, 150000));
    look();
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_NE(answers.messages()[0].find(L"too large to show whole"), std::wstring::npos) << answers.messages()[0];
    const std::string file = readFile(path);
    answers.thenPress(IDOK);
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_SAVE, 0);
    EXPECT_NE(answers.messages().back().find(L"cannot be saved"), std::wstring::npos);
    EXPECT_TRUE(readFile(path) == file);
}

}  // namespace

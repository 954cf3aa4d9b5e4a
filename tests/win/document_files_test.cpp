// Loading and saving real files in the four formats, the file dialogs and the failures.
#include <richedit.h>

#include <dlgs.h>

#include <shlobj.h>

#include <thread>
#include <vector>

#include "res/resource_ids.h"
#include "viewer_fixture.h"

namespace {

std::string utf16(const std::wstring& text) {
    std::string bytes;
    for (const wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

const wchar_t cannotOpenPrefix[] = L"Cannot open file: \"";

// Makes `link` a symbolic link to the file `to` of the same folder. Wine's CreateSymbolicLinkW
// makes nothing, so under Wine the link is made by the system's own ln on the Linux name.
bool makeSymbolicLink(const std::wstring& link, const std::wstring& to) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr) return CreateSymbolicLinkW(link.c_str(), to.c_str(), 0) != 0;
    char* linkName = unixName(link.c_str());
    if (linkName == nullptr) return false;
    const std::string linuxLink = linkName;
    HeapFree(GetProcessHeap(), 0, linkName);
    std::wstring command = L"Z:\\bin\\ln -s " + to + L" " + std::wstring(linuxLink.begin(), linuxLink.end());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessW(L"Z:\\bin\\ln", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    // Wine neither waits for a Linux program nor passes on its exit code: the link itself tells.
    for (int wait = 0; wait < 100; ++wait) {
        if (GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(50);
    }
    return false;
}

// The files as a drop from the shell hands them over; whoever receives them frees them.
HDROP dropOf(const std::vector<std::wstring>& names) {
    std::wstring list;
    for (const std::wstring& name : names) list += name + L'\0';
    list += L'\0';
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    CopyMemory(header + 1, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

void drop(HWND window, const std::vector<std::wstring>& names) {
    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(dropOf(names)), 0);
}

class DocumentFilesTest : public ViewerTest {
protected:
    int load(const std::wstring& path, StreamFormat format) {
        viewer->streamFormat = format;
        return viewer->openFile(path.c_str());
    }

    // Leaves stale temporary files at the names a save would try first a moment from now, from
    // `before` names ahead of the first to `after` names past it, and returns at that moment. The
    // first name tried comes from the clock and the process.
    void leaveStaleTemporaryFiles(int before, int after) const {
        const DWORD moment = GetTickCount() + 1000;
        const DWORD first = moment ^ (GetCurrentProcessId() << 16);
        for (DWORD number = first - before; number != first + after; ++number) {
            wchar_t name[32];
            wsprintfW(name, L"~lorvane-%08x.tmp", number);
            writeFile(name, "stale");
        }
        while (static_cast<LONG>(GetTickCount() - moment) < 0) Sleep(1);
    }

    // The temporary files of saves in the test's folder.
    int temporaryFilesLeft() const {
        int count = 0;
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW(pathOf(L"~lorvane-*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return 0;
        do ++count;
        while (FindNextFileW(search, &found));
        FindClose(search);
        return count;
    }
};

struct FormatCase {
    const char* name;
    StreamFormat format;
    std::string bytes;
    std::wstring text;  // as the control holds it: paragraphs end in CR
};

TEST_F(DocumentFilesTest, LoadsAndSavesTheTextFormatsByteForByte) {
    const FormatCase cases[] = {
        {"plain", StreamFormat::plainText, "line one\r\nline \xE9two\r\nend", L"line one\rline \xE9two\rend"},
        {"unicode", StreamFormat::unicodeText, utf16(L"h\xE9llo \x4E2D\r\nw\xF6rld\r\n"),
         L"h\xE9llo \x4E2D\rw\xF6rld\r"},
        {"utf8", StreamFormat::utf8Text, "h\xC3\xA9llo \xE4\xB8\xAD\r\nw\xC3\xB6rld \xF0\x9F\x98\x80\r\n",
         L"h\xE9llo \x4E2D\rw\xF6rld \xD83D\xDE00\r"},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring source = writeFile(L"source.txt", c.bytes);
        ASSERT_EQ(load(source, c.format), 1);
        EXPECT_EQ(controlText(), c.text);
        EXPECT_EQ(viewer->streamFormat, c.format) << "loading never changes the format";
        const std::wstring copy = pathOf(L"copy.txt");
        ASSERT_EQ(viewer->saveFile(copy.c_str(), StreamFormat::current), 1);
        EXPECT_EQ(readFile(copy), c.bytes);
    }
    EXPECT_TRUE(answers.messages().empty());
}

TEST_F(DocumentFilesTest, ReadsRichTextAndWritesItBack) {
    const std::wstring source =
        writeFile(L"styled.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}Plain \\b bold\\b0  end\\par}");
    ASSERT_EQ(load(source, StreamFormat::richText), 1);
    EXPECT_EQ(controlText().substr(0, 19), L"Plain bold end");
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    SendMessageW(viewer->textControl, EM_SETSEL, 7, 8);
    SendMessageW(viewer->textControl, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    EXPECT_TRUE(format.dwEffects & CFE_BOLD);
    const std::wstring copy = pathOf(L"copy.rtf");
    ASSERT_EQ(viewer->saveFile(copy.c_str(), StreamFormat::current), 1);
    const std::string written = readFile(copy);
    EXPECT_EQ(written.rfind("{\\rtf1", 0), 0u);
    EXPECT_NE(written.find("bold"), std::string::npos);
    EXPECT_NE(written.find("\\b"), std::string::npos);
}

// The control reads 4096 bytes at a time; a line break that falls across two reads must stay
// one line break, in every text format.
TEST_F(DocumentFilesTest, ALineBreakAcrossTwoReadsStaysOneLineBreak) {
    std::string plain = std::string(4095, 'a') + "\r\n" + std::string(5000, 'b') + "\r\n";
    for (int line = 0; line < 200; ++line) plain += "line " + std::to_string(line) + "\r\n";
    std::wstring wide(plain.begin(), plain.end());
    std::string accented;  // UTF-8: the CR of the pair ends the program's first 2048-byte read
    accented = std::string(2047, 'c') + "\r\n" + std::string(3000, 'd') + "\xC3\xA9\r\n" + plain;
    const FormatCase cases[] = {
        {"plain", StreamFormat::plainText, plain, L""},
        {"unicode", StreamFormat::unicodeText, utf16(std::wstring(2047, L'u') + L"\r\n") + utf16(wide), L""},
        {"utf8", StreamFormat::utf8Text, accented, L""},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring source = writeFile(L"lines.txt", c.bytes);
        ASSERT_EQ(load(source, c.format), 1);
        const std::wstring text = controlText();
        EXPECT_EQ(text.find(L"\r\r"), std::wstring::npos) << "an empty line was inserted";
        const std::wstring copy = pathOf(L"copy.txt");
        ASSERT_EQ(viewer->saveFile(copy.c_str(), StreamFormat::current), 1);
        EXPECT_TRUE(readFile(copy) == c.bytes) << "the round trip changed the file";
    }
}

TEST_F(DocumentFilesTest, Utf8ReadsCorrectlyAfterTheFormatSwitchAndSavesAsUnicode) {
    const std::wstring source = writeFile(L"accents.txt", "Gr\xC3\xBC\xC3\x9F" "e, caf\xC3\xA9\r\n");
    ASSERT_EQ(viewer->openFile(source.c_str()), 1);
    EXPECT_NE(controlText(), L"Gr\xFC\xDF" L"e, caf\xE9\r") << "plain text reads the bytes one by one";
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_FORMAT_UTF8, 0);
    EXPECT_EQ(controlText(), L"Gr\xFC\xDF" L"e, caf\xE9\r");
    EXPECT_EQ(static_cast<std::uint64_t>(viewer->streamFormat), 0xFFFFFFFFFDE90021u);

    const std::wstring wide = pathOf(L"wide.txt");
    ASSERT_EQ(viewer->saveFile(wide.c_str(), StreamFormat::unicodeText), 1);
    EXPECT_EQ(readFile(wide), utf16(L"Gr\xFC\xDF" L"e, caf\xE9\r\n"));
    EXPECT_EQ(static_cast<std::uint64_t>(viewer->streamFormat), 0xFFFFFFFFFDE90021u)
        << "saving in another format leaves the format";
    ASSERT_EQ(load(wide, StreamFormat::unicodeText), 1);
    EXPECT_EQ(controlText(), L"Gr\xFC\xDF" L"e, caf\xE9\r");
}

TEST_F(DocumentFilesTest, NamesAreNormalisedAndTheCaptionShowsTheLastPart) {
    const std::wstring source = writeFile(L"with blanks.txt", "content");
    const std::wstring quoted = L"  \"" + source + L"\"  ";
    ASSERT_EQ(viewer->openFile(quoted.c_str()), 1);
    EXPECT_STREQ(viewer->fileName, source.c_str());
    EXPECT_EQ(caption(), L"with blanks.txt");
    EXPECT_EQ(controlText(), L"content");

    answers.thenPress(IDOK);
    EXPECT_EQ(viewer->openFile(L" \"\" "), 0);
    answers.thenPress(IDOK);
    EXPECT_EQ(viewer->saveFile(L"\"", StreamFormat::current), 0);
    EXPECT_EQ(answers.messages(),
              (std::vector<std::wstring>{L"Cannot open file: name missing", L"Cannot open file: name missing"}));
    EXPECT_STREQ(viewer->fileName, source.c_str());
}

TEST_F(DocumentFilesTest, AMissingFileIsReportedAndChangesNothing) {
    const std::wstring source = writeFile(L"shown.txt", "shown");
    ASSERT_EQ(viewer->openFile(source.c_str()), 1);
    const std::wstring missing = pathOf(L"missing.txt");
    answers.thenPress(IDOK);
    EXPECT_EQ(load(missing, StreamFormat::richText), 0);
    ASSERT_EQ(answers.messages().size(), 1u);
    const std::wstring message = answers.messages()[0];
    EXPECT_EQ(message.rfind(cannotOpenPrefix + missing + L"\"\n", 0), 0u) << message;
    EXPECT_GT(message.size(), lstrlenW(cannotOpenPrefix) + missing.size() + 3) << "with the system's text";
    EXPECT_EQ(controlText(), L"shown");
    EXPECT_STREQ(viewer->fileName, source.c_str());
    EXPECT_EQ(caption(), L"shown.txt");
}

TEST_F(DocumentFilesTest, AnEmptyFileIsLoadedWithAWarning) {
    const std::wstring empty = writeFile(L"empty.txt", "");
    answers.thenPress(IDOK);
    EXPECT_EQ(viewer->openFile(empty.c_str()), 1);
    EXPECT_EQ(answers.messages(), std::vector<std::wstring>{L"Warning: no data read from file"});
    EXPECT_STREQ(viewer->fileName, empty.c_str());
    EXPECT_EQ(caption(), L"empty.txt");
}

TEST_F(DocumentFilesTest, NamesLongerThan260CharactersAreRefused) {
    const std::wstring longest(260, L'n');
    answers.thenPress(IDOK);
    EXPECT_EQ(viewer->openFile((L" \"" + longest).c_str()), 0);
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(answers.messages()[0].rfind(cannotOpenPrefix + std::wstring(20, L'n'), 0), 0u)
        << "260 characters are tried";
    answers.thenPress(IDOK);
    EXPECT_EQ(viewer->openFile((longest + L"n").c_str()), 0);
    answers.thenPress(IDOK);
    EXPECT_EQ(viewer->saveFile(std::wstring(5000, L'n').c_str(), StreamFormat::current), 0);
    ASSERT_EQ(answers.messages().size(), 3u);
    EXPECT_EQ(answers.messages()[1], L"Cannot open file: the name is longer than 260 characters");
    EXPECT_EQ(answers.messages()[2], answers.messages()[1]);
    EXPECT_EQ(caption(), L"Lorvane");
}

// Saving writes a whole new file that takes the old one's place, keeping its attributes; where
// the folder leaves no room for the temporary file, the file is written in place.
TEST_F(DocumentFilesTest, SavingPutsAWholeNewFileInPlace) {
    const std::wstring hidden = writeFile(L"hidden.txt", "old content that is longer");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_EQ(viewer->openFile(hidden.c_str()), 1);
    viewer->enableEditing();
    SendMessageW(viewer->textControl, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"new"));
    ASSERT_EQ(viewer->saveFile(hidden.c_str(), StreamFormat::current), 1);
    EXPECT_EQ(readFile(hidden), "new");
    EXPECT_TRUE(GetFileAttributesW(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN);

    const std::wstring deep = pathOf(std::wstring(250 - folder.size() - 1, L'd'));
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    const std::wstring targets[] = {pathOf(L"created.txt"), writeFile(L"existing.txt", "old"),
                                    deep + L"\\a.txt"};
    for (const std::wstring& target : targets) {
        ASSERT_EQ(viewer->saveFile(target.c_str(), StreamFormat::current), 1) << testing::PrintToString(target);
        EXPECT_EQ(readFile(target), "new");
        EXPECT_STREQ(viewer->fileName, target.c_str());
    }
    EXPECT_EQ(answers.messages().size(), 0u);
    EXPECT_EQ(temporaryFilesLeft(), 0);

    // Links stay what they are: a symbolic link keeps leading to its file, which holds the new
    // text, and every name of a hard-linked file keeps naming the one file.
    const std::wstring linked = writeFile(L"linked.txt", "old");
    const std::wstring symbolic = pathOf(L"symbolic.txt");
    ASSERT_TRUE(makeSymbolicLink(symbolic, L"linked.txt"));
    const std::wstring hard = pathOf(L"hard.txt");
    ASSERT_TRUE(CreateHardLinkW(hard.c_str(), linked.c_str(), nullptr));
    for (const std::wstring& target : {symbolic, hard}) {
        SCOPED_TRACE(testing::PrintToString(target));
        writeFile(L"linked.txt", "old");
        ASSERT_EQ(viewer->saveFile(target.c_str(), StreamFormat::current), 1);
        EXPECT_EQ(readFile(linked), "new");
        EXPECT_STREQ(viewer->fileName, target.c_str());
        writeFile(L"linked.txt", "changed by another program");
        EXPECT_EQ(readFile(target), "changed by another program");
    }

    // Stale temporary files of earlier saves, even at the names tried first, do not block a save.
    leaveStaleTemporaryFiles(0, 32);
    EXPECT_EQ(viewer->saveFile(linked.c_str(), StreamFormat::current), 1);
    EXPECT_EQ(readFile(linked), "new");
    EXPECT_EQ(temporaryFilesLeft(), 32);
    EXPECT_EQ(answers.messages().size(), 0u);
}

// Before writing a format that cannot hold every character, the viewer asks; No leaves the file
// and the document as they were.
TEST_F(DocumentFilesTest, SavingAsksBeforeCharactersWouldBeLost) {
    const std::wstring plainQuestion =
        L"The text holds characters that plain text cannot store; they would be saved as '?'. Save anyway?";
    const std::wstring greek = L"caf\xE9 \x3B1\x3B2\x3B3 \x416";
    const std::wstring western = L"caf\xE9 \x2013 na\xEFve \x20AC";
    const std::wstring chinese = L"\x4E2D\x6587 caf\xE9";
    viewer->enableEditing();
    auto type = [this](const std::wstring& text) {
        SendMessageW(viewer->textControl, EM_SETSEL, 0, -1);
        SendMessageW(viewer->textControl, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    };
    struct CheckCase {
        const std::wstring& text;
        StreamFormat format;
        bool asks;
    };
    const CheckCase cases[] = {{greek, StreamFormat::plainText, true},
                               {western, StreamFormat::plainText, false},
                               {greek, StreamFormat::utf8Text, false},
                               {greek, StreamFormat::unicodeText, false},
                               {chinese, StreamFormat::richText, false}};
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text) + " " + std::to_string(static_cast<std::uint64_t>(c.format)));
        type(c.text);
        const std::wstring target = writeFile(L"target.out", "old");
        answers.thenPress(IDNO);
        EXPECT_EQ(viewer->saveFile(target.c_str(), c.format), c.asks ? 0 : 1);
        EXPECT_EQ(answers.unanswered(), c.asks ? 0u : 1u);
        answers.forgetUnanswered();
        if (c.asks) {
            EXPECT_EQ(answers.messages().back(), plainQuestion);
            EXPECT_EQ(answers.seen().back().defaultButton, IDNO) << "Enter keeps the characters";
            EXPECT_EQ(readFile(target), "old");
            EXPECT_EQ(viewer->isModified(), 1);
            EXPECT_EQ(controlText(), c.text);
        } else {
            EXPECT_EQ(load(target, c.format), 1);
            EXPECT_EQ(controlText().substr(0, c.text.size()), c.text) << "the file reads back the same";
            viewer->streamFormat = StreamFormat::plainText;
        }
    }
    type(greek);
    answers.thenPress(IDYES);
    const std::wstring accepted = pathOf(L"accepted.txt");
    EXPECT_EQ(viewer->saveFile(accepted.c_str(), StreamFormat::plainText), 1);
    EXPECT_EQ(readFile(accepted).substr(0, 5), "caf\xE9 ");

    // RTF: a file written without a question reads back as the same text. Wine's control writes
    // look-alikes for the Greek letters, and so asks; a control that writes them whole does not.
    type(greek);
    const std::wstring rich = writeFile(L"greek.rtf", "old");
    answers.thenPress(IDNO);
    const int saved = viewer->saveFile(rich.c_str(), StreamFormat::richText);
    answers.forgetUnanswered();
    if (saved == 0) {
        EXPECT_EQ(answers.messages().back().rfind(L"The text holds characters that would be saved in Rich Text", 0), 0u);
        EXPECT_EQ(answers.seen().back().defaultButton, IDNO);
        EXPECT_EQ(readFile(rich), "old");
    } else {
        EXPECT_EQ(load(rich, StreamFormat::richText), 1);
        EXPECT_EQ(controlText().substr(0, greek.size()), greek);
    }

    // Save as: the chosen type becomes the format even when the answer is No.
    type(greek);
    viewer->streamFormat = StreamFormat::utf8Text;
    answers.thenChooseFile(pathOf(L"declined.txt"), 1);
    answers.thenPress(IDNO);
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_SAVE_AS, 0);
    EXPECT_EQ(answers.messages().back(), plainQuestion);
    EXPECT_EQ(viewer->streamFormat, StreamFormat::plainText);
    EXPECT_FALSE(fileExists(pathOf(L"declined.txt")));
}

TEST_F(DocumentFilesTest, AFailedWriteIsReportedAndTheDocumentStaysUnsaved) {
    const std::wstring source = writeFile(L"kept.txt", "kept text\r\n");
    ASSERT_EQ(viewer->openFile(source.c_str()), 1);
    viewer->enableEditing();
    SendMessageW(viewer->textControl, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"more "));
    answers.thenPress(IDOK);
    EXPECT_EQ(viewer->saveFile(L"Z:\\dev\\full", StreamFormat::current), 0);
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(answers.messages()[0].rfind(L"Cannot write file: \"Z:\\dev\\full\"\n", 0), 0u)
        << answers.messages()[0];
    EXPECT_STREQ(viewer->fileName, source.c_str());
    EXPECT_EQ(caption(), L"kept.txt");
    EXPECT_EQ(viewer->isModified(), 1);

    // A read-only file is not written, and the save leaves nothing behind.
    const std::wstring readOnly = writeFile(L"read-only.txt", "old");
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    for (int attempt = 0; attempt < 2; ++attempt) {
        answers.thenPress(IDOK);
        EXPECT_EQ(viewer->saveFile(readOnly.c_str(), StreamFormat::current), 0);
        EXPECT_EQ(answers.messages().back().rfind(cannotOpenPrefix + readOnly + L"\"\n", 0), 0u)
            << answers.messages().back();
    }
    EXPECT_EQ(readFile(readOnly), "old");
    EXPECT_EQ(temporaryFilesLeft(), 0);

    // When no temporary name is free, the save itself failed: it says so, and the file stays.
    leaveStaleTemporaryFiles(16, 400);
    answers.thenPress(IDOK);
    EXPECT_EQ(viewer->saveFile(source.c_str(), StreamFormat::current), 0);
    EXPECT_EQ(answers.messages().back().rfind(L"Cannot write file: \"" + source + L"\"\n", 0), 0u)
        << answers.messages().back();
    EXPECT_EQ(readFile(source), "kept text\r\n");
}

// A pipe that hands over some text and then breaks: the load stands, with a warning.
TEST_F(DocumentFilesTest, AFileThatChangesWhileItLoadsEndsTheLoadCleanlyAndAMixIsSaidOnce) {
    // Another program cuts the file, appends to it or writes over it in place while its later
    // pieces are still to come: the load ends with what could be read, never reads beyond the
    // size the file had, and says once when the text may mix two versions; a Save then asks.
    std::string lines;
    while (lines.size() < 1024 * 1024) lines += "a line of the file that is read in pieces\r\n";
    const std::wstring path = writeFile(L"changing.txt", lines);
    struct Case {
        const char* what;
        LONG newSize;  // 0: the same size, written over from the start
        std::size_t shownAtMost;
        bool mixed;
    };
    for (const Case each : {Case{"shrinks", 256 * 1024, 256 * 1024, true}, Case{"grows", 3 * 1024 * 1024, 1024 * 1024, false},
                            Case{"is written over", 0, 1024 * 1024, true}}) {
        writeFile(L"changing.txt", lines);
        ASSERT_EQ(viewer->openFile(path.c_str()), 1) << each.what;
        ASSERT_TRUE(viewer->fileLoad.pending()) << each.what;
        const HANDLE other = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr);
        if (each.newSize == 0) {
            const std::string over(lines.size(), 'o');
            DWORD written = 0;
            WriteFile(other, over.data(), static_cast<DWORD>(over.size()), &written, nullptr);
        } else {
            SetFilePointer(other, each.newSize, nullptr, FILE_BEGIN);
            SetEndOfFile(other);
        }
        CloseHandle(other);
        const std::size_t boxes = answers.messages().size();
        if (each.mixed) answers.thenPress(IDOK);
        viewer->fileLoad.finish();
        EXPECT_FALSE(viewer->fileLoad.pending()) << each.what;
        EXPECT_GE(controlText().size(), 60u * 1024) << each.what;
        EXPECT_LE(controlText().size(), each.shownAtMost) << each.what;
        EXPECT_FALSE(viewer->isModified()) << each.what;
        ASSERT_EQ(answers.messages().size(), boxes + (each.mixed ? 1 : 0)) << each.what;
        if (!each.mixed) continue;
        EXPECT_EQ(answers.messages().back(), L"The file \"" + path + L"\" changed while it was loading; the text shown "
                                             L"may mix the old and the new content. Open it again to see it as it is now.");
        const std::string changed = readFile(path);
        answers.thenPress(IDNO);
        SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_SAVE, 0);
        EXPECT_NE(answers.messages().back().find(L"Save it anyway?"), std::wstring::npos) << answers.messages().back();
        EXPECT_TRUE(readFile(path) == changed) << each.what << ": the mix was saved over the file";
        EXPECT_EQ(answers.messages().size(), boxes + 2) << each.what << ": the mix was said more than once";
    }
}

TEST_F(DocumentFilesTest, FormatSwitchReloadsAndPutsTheFormatBackWhenTheFileIsGone) {
    viewer->setFormat(StreamFormat::unicodeText);
    EXPECT_EQ(viewer->streamFormat, StreamFormat::unicodeText) << "without a file only the format changes";
    const std::wstring source = writeFile(L"switch.txt", "abc\r\n");
    ASSERT_EQ(load(source, StreamFormat::plainText), 1);
    viewer->enableEditing();
    SendMessageW(viewer->textControl, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"edit "));
    EXPECT_TRUE(viewer->setFormat(StreamFormat::plainText)) << "no question, even for the same format";
    EXPECT_EQ(controlText(), L"abc\r");
    EXPECT_EQ(viewer->isModified(), 0);

    DeleteFileW(source.c_str());
    answers.thenPress(IDOK);
    EXPECT_FALSE(viewer->setFormat(StreamFormat::richText));
    EXPECT_EQ(viewer->streamFormat, StreamFormat::plainText);
    EXPECT_EQ(controlText(), L"abc\r");
    EXPECT_EQ(answers.messages()[0].rfind(cannotOpenPrefix + source, 0), 0u);
}

TEST_F(DocumentFilesTest, AModeChangeReloadsTheFileInTheCurrentFormat) {
    const std::wstring source = writeFile(L"mode.txt", "na\xC3\xAFve\r\n");
    viewer->streamFormat = StreamFormat::utf8Text;
    ASSERT_EQ(viewer->openFile(source.c_str()), 1);
    viewer->toggleWrap();
    EXPECT_EQ(controlText(), L"na\xEFve\r");
    viewer->enableEditing();
    EXPECT_EQ(controlText(), L"na\xEFve\r");
    DeleteFileW(source.c_str());
    answers.thenPress(IDOK);
    viewer->toggleWrap();
    EXPECT_EQ(controlText(), L"") << "the new control stays empty";
    EXPECT_EQ(viewer->wrapLines, 0);
    EXPECT_STREQ(viewer->fileName, source.c_str());
    EXPECT_EQ(caption(), L"mode.txt");
}

TEST_F(DocumentFilesTest, AMultiMegabyteFileLoadsWhole) {
    std::string big;
    for (int line = 0; big.size() < 3 * 1024 * 1024; ++line) {
        big += "line " + std::to_string(line) + " of a file larger than any default text limit\r\n";
    }
    const std::wstring source = writeFile(L"big.txt", big);
    ASSERT_EQ(viewer->openFile(source.c_str()), 1);
    viewer->fileLoad.finish();
    GETTEXTLENGTHEX request = {GTL_NUMCHARS | GTL_USECRLF | GTL_PRECISE, 1200};
    EXPECT_EQ(SendMessageW(viewer->textControl, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&request), 0),
              static_cast<LRESULT>(big.size()));
    const std::wstring copy = pathOf(L"big-copy.txt");
    ASSERT_EQ(viewer->saveFile(copy.c_str(), StreamFormat::current), 1);
    EXPECT_TRUE(readFile(copy) == big);
}

TEST_F(DocumentFilesTest, SaveAsTakesTheFormatOfTheChosenType) {
    const std::wstring source = writeFile(L"doc.rtf", "{\\rtf1\\ansi Rich\\par}");
    ASSERT_EQ(load(source, StreamFormat::richText), 1);
    // The dialog proposes the current name and the first type; typing a bare name adds .txt.
    std::wstring proposed;
    int proposedType = 0;
    answers.then([&](HWND dialog) {
        proposed = windowText(GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1));
        proposedType = static_cast<int>(SendDlgItemMessageW(dialog, cmb1, CB_GETCURSEL, 0, 0));
        SetWindowTextW(GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1),
                       pathOf(L"notes").c_str());
        pressButton(dialog, IDOK);
    });
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_SAVE_AS, 0);
    EXPECT_NE(proposed.find(L"doc.rtf"), std::wstring::npos) << proposed;
    EXPECT_EQ(proposedType, 0);
    EXPECT_EQ(readFile(pathOf(L"notes.txt")), "Rich");
    EXPECT_EQ(viewer->streamFormat, StreamFormat::plainText);
    EXPECT_EQ(caption(), L"notes.txt");

    struct TypeCase {
        int type;
        StreamFormat format;
        std::string bytes;
    };
    const TypeCase types[] = {{3, StreamFormat::unicodeText, utf16(L"Rich")},
                              {4, StreamFormat::utf8Text, "Rich"},
                              {2, StreamFormat::richText, "{\\rtf1"}};
    for (const TypeCase& t : types) {
        const std::wstring target = pathOf(L"typed" + std::to_wstring(t.type) + L".out");
        answers.thenChooseFile(target, t.type);
        SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_SAVE_AS, 0);
        EXPECT_EQ(viewer->streamFormat, t.format) << t.type;
        EXPECT_EQ(readFile(target).substr(0, t.bytes.size()), t.bytes) << t.type;
    }
    // Save writes the current file in the current format, without a dialog.
    viewer->enableEditing();
    SendMessageW(viewer->textControl, EM_SETSEL, 0, 0);
    SendMessageW(viewer->textControl, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"More "));
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_SAVE, 0);
    EXPECT_NE(readFile(pathOf(L"typed2.out")).find("More Rich"), std::string::npos);
    EXPECT_EQ(viewer->isModified(), 0);
}

TEST_F(DocumentFilesTest, AFailedSaveAsKeepsTheChosenFormat) {
    // Another program holds the file open without sharing it.
    const std::wstring locked = writeFile(L"locked.rtf", "old");
    const HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    answers.thenChooseFile(locked, 2);
    answers.thenPress(IDYES);  // the dialog's own question before overwriting
    answers.thenPress(IDOK);
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_SAVE_AS, 0);
    ASSERT_EQ(answers.messages().size(), 3u) << testing::PrintToString(answers.messages());
    EXPECT_EQ(answers.messages()[2].rfind(cannotOpenPrefix + locked + L"\"\n", 0), 0u);
    EXPECT_EQ(viewer->streamFormat, StreamFormat::richText);
    CloseHandle(holder);
    EXPECT_EQ(readFile(locked), "old");
    EXPECT_EQ(caption(), L"Lorvane");
}

TEST_F(DocumentFilesTest, OpenAsksFirstWhenTheTextHasChanged) {
    const std::wstring first = writeFile(L"first.txt", "first");
    const std::wstring second = writeFile(L"second.txt", "second");
    ASSERT_EQ(viewer->openFile(first.c_str()), 1);
    viewer->enableEditing();
    SendMessageW(viewer->textControl, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"changed "));
    answers.thenPress(IDNO);
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_OPEN, 0);
    EXPECT_EQ(caption(), L"first.txt");
    answers.thenPress(IDYES);
    answers.thenPress(IDCANCEL);
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_OPEN, 0);
    EXPECT_EQ(caption(), L"first.txt");
    answers.thenPress(IDYES);
    answers.thenChooseFile(second);
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_OPEN, 0);
    EXPECT_EQ(caption(), L"second.txt");
    EXPECT_EQ(controlText(), L"second");
    const std::vector<std::wstring> messages = answers.messages();
    EXPECT_EQ(messages[0], L"The current file has changed, do you still want to proceed?");
}

// A file dropped on the window opens as File > Open opens it; of several, the first.
TEST_F(DocumentFilesTest, ADroppedFileOpensAsFileOpenWouldOpenIt) {
    const std::wstring first = writeFile(L"first.txt", "first");
    const std::wstring second = writeFile(L"second.txt", "second");
    drop(viewer->mainWindow, {first, second});
    EXPECT_EQ(caption(), L"first.txt");
    EXPECT_EQ(controlText(), L"first");

    viewer->enableEditing();
    SendMessageW(viewer->textControl, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"changed "));
    // The question comes first; a drop while it waits is ignored, like a command.
    answers.then([&](HWND box) {
        drop(viewer->mainWindow, {second});
        pressButton(box, IDNO);
    });
    drop(viewer->mainWindow, {second});
    EXPECT_EQ(caption(), L"first.txt");
    answers.thenPress(IDYES);
    drop(viewer->mainWindow, {second});
    EXPECT_EQ(caption(), L"second.txt");
    EXPECT_EQ(controlText(), L"second");

    answers.thenPress(IDOK);
    drop(viewer->mainWindow, {folder});
    EXPECT_EQ(caption(), L"second.txt");
    const std::vector<std::wstring> messages = answers.messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], L"The current file has changed, do you still want to proceed?");
    EXPECT_EQ(messages[2].rfind(cannotOpenPrefix + folder, 0), 0u) << "a folder cannot be opened";
}

}  // namespace

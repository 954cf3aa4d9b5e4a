// Web search and opening an address: what the shell is handed, checked through a stand-in
// browser (url_recorder.exe) registered as the handler of http and https addresses.
#include "viewer_fixture.h"

#include <richedit.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const std::wstring searchPrefix = L"https://www.google.com/search?q=";
const wchar_t searchTooLarge[] = L"The current selection is too large for a web search";
const wchar_t urlTooLarge[] = L"The current selection is too large to open as a URL";

std::wstring besideTests(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

// Makes `command` the shell's handler of http and https addresses while it lives, and puts
// the handlers found before back afterwards. The shell looks them up under HKEY_CLASSES_ROOT.
class UrlHandler {
public:
    explicit UrlHandler(const std::wstring& command) {
        for (const wchar_t* key : keys) saved.push_back(commandOf(key));
        use(command);
    }
    ~UrlHandler() {
        for (std::size_t i = 0; i < std::size(keys); ++i) setCommand(keys[i], saved[i]);
    }
    UrlHandler(const UrlHandler&) = delete;
    UrlHandler& operator=(const UrlHandler&) = delete;

    void use(const std::wstring& command) {
        for (const wchar_t* key : keys) setCommand(key, command);
    }

private:
    static constexpr const wchar_t* keys[] = {L"http\\shell\\open\\command",
                                              L"https\\shell\\open\\command"};

    static std::wstring commandOf(const wchar_t* key) {
        wchar_t command[1024] = {};
        DWORD size = sizeof command - sizeof(wchar_t);
        RegGetValueW(HKEY_CLASSES_ROOT, key, nullptr, RRF_RT_REG_SZ, nullptr, command, &size);
        return command;
    }
    static void setCommand(const wchar_t* key, const std::wstring& command) {
        RegSetKeyValueW(HKEY_CLASSES_ROOT, key, nullptr, REG_SZ, command.c_str(),
                        static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    }

    std::vector<std::wstring> saved;
};

// What the stand-in browser has been handed so far, one entry per start.
std::vector<std::wstring> readRecords(const std::wstring& path) {
    std::vector<std::wstring> records;
    const std::string bytes = readFile(path);
    if (bytes == "<missing>") return records;
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    // Only records that end in their null character are complete.
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(L'\0', start)) != std::wstring::npos; start = end + 1) {
        records.push_back(text.substr(start, end - start));
    }
    return records;
}

// The record of an address handed on through the command "recorder" "%1".
std::wstring handedOn(const std::wstring& address) { return L"\"" + address + L"\""; }

class WebSearchTest : public ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        DeleteFileW(recordPath.c_str());
    }

    // Shows `text` and selects from `start` to `end` (-1: to the end of the text).
    void showSelected(const std::wstring& text, int start = 0, int end = -1) {
        SendMessageW(viewer->textControl, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageW(viewer->textControl, EM_SETSEL, start,
                     end < 0 ? static_cast<int>(text.size()) : end);
    }

    // Waits until the stand-in browser has been started `count` times in all.
    std::vector<std::wstring> recordsOnceThereAre(std::size_t count) {
        std::vector<std::wstring> records;
        for (int waited = 0; waited < 15000; waited += 50) {
            records = readRecords(recordPath);
            if (records.size() >= count) break;
            Sleep(50);
        }
        return records;
    }

    const std::wstring recorder = besideTests(L"url_recorder.exe");
    const std::wstring recordPath = recorder + L".record";
    UrlHandler handler{L"\"" + recorder + L"\" \"%1\""};
};

// One use of an operation on a selection: it hands an address to the shell, shows a message,
// or does nothing at all.
struct Use {
    const char* what;
    void (ViewerWindow::*operation)();
    std::wstring text;
    int start;
    int end;
    std::wstring address;  // handed to the shell; empty: none
    std::wstring message;  // shown; empty: none
};

std::wstring repeated(const std::wstring& piece, std::size_t length) {
    std::wstring text;
    while (text.size() < length) text += piece;
    return text.substr(0, length);
}

TEST_F(WebSearchTest, TheSelectionReachesTheBrowserExactly) {
    const auto search = &ViewerWindow::searchWeb;
    const auto open = &ViewerWindow::openUrl;
    const std::wstring url256 = L"http://" + repeated(L"a", 249);
    const std::wstring lines256 = L"https://" + repeated(L"x/y\r", 248);
    const Use uses[] = {
        {"search, nothing selected", search, L"word", 2, 2, L"", L""},
        {"search, one character", search, L"x", 0, -1, searchPrefix + L"x", L""},
        {"search, a word inside the text", search, L"see C# tutorial here", 4, 15,
         searchPrefix + L"C%23%20tutorial", L""},
        {"search, signs", search, L"a+b=c", 0, -1, searchPrefix + L"a%2Bb%3Dc", L""},
        {"search, accented letter", search, L"\xE9", 0, -1, searchPrefix + L"\xE9", L""},
        {"search, across a line break", search, L"two\rlines", 0, -1,
         searchPrefix + L"two%0Dlines", L""},
        {"search, 128 characters", search, repeated(L"a", 128), 0, -1,
         searchPrefix + repeated(L"a", 128), L""},
        {"search, 128 accented letters", search, repeated(L"\xE9", 128), 0, -1,
         searchPrefix + repeated(L"\xE9", 128), L""},
        {"search, 129 characters", search, repeated(L"a", 129), 0, -1, L"", searchTooLarge},
        {"search, escaped to exactly 255", search, repeated(L" ", 85), 0, -1,
         searchPrefix + repeated(L"%20", 255), L""},
        {"search, escaped to 258", search, repeated(L" ", 86), 0, -1, L"", searchTooLarge},
        {"search, 128 characters escaped to 384", search, repeated(L"+", 128), 0, -1, L"",
         searchTooLarge},
        {"open, nothing selected", open, L"http://x", 3, 3, L"", L""},
        {"open, one character", open, L"h", 0, -1, L"", L"The selected text:\nh\nis not a URL"},
        {"open, the scheme alone", open, L"http://", 0, -1, L"http://", L""},
        {"open, https and anything after it", open, L"https://a b\"c", 0, -1,
         L"https://a%20b%22c", L""},
        {"open, quotes cannot add arguments", open, L"https://a.test/x\" --evil-flag \"y", 0, -1,
         L"https://a.test/x%22%20--evil-flag%20%22y", L""},
        {"open, scheme in capitals", open, L"HTTP://x", 0, -1, L"",
         L"The selected text:\nHTTP://x\nis not a URL"},
        {"open, white space around the address", open, L" http://x \r", 0, -1, L"http://x", L""},
        {"open, blank before something else", open, L" x:http://x", 0, -1, L"",
         L"The selected text:\n x:http://x\nis not a URL"},
        {"open, 256 characters", open, url256, 0, -1, url256, L""},
        {"open, 256 characters across line breaks", open, lines256, 0, -1,
         L"https://" + repeated(L"x/y%0D", 61 * 6) + L"x/y", L""},
        {"open, 257 characters", open, url256 + L"a", 0, -1, L"", urlTooLarge},
    };
    std::size_t launches = 0;
    for (const Use& use : uses) {
        const std::size_t messagesBefore = answers.messages().size();
        if (!use.message.empty()) answers.thenPress(IDOK);
        showSelected(use.text, use.start, use.end);
        (viewer->*use.operation)();
        const std::vector<std::wstring> messages = answers.messages();
        ASSERT_EQ(messages.size(), messagesBefore + (use.message.empty() ? 0 : 1)) << use.what;
        if (!use.message.empty()) {
            EXPECT_EQ(messages.back(), use.message) << use.what;
        }
        if (use.address.empty()) continue;
        const std::vector<std::wstring> records = recordsOnceThereAre(++launches);
        ASSERT_EQ(records.size(), launches) << use.what;
        EXPECT_EQ(records.back(), handedOn(use.address)) << use.what;
    }
    Sleep(500);
    EXPECT_EQ(readRecords(recordPath).size(), launches) << "started by a use that should not";

    CHARRANGE selection = {};
    SendMessageW(viewer->textControl, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    EXPECT_EQ(selection.cpMin, 0) << "the selection is left as it was";
    EXPECT_EQ(selection.cpMax, 257);
    EXPECT_EQ(viewer->isModified(), 0);
}

TEST_F(WebSearchTest, AMessageThatEmbedsALongSelectionIsShortenedVisibly) {
    const std::wstring notUrl = L"<" + repeated(L"n", 254) + L">";
    answers.thenPress(IDOK);
    showSelected(notUrl);
    viewer->openUrl();
    ASSERT_EQ(answers.messages().size(), 1u);
    const std::wstring message = answers.messages()[0];
    EXPECT_EQ(message.size(), 255u);
    EXPECT_EQ(message.rfind(L"The selected text:\n<nnn", 0), 0u) << "keeps its beginning";
    EXPECT_NE(message.find(L"nnn...nnn"), std::wstring::npos);
    EXPECT_EQ(message.substr(message.size() - 15), L"n>\nis not a URL") << "keeps its end";
}

// The shell's failures are reported with its result in hexadecimal and the address.
TEST_F(WebSearchTest, AFailingShellIsReported) {
    const std::wstring failed =
        L"The search failed. The following info may be useful for debugging: ";
    const struct {
        const char* what;
        std::wstring command;
        void (ViewerWindow::*operation)();
        std::wstring selection;
        std::wstring message;
    } failures[] = {
        {"a handler that does not exist", L"\"C:\\no\\such\\browser.exe\" \"%1\"",
         &ViewerWindow::searchWeb, L"word", failed + L"2 " + searchPrefix + L"word\n"},
        {"no handler command", L"", &ViewerWindow::searchWeb, L"word",
         failed + L"1f " + searchPrefix + L"word\n"},
        {"opening an address", L"\"C:\\no\\such\\browser.exe\" \"%1\"", &ViewerWindow::openUrl,
         L"http://example.org/", failed + L"2 http://example.org/\n"},
    };
    for (const auto& failure : failures) {
        handler.use(failure.command);
        answers.thenPress(IDOK);
        showSelected(failure.selection);
        (viewer->*failure.operation)();
        ASSERT_FALSE(answers.messages().empty()) << failure.what;
        EXPECT_EQ(answers.messages().back(), failure.message) << failure.what;
    }

    // An address too long for the message keeps the result, its beginning and the line break.
    answers.thenPress(IDOK);
    showSelected(L"http://" + repeated(L"a", 249));
    viewer->openUrl();
    const std::wstring message = answers.messages().back();
    EXPECT_EQ(message.size(), 255u);
    EXPECT_EQ(message.rfind(failed + L"2 http://aaa", 0), 0u);
    EXPECT_NE(message.find(L"aaa...aaa"), std::wstring::npos);
    EXPECT_EQ(message.back(), L'\n');
    EXPECT_TRUE(readRecords(recordPath).empty());
}

// Both operations read the selection into a buffer sized by the selection's length; the control
// must never hand back more characters than that, whatever the line breaks.
TEST_F(WebSearchTest, TheControlGivesNoMoreSelectedTextThanTheSelectionHolds) {
    const struct {
        const char* bytes;
        StreamFormat format;
    } files[] = {
        {"ab\r\ncd\r\nef\r\n", StreamFormat::plainText},
        {"ab\ncd\nef\n", StreamFormat::plainText},
        {"ab\rcd\ref\r", StreamFormat::plainText},
        {"ab\r\r\ncd\r\n\r\nef", StreamFormat::plainText},
        {"{\\rtf1 ab\\par cd\\line ef\\tab gh\\page ij\\sect kl\\par}", StreamFormat::richText},
        {"{\\rtf1 ab\\par\\trowd\\cellx1000\\cellx2000 x\\cell y\\cell\\row z\\par}",
         StreamFormat::richText},
    };
    for (const auto& file : files) {
        viewer->streamFormat = file.format;
        ASSERT_EQ(viewer->openFile(writeFile(L"lines.txt", file.bytes).c_str()), 1);
        for (const CHARRANGE range : {CHARRANGE{0, -1}, CHARRANGE{1, 9}, CHARRANGE{2, 3}}) {
            SendMessageW(viewer->textControl, EM_SETSEL, range.cpMin, range.cpMax);
            DWORD start = 0, end = 0;
            SendMessageW(viewer->textControl, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                         reinterpret_cast<LPARAM>(&end));
            std::wstring buffer(1024, L'#');
            SendMessageW(viewer->textControl, EM_GETSELTEXT, 0,
                         reinterpret_cast<LPARAM>(buffer.data()));
            EXPECT_LE(static_cast<DWORD>(lstrlenW(buffer.c_str())), end - start)
                << file.bytes << ", selection " << start << " to " << end;
        }
    }
}

}  // namespace

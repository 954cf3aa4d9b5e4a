// The real exe, started and used as a person would.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>

#include "lorvane_process.h"

namespace {

BOOL CALLBACK countTextControls(HWND child, LPARAM param) {
    if (classOfWindow(child) == L"RichEdit20W") ++*reinterpret_cast<int*>(param);
    return TRUE;
}

bool moduleLoaded(DWORD processId, const wchar_t* name) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    MODULEENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Module32FirstW(snapshot, &entry); more && !found;
         more = Module32NextW(snapshot, &entry)) {
        found = lstrcmpiW(entry.szModule, name) == 0;
    }
    CloseHandle(snapshot);
    return found;
}

TEST(Lorvane, StartsWithAnEmptyReadOnlyTextAreaUnderItsMenuBar) {
    LorvaneProcess lorvane;
    ASSERT_TRUE(lorvane.started());
    const HWND main = lorvane.mainWindow();
    ASSERT_NE(main, nullptr);
    // The dialog and shell DLLs wait for their first use.
    EXPECT_TRUE(moduleLoaded(lorvane.processId, L"user32.dll"));
    for (const wchar_t* dll : {L"comdlg32.dll", L"comctl32.dll", L"shell32.dll", L"shlwapi.dll"}) {
        EXPECT_FALSE(moduleLoaded(lorvane.processId, dll)) << dll;
    }
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

std::wstring tempFile(const std::wstring& name, const std::string& bytes) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + name;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

TEST(Lorvane, OpensAQuotedFileNameWithBlanksFromTheCommandLineAndFollowsItAsItGrows) {
    const std::wstring path = tempFile(L"lorvane e2e notes.txt", "First line\r\nSecond line\r\n");
    LorvaneProcess lorvane(L"\"" + path + L"\"");
    ASSERT_TRUE(lorvane.waitForCaption(L"lorvane e2e notes.txt"));
    const HWND text = GetDlgItem(lorvane.mainWindow(), 200);
    EXPECT_EQ(textOfWindow(text), L"First line\r\nSecond line\r\n");
    // Written as a log is, while the program shows the file.
    const HANDLE log = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(log, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(log, "Third line\r\n", 12, &written, nullptr);
    const std::wstring grown = L"First line\r\nSecond line\r\nThird line\r\n";
    for (int wait = 0; wait < 50 && textOfWindow(text) != grown; ++wait) Sleep(100);
    EXPECT_EQ(textOfWindow(text), grown);
    CloseHandle(log);
    PostMessageW(lorvane.mainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(lorvane.waitForExit(), 0u);
    DeleteFileW(path.c_str());
}

TEST(Lorvane, AMissingFileIsReportedOnceAndTheWindowStaysEmpty) {
    LorvaneProcess lorvane(L"C:\\no such folder\\missing file.txt");
    const HWND warning = lorvane.dialog();
    ASSERT_NE(warning, nullptr);
    EXPECT_EQ(textOfWindow(warning), L"Lorvane");
    const std::wstring message = messageOfDialog(warning);
    EXPECT_EQ(message.rfind(L"Cannot open file: \"C:\\no such folder\\missing file.txt\"\n", 0), 0u);
    PostMessageW(warning, WM_COMMAND, IDOK, 0);
    const HWND main = lorvane.mainWindow();
    ASSERT_NE(main, nullptr);
    Sleep(300);
    EXPECT_EQ(lorvane.dialog(0), nullptr) << "one warning only";
    EXPECT_EQ(textOfWindow(main), L"Lorvane");
    EXPECT_EQ(textOfWindow(GetDlgItem(main, 200)), L"");
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(lorvane.waitForExit(), 0u);
}

// A command-line tail is one file name of at most 260 characters (a closing quote counts, as
// it is removed only afterwards); a longer one is refused with a warning and never copied past
// the program's buffer.
TEST(Lorvane, OverlongNamesOnTheCommandLineAreRefusedAndTheWindowStays) {
    const struct {
        std::size_t length;
        const wchar_t* start;
    } cases[] = {{260, L"Cannot open file: \"nnnn"},
                 {261, L"Cannot open file: the name is longer than 260 characters"},
                 {5000, L"Cannot open file: the name is longer than 260 characters"}};
    for (const auto& c : cases) {
        LorvaneProcess lorvane(std::wstring(c.length, L'n'));
        const HWND warning = lorvane.dialog();
        ASSERT_NE(warning, nullptr) << c.length;
        EXPECT_EQ(messageOfDialog(warning).rfind(c.start, 0), 0u)
            << c.length << testing::PrintToString(messageOfDialog(warning));
        EXPECT_LE(messageOfDialog(warning).size(), 255u);
        PostMessageW(warning, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(lorvane.waitForCaption(L"Lorvane")) << c.length;
        PostMessageW(lorvane.mainWindow(), WM_CLOSE, 0, 0);
        EXPECT_EQ(lorvane.waitForExit(), 0u) << c.length;
    }
}

}  // namespace

namespace {

std::wstring bigTempFile(std::string& contents) {
    for (int line = 0; contents.size() < 20 * 1024 * 1024; ++line) {
        contents += "line " + std::to_string(line) + " of a file that takes seconds to load whole\r\n";
    }
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"lorvane-e2e-big.txt";
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

// The length of another process's control, asked of the control itself.
int lengthOf(HWND control) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 60000, &length);
    return static_cast<int>(length);
}

std::string contentsOf(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes;
}

}  // namespace

TEST(Lorvane, ABigFileShowsTextAtOnceAnswersWhileLoadingAndSavesWhole) {
    std::string contents;
    const std::wstring path = bigTempFile(contents);
    LorvaneProcess lorvane(L"\"" + path + L"\"");
    const HWND main = lorvane.mainWindow();
    ASSERT_NE(main, nullptr);
    const DWORD started = GetTickCount();
    ASSERT_FALSE(lorvane.waitForCaptionStart(L"lorvane-e2e-big.txt").empty());
    const HWND text = GetDlgItem(main, 200);
    EXPECT_GT(lengthOf(text), 0);
    EXPECT_LT(GetTickCount() - started, 2000u) << "no text within 2 s of the window";
    // While the rest loads, the window answers, and the text grows.
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result));
    EXPECT_LT(lengthOf(text), static_cast<int>(contents.size())) << "the load is already over";
    // The caption says how far the load has come.
    EXPECT_NE(lorvane.waitForCaptionStart(L"lorvane-e2e-big.txt (").find(L"% loaded)"), std::wstring::npos);
    // Save while loading writes the whole file: the load completes first.
    lorvane.pressChord({VK_CONTROL, 'S'});
    for (int wait = 0; wait < 600 && lengthOf(text) < static_cast<int>(contents.size()); ++wait) Sleep(100);
    EXPECT_TRUE(SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result));
    EXPECT_EQ(lengthOf(text), static_cast<int>(contents.size()));
    EXPECT_TRUE(contentsOf(path) == contents) << "the saved file differs";
    EXPECT_TRUE(lorvane.waitForCaption(L"lorvane-e2e-big.txt"));
    lorvane.pressChord({VK_CONTROL, 'W'});
    EXPECT_EQ(lorvane.waitForExit(), 0u);
    DeleteFileW(path.c_str());
}

// Guards the cost of loading a file again into a viewer that already shows one (a format switch
// or an Open of another file): it must stay close to the cost of the first load, whereas the
// control, left to itself, takes dozens of times as long to replace a large text. Ratios with a
// generous bound, not timings, so that a slow or busy machine does not fail them.
//
// Also checks what the viewer keeps when it loads into a new control: the style of the mode,
// the focus, the caption, and the old text when the new file cannot be opened.
#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/viewer_window.h"
#include "settings/font_spec.h"
#include "view/text_control_style.h"
#include "viewer_fixture.h"

namespace {

constexpr double allowedRatio = 3.0;
// Large enough that replacing the text in place costs a dozen first loads, small enough that
// the guard stays quick even when it fails.
constexpr DWORD bigSize = 512 * 1024;
constexpr DWORD smallSize = 64 * 1024;

double secondsOf(void (*action)(ViewerWindow&), ViewerWindow& viewer) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    action(viewer);
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Lines of words ending in CR LF, exactly `size` bytes in all; `seed` varies the words.
std::string textOfSize(DWORD size, unsigned seed) {
    static const char* const words[] = {"viewer", "text", "line", "window", "control",
                                        "stream", "file",  "format", "plain", "rich"};
    std::string text;
    text.reserve(size);
    unsigned state = seed;
    for (;;) {
        std::string line;
        state = state * 1103515245u + 12345u;
        for (unsigned count = 2 + (state >> 16) % 12; count > 0; --count) {
            state = state * 1103515245u + 12345u;
            line += words[(state >> 16) % 10];
            line += ' ';
        }
        if (text.size() + line.size() + 2 > size) break;
        text += line + "\r\n";
    }
    text.append(size - 2 - text.size(), '.');  // the last line makes up the size
    return text + "\r\n";
}

std::wstring writeTempFile(const wchar_t* name, const std::string& contents) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + name;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

int textLength(const ViewerWindow& viewer) { return GetWindowTextLengthW(viewer.textControl); }

std::wstring captionOf(HWND window) {
    wchar_t caption[300] = {};
    GetWindowTextW(window, caption, 300);
    return caption;
}

// Presses OK on every message box of this thread, and counts them.
int messageBoxesAnswered = 0;
LRESULT CALLBACK answerMessageBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        wchar_t className[16] = {};
        GetClassNameW(reinterpret_cast<HWND>(wParam), className, 16);
        if (lstrcmpW(className, L"#32770") == 0) {
            ++messageBoxesAnswered;
            PostMessageW(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// One viewer for the whole run: its window class is registered once per process.
class ReloadTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        clearSettings();
        viewer = new ViewerWindow();
        ASSERT_TRUE(viewer->create(GetModuleHandleW(nullptr), L"Lorvane", 0, 0, 800, 600));
        hook = SetWindowsHookExW(WH_CBT, answerMessageBoxes, nullptr, GetCurrentThreadId());
        first = writeTempFile(L"reload_guard_first.txt", textOfSize(bigSize, 1));
        second = writeTempFile(L"reload_guard_second.txt", textOfSize(bigSize, 2));
        small = writeTempFile(L"reload_guard_small.txt", textOfSize(smallSize, 3));
        empty = writeTempFile(L"reload_guard_empty.txt", "");
    }
    static void TearDownTestSuite() {
        UnhookWindowsHookEx(hook);
        DestroyWindow(viewer->mainWindow);
        pumpMessages();
        delete viewer;
        UnregisterClassW(L"ZyrLorvaneWndClass", GetModuleHandleW(nullptr));
        DeleteFileW(first.c_str());
        DeleteFileW(second.c_str());
        DeleteFileW(small.c_str());
        DeleteFileW(empty.c_str());
    }

    static inline ViewerWindow* viewer = nullptr;
    static inline HHOOK hook = nullptr;
    static inline std::wstring first;
    static inline std::wstring second;
    static inline std::wstring small;
    static inline std::wstring empty;
};

TEST_F(ReloadTest, AReloadOrASecondOpenCostsAboutAFirstLoad) {
    // An empty file leaves an empty control (and a warning, answered), so the next load is a
    // first load whatever ran before.
    viewer->openFile(empty.c_str());
    ASSERT_EQ(textLength(*viewer), 0);
    const double firstLoad = secondsOf(
        [](ViewerWindow& v) {
            v.openFile(first.c_str());
            v.fileLoad.finish();
        },
        *viewer);
    ASSERT_EQ(textLength(*viewer), static_cast<int>(bigSize));

    // Each case is tried twice and the better time counts, so that a moment of other work on
    // the machine does not fail it. A slow replacement of the text is slow every time: once a
    // case is far over, the rest would only repeat the failure, slowly.
    struct Case {
        const char* what;
        void (*action)(ViewerWindow&);
    };
    const Case cases[] = {
        {"format switch (Options > Plain text)",
         [](ViewerWindow& v) {
             v.setFormat(StreamFormat::plainText);
             v.fileLoad.finish();
         }},
        {"Open of another file",
         [](ViewerWindow& v) {
             v.openFile(second.c_str());
             v.fileLoad.finish();
         }},
        {"Open of the first file again",
         [](ViewerWindow& v) {
             v.openFile(first.c_str());
             v.fileLoad.finish();
         }},
    };
    for (const Case& each : cases) {
        double best = secondsOf(each.action, *viewer);
        const bool farOver = best > 2 * allowedRatio * firstLoad;
        if (!farOver) best = std::min(best, secondsOf(each.action, *viewer));
        EXPECT_EQ(textLength(*viewer), static_cast<int>(bigSize)) << each.what;
        EXPECT_LE(best / firstLoad, allowedRatio)
            << each.what << ": " << best << " s against a first load of " << firstLoad << " s";
        if (farOver) break;
    }
}

TEST_F(ReloadTest, AReloadKeepsTheModeFontFocusAndCaptionAndAFailedOpenKeepsTheText) {
    ASSERT_TRUE(viewer->openFile(small.c_str()));
    struct Case {
        const char* what;
        bool wrapped;
        bool focused;
    };
    for (const Case each : {Case{"unwrapped, focused", false, true},
                            Case{"wrapped, focused", true, true},
                            Case{"wrapped, focus elsewhere", true, false}}) {
        if ((viewer->wrapLines != 0) != each.wrapped) viewer->toggleWrap();
        SetFocus(each.focused ? viewer->textControl : nullptr);
        const HWND before = viewer->textControl;

        ASSERT_TRUE(viewer->setFormat(StreamFormat::plainText)) << each.what;
        const HWND after = viewer->textControl;
        EXPECT_TRUE(IsWindow(after)) << each.what;
        EXPECT_TRUE(before == after || !IsWindow(before))
            << each.what << ": the old control is left";
        EXPECT_EQ(GetDlgItem(viewer->mainWindow, 200), after) << each.what;
        // The control shows and hides its scroll bars itself; the other bits are the mode's.
        const DWORD scrollBars = WS_HSCROLL | WS_VSCROLL;
        const DWORD expected = textControlStyle(viewer->readOnly != 0, each.wrapped) & ~scrollBars;
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(after, GWL_STYLE)) & ~scrollBars, expected)
            << each.what;
        EXPECT_EQ(GetFocus() == after, each.focused) << each.what;
        CHARFORMAT2W format = {};
        format.cbSize = sizeof format;
        SendMessageW(after, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
        EXPECT_STREQ(format.szFaceName, viewer->font->logFont.lfFaceName) << each.what;
        EXPECT_EQ(captionOf(viewer->mainWindow), L"reload_guard_small.txt") << each.what;
        EXPECT_EQ(textLength(*viewer), static_cast<int>(smallSize)) << each.what;
        EXPECT_FALSE(viewer->isModified()) << each.what;
    }

    const HWND shown = viewer->textControl;
    messageBoxesAnswered = 0;
    EXPECT_FALSE(viewer->openFile(L"C:\\no such folder\\no such file.txt"));
    EXPECT_EQ(messageBoxesAnswered, 1);
    EXPECT_EQ(viewer->textControl, shown) << "a failed open replaced the control";
    EXPECT_EQ(textLength(*viewer), static_cast<int>(smallSize)) << "a failed open lost the text";
    EXPECT_EQ(captionOf(viewer->mainWindow), L"reload_guard_small.txt");
}

}  // namespace

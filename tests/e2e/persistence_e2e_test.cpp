// What the real exe keeps between runs: its window's normal rectangle and the display font.
#include <windows.h>
#include <dlgs.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "lorvane_process.h"
#include "registry_values.h"

namespace {

// The prefix is shared by every test of a run, so each starts from nothing stored.
class PersistenceTest : public testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, programKey); }
};

bool waitFor(const std::function<bool()>& condition) {
    for (int waited = 0; waited < 5000; waited += 50) {
        if (condition()) return true;
        Sleep(50);
    }
    return false;
}

std::wstring rectangleOf(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    return std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
           std::to_wstring(r.right - r.left) + L" " + std::to_wstring(r.bottom - r.top);
}

void closeAndWait(LorvaneProcess& lorvane, HWND main) {
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(lorvane.waitForExit(), 0u);
}

TEST_F(PersistenceTest, TheWindowReopensWithItsLastNormalRectangle) {
    {
        LorvaneProcess lorvane;
        const HWND main = lorvane.mainWindow();
        ASSERT_NE(main, nullptr);
        SetWindowPos(main, nullptr, 123, 87, 700, 500, SWP_NOZORDER);
        EXPECT_TRUE(waitFor([] { return readRaw(L"Depth").asInt() == 500; }));
        closeAndWait(lorvane, main);
    }
    {
        LorvaneProcess lorvane;
        const HWND main = lorvane.mainWindow();
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(rectangleOf(main), L"123 87 700 500");
        // Moved, then closed while maximised: the next run takes the moved rectangle.
        MoveWindow(main, 210, 160, 640, 420, TRUE);
        EXPECT_TRUE(waitFor([] { return readRaw(L"Width").asInt() == 640; }));
        PostMessageW(main, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        EXPECT_TRUE(waitFor([main] { return IsZoomed(main) != FALSE; }));
        closeAndWait(lorvane, main);
    }
    LorvaneProcess lorvane;
    const HWND main = lorvane.mainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(IsZoomed(main));
    EXPECT_EQ(rectangleOf(main), L"210 160 640 420");
    closeAndWait(lorvane, main);
}

// How the text shows: the width of the first line's ten letters and the line's height. A font
// handle of another process cannot be read from here, but the text control's character
// positions can, and they follow from its font.
std::wstring shownMeasure(HWND text) {
    const auto at = [text](WPARAM index) { return SendMessageW(text, EM_POSFROMCHAR, index, 0); };
    const LRESULT first = at(0), tenth = at(10), secondLine = at(SendMessageW(text, EM_LINEINDEX, 1, 0));
    return std::to_wstring(static_cast<short>(LOWORD(tenth)) - static_cast<short>(LOWORD(first))) + L"x" +
           std::to_wstring(static_cast<short>(HIWORD(secondLine)) - static_cast<short>(HIWORD(first)));
}

// The same measure taken here, with a font made from `font`.
std::wstring expectedMeasure(const LOGFONTW& font) {
    const HDC screen = GetDC(nullptr);
    const HFONT made = CreateFontIndirectW(&font);
    const HGDIOBJ old = SelectObject(screen, made);
    SIZE extent = {};
    GetTextExtentPoint32W(screen, L"WWWWWWWWWW", 10, &extent);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(screen, &metrics);
    DeleteObject(SelectObject(screen, old));
    ReleaseDC(nullptr, screen);
    return std::to_wstring(extent.cx) + L"x" + std::to_wstring(metrics.tmHeight);
}

// The description the program builds from what is stored; precision and quality are not
// stored and come back as 0.
LOGFONTW storedDescription() {
    LOGFONTW font = {};
    LONG* const wide[] = {&font.lfHeight, &font.lfWidth, &font.lfEscapement, &font.lfOrientation, &font.lfWeight};
    const wchar_t* const wideNames[] = {L"lfHeight", L"lfWidth", L"lfEscapement", L"lfOrientation", L"lfWeight"};
    for (int i = 0; i < 5; ++i) *wide[i] = readRaw(wideNames[i]).asInt();
    BYTE* const bytes[] = {&font.lfItalic, &font.lfUnderline, &font.lfStrikeOut, &font.lfCharSet, &font.lfPitchAndFamily};
    const wchar_t* const byteNames[] = {L"lfItalic", L"lfUnderline", L"lfStrikeOut", L"lfCharSet", L"lfPitchAndFamily"};
    for (int i = 0; i < 5; ++i) *bytes[i] = static_cast<BYTE>(readRaw(byteNames[i]).asInt());
    lstrcpynW(font.lfFaceName, readRaw(L"lfFaceName").asText().c_str(), LF_FACESIZE);
    return font;
}

// Picks `text` in a combo box of the Font dialog of the other process.
bool pick(HWND dialog, int comboId, const wchar_t* text) {
    const HWND combo = GetDlgItem(dialog, comboId);
    if (SendMessageW(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text)) == CB_ERR) {
        return false;
    }
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    return true;
}

TEST_F(PersistenceTest, TheStoredFontIsShownAndAChosenOneIsKept) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"lorvane-persistence.txt";
    const char sample[] = "WWWWWWWWWW\r\nWW\r\n";
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, sample, sizeof sample - 1, &written, nullptr);
    CloseHandle(file);

    writeDword(L"lfHeight", -24);
    writeDword(L"lfWeight", FW_BOLD);
    writeDword(L"lfItalic", 1);
    writeText(L"lfFaceName", L"DejaVu Serif");
    LOGFONTW stored = {};
    stored.lfHeight = -24;
    stored.lfWeight = FW_BOLD;
    stored.lfItalic = 1;
    stored.lfPitchAndFamily = FIXED_PITCH;  // not stored: the initial font's value stands
    lstrcpyW(stored.lfFaceName, L"DejaVu Serif");
    {
        LorvaneProcess lorvane(L"\"" + path + L"\"");
        ASSERT_TRUE(lorvane.waitForCaption(L"lorvane-persistence.txt"));
        const HWND main = lorvane.mainWindow();
        EXPECT_EQ(shownMeasure(GetDlgItem(main, 200)), expectedMeasure(stored));

        PostMessageW(main, WM_COMMAND, 122, 0);  // Options, Font
        const HWND dialog = lorvane.dialog();
        ASSERT_NE(dialog, nullptr);
        Sleep(300);
        // A face of more than 14 characters, as the dialog offers them.
        ASSERT_TRUE(pick(dialog, cmb1, L"DejaVu Serif Condensed"));
        ASSERT_TRUE(pick(dialog, cmb2, L"Regular"));
        ASSERT_TRUE(pick(dialog, cmb3, L"12"));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(waitFor([] { return readRaw(L"lfFaceName").asText() == L"DejaVu Serif Condensed"; }));
        closeAndWait(lorvane, main);
    }
    const LOGFONTW chosen = storedDescription();
    EXPECT_EQ(chosen.lfWeight, FW_NORMAL);
    EXPECT_EQ(chosen.lfItalic, 0);
    // Had the face been lost, the default face would show with the same numbers.
    LOGFONTW lostFace = chosen;
    lstrcpyW(lostFace.lfFaceName, L"MS Sans Serif");
    EXPECT_NE(expectedMeasure(lostFace), expectedMeasure(chosen));

    LorvaneProcess lorvane(L"\"" + path + L"\"");
    ASSERT_TRUE(lorvane.waitForCaption(L"lorvane-persistence.txt"));
    const HWND main = lorvane.mainWindow();
    EXPECT_EQ(shownMeasure(GetDlgItem(main, 200)), expectedMeasure(chosen));
    closeAndWait(lorvane, main);
    DeleteFileW(path.c_str());
}

}  // namespace

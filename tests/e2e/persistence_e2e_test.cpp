// What the real exe keeps between runs: its window's normal rectangle and the display font.
#include <windows.h>
#include <dlgs.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <string>

#include "lorvane_process.h"
#include "registry_values.h"

namespace {

constexpr int idmFont = 122;
constexpr int textControlId = 200;

// Each test starts from nothing stored: the prefix is shared by every test of a run.
class PersistenceTest : public testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, programKey); }
    void TearDown() override { DeleteFileW(sampleFile().c_str()); }

    static std::wstring sampleFile() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        return std::wstring(temp) + L"lorvane-persistence.txt";
    }
    // Ten wide letters on the first line, so that their width and the line's height tell the
    // font apart.
    static std::wstring writeSample() {
        const std::wstring path = sampleFile();
        const char text[] = "WWWWWWWWWW\r\nWW\r\n";
        const HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, text, sizeof text - 1, &written, nullptr);
        CloseHandle(file);
        return L"\"" + path + L"\"";
    }
};

struct Rectangle {
    long left, top, width, height;
};

Rectangle rectangleOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void expectRectangle(HWND window, Rectangle expected) {
    const Rectangle actual = rectangleOf(window);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.width, expected.width);
    EXPECT_EQ(actual.height, expected.height);
}

// Waits until the program has stored `value` under `name`.
bool waitForStored(const wchar_t* name, std::int32_t value) {
    for (int waited = 0; waited < 5000; waited += 50) {
        const RawValue stored = readRaw(name);
        if (stored.found && stored.type == REG_DWORD && stored.asInt() == value) return true;
        Sleep(50);
    }
    return false;
}

bool waitForStoredText(const wchar_t* name, const std::wstring& text) {
    for (int waited = 0; waited < 5000; waited += 50) {
        if (readRaw(name).asText() == text) return true;
        Sleep(50);
    }
    return false;
}

void closeAndWait(LorvaneProcess& lorvane, HWND main) {
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(lorvane.waitForExit(), 0u);
}

// How the text shows: the width of the first line's ten letters and the height of that line.
// A font handle of another process cannot be read from here, but the control's character
// positions can, and they follow from the font.
struct Measure {
    long width;
    long lineHeight;
};

long xOf(LRESULT position) { return static_cast<short>(LOWORD(position)); }
long yOf(LRESULT position) { return static_cast<short>(HIWORD(position)); }

Measure shownMeasure(HWND text) {
    const LRESULT first = SendMessageW(text, EM_POSFROMCHAR, 0, 0);
    const LRESULT tenth = SendMessageW(text, EM_POSFROMCHAR, 10, 0);
    const LRESULT second = SendMessageW(text, EM_POSFROMCHAR, SendMessageW(text, EM_LINEINDEX, 1, 0), 0);
    return {xOf(tenth) - xOf(first), yOf(second) - yOf(first)};
}

// The same text measured here with a font made from `font`.
Measure expectedMeasure(const LOGFONTW& font) {
    const HDC screen = GetDC(nullptr);
    const HFONT made = CreateFontIndirectW(&font);
    const HGDIOBJ old = SelectObject(screen, made);
    SIZE extent = {};
    GetTextExtentPoint32W(screen, L"WWWWWWWWWW", 10, &extent);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, old);
    DeleteObject(made);
    ReleaseDC(nullptr, screen);
    return {extent.cx, metrics.tmHeight};
}

// The description the program builds from what is stored (precision and quality are never
// stored and come back as 0).
LOGFONTW storedDescription() {
    LOGFONTW font = {};
    font.lfHeight = readRaw(L"lfHeight").asInt();
    font.lfWidth = readRaw(L"lfWidth").asInt();
    font.lfEscapement = readRaw(L"lfEscapement").asInt();
    font.lfOrientation = readRaw(L"lfOrientation").asInt();
    font.lfWeight = readRaw(L"lfWeight").asInt();
    font.lfItalic = static_cast<BYTE>(readRaw(L"lfItalic").asInt());
    font.lfUnderline = static_cast<BYTE>(readRaw(L"lfUnderline").asInt());
    font.lfStrikeOut = static_cast<BYTE>(readRaw(L"lfStrikeOut").asInt());
    font.lfCharSet = static_cast<BYTE>(readRaw(L"lfCharSet").asInt());
    font.lfPitchAndFamily = static_cast<BYTE>(readRaw(L"lfPitchAndFamily").asInt());
    lstrcpynW(font.lfFaceName, readRaw(L"lfFaceName").asText().c_str(), LF_FACESIZE);
    return font;
}

void expectShows(HWND text, const LOGFONTW& font, const char* what) {
    const Measure shown = shownMeasure(text);
    const Measure expected = expectedMeasure(font);
    EXPECT_EQ(shown.width, expected.width) << what;
    EXPECT_EQ(shown.lineHeight, expected.lineHeight) << what;
}

// Picks `text` in a combo box of the Font dialog of the other process.
bool pick(HWND dialog, int comboId, const wchar_t* text) {
    const HWND combo = GetDlgItem(dialog, comboId);
    const LRESULT index = SendMessageW(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(text));
    if (index == CB_ERR) return false;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    return true;
}

TEST_F(PersistenceTest, TheWindowReopensWithItsLastNormalRectangle) {
    {
        LorvaneProcess lorvane;
        const HWND main = lorvane.mainWindow();
        ASSERT_NE(main, nullptr);
        SetWindowPos(main, nullptr, 123, 87, 700, 500, SWP_NOZORDER);
        EXPECT_TRUE(waitForStored(L"Depth", 500));
        EXPECT_EQ(readRaw(L"Left").asInt(), 123);
        closeAndWait(lorvane, main);
    }
    {
        LorvaneProcess lorvane;
        const HWND main = lorvane.mainWindow();
        ASSERT_NE(main, nullptr);
        expectRectangle(main, {123, 87, 700, 500});
        // Moved, then maximised and closed so: the next run takes the moved rectangle.
        MoveWindow(main, 210, 160, 640, 420, TRUE);
        EXPECT_TRUE(waitForStored(L"Width", 640));
        PostMessageW(main, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        for (int waited = 0; waited < 5000 && !IsZoomed(main); waited += 50) Sleep(50);
        EXPECT_TRUE(IsZoomed(main));
        closeAndWait(lorvane, main);
    }
    EXPECT_EQ(readRaw(L"Left").asInt(), 210);
    EXPECT_EQ(readRaw(L"Depth").asInt(), 420);
    LorvaneProcess lorvane;
    const HWND main = lorvane.mainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(IsZoomed(main));
    expectRectangle(main, {210, 160, 640, 420});
    closeAndWait(lorvane, main);
}

TEST_F(PersistenceTest, TheStoredFontIsShownAndAChosenOneIsKept) {
    writeDword(L"lfHeight", -24);
    writeDword(L"lfWeight", FW_BOLD);
    writeDword(L"lfItalic", 1);
    writeText(L"lfFaceName", L"DejaVu Serif");
    const std::wstring sample = writeSample();
    LOGFONTW stored = {};
    stored.lfHeight = -24;
    stored.lfWeight = FW_BOLD;
    stored.lfItalic = 1;
    stored.lfPitchAndFamily = FIXED_PITCH;  // not stored: the initial font's value stands
    lstrcpyW(stored.lfFaceName, L"DejaVu Serif");
    {
        LorvaneProcess lorvane(sample);
        ASSERT_TRUE(lorvane.waitForCaption(L"lorvane-persistence.txt"));
        const HWND main = lorvane.mainWindow();
        const HWND text = GetDlgItem(main, textControlId);
        expectShows(text, stored, "the stored font");

        // Another font, picked in the Font dialog.
        PostMessageW(main, WM_COMMAND, idmFont, 0);
        const HWND dialog = lorvane.dialog();
        ASSERT_NE(dialog, nullptr);
        Sleep(300);
        // A face of more than 14 characters, as the Font dialog offers them.
        ASSERT_TRUE(pick(dialog, cmb1, L"DejaVu Serif Condensed"));
        ASSERT_TRUE(pick(dialog, cmb2, L"Regular"));
        ASSERT_TRUE(pick(dialog, cmb3, L"12"));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        // The face is written last.
        ASSERT_TRUE(waitForStoredText(L"lfFaceName", L"DejaVu Serif Condensed"));
        closeAndWait(lorvane, main);
    }
    const LOGFONTW chosen = storedDescription();
    EXPECT_EQ(chosen.lfWeight, FW_NORMAL);
    EXPECT_EQ(chosen.lfItalic, 0);
    EXPECT_LT(chosen.lfHeight, 0);
    EXPECT_NE(chosen.lfHeight, -24);

    LorvaneProcess lorvane(sample);
    ASSERT_TRUE(lorvane.waitForCaption(L"lorvane-persistence.txt"));
    const HWND main = lorvane.mainWindow();
    expectShows(GetDlgItem(main, textControlId), chosen, "the chosen font, at the next start");
    // Had the face been lost, the default face would show with the same numbers.
    LOGFONTW lostFace = chosen;
    lstrcpyW(lostFace.lfFaceName, L"MS Sans Serif");
    const Measure lost = expectedMeasure(lostFace);
    const Measure kept = expectedMeasure(chosen);
    EXPECT_TRUE(lost.width != kept.width || lost.lineHeight != kept.lineHeight)
        << "the chosen face can be told from the default one";
    closeAndWait(lorvane, main);
}

}  // namespace

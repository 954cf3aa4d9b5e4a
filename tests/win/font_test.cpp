// The display font: the font at creation, the stored description, the Font dialog, and the font
// of every new text control.
#include <richedit.h>
#include <dlgs.h>

#include <cstdint>
#include <string>
#include <vector>

#include "registry_values.h"
#include "app/display_scale.h"
#include "res/resource_ids.h"
#include "settings/font_rules.h"
#include "settings/font_spec.h"
#include "viewer_fixture.h"

namespace {

const wchar_t* const intValueNames[] = {
    L"lfHeight",  L"lfWidth",     L"lfEscapement", L"lfOrientation", L"lfWeight",
    L"lfItalic",  L"lfUnderline", L"lfStrikeOut",  L"lfCharSet",     L"lfPitchAndFamily"};

// Every field of a description in one line, so that a difference shows at a glance.
std::wstring describe(const LOGFONTW& f) {
    std::wstring text;
    for (const long field : {f.lfHeight, f.lfWidth, f.lfEscapement, f.lfOrientation, f.lfWeight}) {
        text += std::to_wstring(field) + L" ";
    }
    for (const BYTE field : {f.lfItalic, f.lfUnderline, f.lfStrikeOut, f.lfCharSet, f.lfOutPrecision,
                             f.lfClipPrecision, f.lfQuality, f.lfPitchAndFamily}) {
        text += std::to_wstring(field) + L" ";
    }
    return text + L"'" + f.lfFaceName + L"'";
}

LOGFONTW description(LONG height, LONG weight, const wchar_t* face, BYTE pitchAndFamily = FIXED_PITCH) {
    LOGFONTW font = {};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfPitchAndFamily = pitchAndFamily;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return font;
}

LOGFONTW descriptionOf(HFONT font) {
    LOGFONTW described = {};
    GetObjectW(font, sizeof described, &described);
    return described;
}

// A stored description as the font is made on this display (the tests run at 96 and at 192 DPI).
LOGFONTW onThisDisplay(const LOGFONTW& stored, int dpi = screenDpi()) {
    LOGFONTW shown = stored;
    shown.lfHeight = fontLengthAtDpi(stored.lfHeight, dpi);
    shown.lfWidth = fontLengthAtDpi(stored.lfWidth, dpi);
    return shown;
}

// The rich edit control gives no font handle back (WM_GETFONT gives 0 under Wine); what it
// shows is its default character format, which WM_SETFONT sets from the font. Its height in
// twips is the stored height's at 96 DPI: the text keeps its size in proportion to the display.
void expectControlShows(HWND control, const LOGFONTW& font, int dpi = screenDpi()) {
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    SendMessageW(control, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    EXPECT_STREQ(format.szFaceName, font.lfFaceName);
    EXPECT_EQ(format.yHeight, -fontLengthAtDpi(font.lfHeight, dpi) * 1440 / screenDpi());
    EXPECT_EQ(format.wWeight, font.lfWeight);
    EXPECT_EQ((format.dwEffects & CFE_ITALIC) != 0, font.lfItalic != 0);
}

// Picks `text` in a combo box of the Font dialog as a user would: the selection changes and
// the dialog hears of it.
bool pick(HWND dialog, int comboId, const wchar_t* text) {
    const HWND combo = GetDlgItem(dialog, comboId);
    const LRESULT index = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(text));
    if (index == CB_ERR) return false;
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    return true;
}

// Answers the Font dialog: notes whether the effects are offered, picks a serif face in bold
// at 16 points, and presses `button`.
DialogAnswerer::Action pickBoldSerif16(bool& picked, bool& effectsShown, int button) {
    return [&picked, &effectsShown, button](HWND dialog) {
        effectsShown = IsWindowVisible(GetDlgItem(dialog, chx1)) && IsWindowVisible(GetDlgItem(dialog, cmb4));
        picked = pick(dialog, cmb1, L"DejaVu Serif") && pick(dialog, cmb2, L"Bold") && pick(dialog, cmb3, L"16");
        pressButton(dialog, button);
    };
}

using FontTest = ViewerTest;

TEST_F(FontTest, TheStoredDescriptionOverlaysTheInitialFont) {
    struct Case {
        const char* label;
        std::vector<std::pair<const wchar_t*, std::int32_t>> ints;
        const wchar_t* face;  // null: none stored
        LOGFONTW expected;
    };
    LOGFONTW italic = description(-11, FW_NORMAL, L"MS Sans Serif");
    italic.lfItalic = 1;
    LOGFONTW offered = description(-20, FW_BOLD, L"DejaVu Serif Condensed", 0x31);
    offered.lfUnderline = 1;
    offered.lfCharSet = 255;
    offered.lfEscapement = 900;
    LOGFONTW tooLong = offered;
    lstrcpyW(tooLong.lfFaceName, L"MS Sans Serif");
    const std::wstring longest(31, L'F');
    const std::vector<std::pair<const wchar_t*, std::int32_t>> offeredInts = {
        {L"lfHeight", -20}, {L"lfWeight", 700}, {L"lfUnderline", 1}, {L"lfCharSet", 255},
        {L"lfPitchAndFamily", 0x31}, {L"lfEscapement", 900}};
    const Case cases[] = {
        {"nothing stored", {}, nullptr, description(-11, FW_NORMAL, L"MS Sans Serif")},
        {"an italic byte of 257", {{L"lfItalic", 257}}, nullptr, italic},
        {"precision and quality are never read",
         {{L"lfOutPrecision", 3}, {L"lfClipPrecision", 2}, {L"lfQuality", 5}}, nullptr,
         description(-11, FW_NORMAL, L"MS Sans Serif")},
        {"a face of 14 characters", {}, L"Lucida Console", description(-11, FW_NORMAL, L"Lucida Console")},
        // Faces of 15 to 31 characters are offered by the Font dialog and must come back.
        {"a face of 22 characters", offeredInts, L"DejaVu Serif Condensed", offered},
        {"a face of 31 characters", {}, longest.c_str(), description(-11, FW_NORMAL, longest.c_str())},
        {"a face of 32 characters, too long for the field", offeredInts,
         L"DejaVu Serif Condensed Extended!", tooLong},
    };
    for (const Case& stored : cases) {
        SCOPED_TRACE(stored.label);
        destroyViewer();
        clearSettings();
        for (const auto& [name, value] : stored.ints) writeDword(name, value);
        if (stored.face != nullptr) writeText(L"lfFaceName", stored.face);
        createViewer();
        EXPECT_EQ(describe(viewer->font->logFont), describe(stored.expected));
        EXPECT_EQ(describe(descriptionOf(viewer->font->handle)), describe(onThisDisplay(stored.expected)));
        expectControlShows(viewer->textControl, stored.expected);
    }
}

TEST_F(FontTest, AConfirmedFontDialogIsAppliedStoredAndKept) {
    EXPECT_FALSE(readRaw(L"lfFaceName").found) << "the font is not written at start";
    const HFONT before = viewer->font->handle;
    bool picked = false, effectsShown = false;
    answers.then(pickBoldSerif16(picked, effectsShown, IDOK));
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_FONT, 0);
    ASSERT_TRUE(picked) << "DejaVu Serif, Bold and 16 are offered";
    EXPECT_TRUE(effectsShown) << "strikeout, underline and colour are offered";
    EXPECT_EQ(answers.seen().at(0).owner, viewer->mainWindow);

    const LOGFONTW chosen = viewer->font->logFont;
    EXPECT_STREQ(chosen.lfFaceName, L"DejaVu Serif");
    EXPECT_EQ(chosen.lfWeight, FW_BOLD);
    EXPECT_EQ(chosen.lfHeight, -21) << "16 points as a 96-DPI display has them, on every display";
    EXPECT_EQ(describe(descriptionOf(viewer->font->handle)), describe(onThisDisplay(chosen)));
    EXPECT_EQ(GetObjectType(before), 0u) << "the previous font is deleted";
    EXPECT_EQ(GetObjectType(viewer->font->handle), static_cast<DWORD>(OBJ_FONT));
    expectControlShows(viewer->textControl, chosen);

    // Ten numbers and the face; precision and quality are not stored.
    const std::int32_t fields[] = {chosen.lfHeight, chosen.lfWidth, chosen.lfEscapement,
                                   chosen.lfOrientation, chosen.lfWeight, chosen.lfItalic,
                                   chosen.lfUnderline, chosen.lfStrikeOut, chosen.lfCharSet,
                                   chosen.lfPitchAndFamily};
    for (int i = 0; i < 10; ++i) {
        const RawValue value = readRaw(intValueNames[i]);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD)) << intValueNames[i];
        EXPECT_EQ(value.asInt(), fields[i]) << intValueNames[i];
    }
    const RawValue face = readRaw(L"lfFaceName");
    EXPECT_EQ(face.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(face.asText(), L"DejaVu Serif");
    int fontValues = 0;
    for (const std::wstring& name : valueNames()) fontValues += name.rfind(L"lf", 0) == 0;
    EXPECT_EQ(fontValues, 11);

    // The next start shows the same font, with precision and quality back at 0.
    destroyViewer();
    createViewer();
    LOGFONTW reloaded = chosen;
    reloaded.lfOutPrecision = reloaded.lfClipPrecision = reloaded.lfQuality = 0;
    EXPECT_EQ(describe(viewer->font->logFont), describe(reloaded));
    expectControlShows(viewer->textControl, reloaded);
}

TEST_F(FontTest, ACancelledFontDialogChangesAndWritesNothing) {
    const HFONT before = viewer->font->handle;
    const std::wstring described = describe(viewer->font->logFont);
    bool picked = false, effectsShown = false;
    answers.then(pickBoldSerif16(picked, effectsShown, IDCANCEL));
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_FONT, 0);
    ASSERT_TRUE(picked);
    EXPECT_EQ(viewer->font->handle, before);
    EXPECT_EQ(GetObjectType(before), static_cast<DWORD>(OBJ_FONT));
    EXPECT_EQ(describe(viewer->font->logFont), described);
    expectControlShows(viewer->textControl, viewer->font->logFont);
    EXPECT_FALSE(readRaw(L"lfFaceName").found);
    EXPECT_FALSE(readRaw(L"lfHeight").found);
}

TEST_F(FontTest, EveryNewTextControlGetsTheCurrentFont) {
    destroyViewer();
    writeDword(L"lfHeight", -19);
    writeText(L"lfFaceName", L"DejaVu Serif");
    createViewer();
    viewer->toggleWrap();
    expectControlShows(viewer->textControl, viewer->font->logFont);
    viewer->enableEditing();
    expectControlShows(viewer->textControl, viewer->font->logFont);

    bool picked = false, effectsShown = false;
    answers.then(pickBoldSerif16(picked, effectsShown, IDOK));
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_FONT, 0);
    ASSERT_EQ(viewer->font->logFont.lfWeight, FW_BOLD);
    viewer->toggleWrap();
    expectControlShows(viewer->textControl, viewer->font->logFont);
}

// A reader at the end of a long file, with a word selected there.
struct ReaderAtTheEnd {
    LONG firstLine;
    CHARRANGE selection;
};

ReaderAtTheEnd readToTheEnd(HWND control) {
    SendMessageW(control, EM_LINESCROLL, 0, 1000);
    const auto last = static_cast<LONG>(SendMessageW(control, EM_GETLINECOUNT, 0, 0)) - 1;
    const auto start = static_cast<LONG>(SendMessageW(control, EM_LINEINDEX, last - 3, 0));
    CHARRANGE selection = {start, start + 4};
    SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    return {static_cast<LONG>(SendMessageW(control, EM_GETFIRSTVISIBLELINE, 0, 0)), selection};
}

void expectReaderStays(HWND control, const ReaderAtTheEnd& reader) {
    CHARRANGE selection = {};
    SendMessageW(control, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    EXPECT_EQ(selection.cpMin, reader.selection.cpMin);
    EXPECT_EQ(selection.cpMax, reader.selection.cpMax);
    EXPECT_EQ(SendMessageW(control, EM_GETFIRSTVISIBLELINE, 0, 0), reader.firstLine);
}

// A font change, from the dialog or from a display of another scale, keeps the reader's place; a
// change of scale takes the window rectangle the system suggests and makes the font anew at the
// new scale without storing anything.
TEST_F(FontTest, AFontChangeKeepsThePlaceAndTheStoredSize) {
    std::string lines;
    for (int i = 0; i < 400; ++i) lines += "line " + std::to_string(i) + " of a long file\r\n";
    const std::wstring file = writeFile(L"long.txt", lines);
    ASSERT_EQ(viewer->openFile(file.c_str()), 1);
    pumpMessages();
    ReaderAtTheEnd reader = readToTheEnd(viewer->textControl);
    ASSERT_GT(reader.firstLine, 300);

    bool picked = false, effectsShown = false;
    answers.then(pickBoldSerif16(picked, effectsShown, IDOK));
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_FONT, 0);
    ASSERT_TRUE(picked);
    expectReaderStays(viewer->textControl, reader);
    const LOGFONTW stored = viewer->font->logFont;

    const int dpi = screenDpi() * 3 / 2;
    RECT suggested = {30, 40, 1030, 840};
    SendMessageW(viewer->mainWindow, displayScaleChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    RECT now = {};
    GetWindowRect(viewer->mainWindow, &now);
    EXPECT_TRUE(EqualRect(&now, &suggested));
    EXPECT_EQ(describe(viewer->font->logFont), describe(stored));
    EXPECT_EQ(describe(descriptionOf(viewer->font->handle)), describe(onThisDisplay(stored, dpi)));
    expectControlShows(viewer->textControl, stored, dpi);
    expectReaderStays(viewer->textControl, reader);
    EXPECT_EQ(readRaw(L"lfHeight").asInt(), stored.lfHeight) << "the stored size stays";

    // A new text control takes the font at the new scale.
    viewer->toggleWrap();
    expectControlShows(viewer->textControl, stored, dpi);
}

}  // namespace

// The display font: the font at creation, the stored description, the Font dialog, and the font
// of every new text control.
#include <richedit.h>
#include <dlgs.h>

#include <cstdint>
#include <string>
#include <vector>

#include "registry_values.h"
#include "res/resource_ids.h"
#include "settings/font_spec.h"
#include "settings/registry_store.h"
#include "viewer_fixture.h"

namespace {

const wchar_t* const intValueNames[] = {L"lfHeight",    L"lfWidth",     L"lfEscapement",
                                        L"lfOrientation", L"lfWeight",  L"lfItalic",
                                        L"lfUnderline", L"lfStrikeOut", L"lfCharSet",
                                        L"lfPitchAndFamily"};

LOGFONTW descriptionOf(HFONT font) {
    LOGFONTW description = {};
    GetObjectW(font, sizeof description, &description);
    return description;
}

// The rich edit control keeps no font handle to give back (WM_GETFONT gives 0 under Wine);
// what it shows is its default character format, which WM_SETFONT sets from the font.
CHARFORMAT2W shownFormat(HWND control) {
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    SendMessageW(control, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    return format;
}

int screenDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

void expectControlShows(HWND control, const LOGFONTW& font) {
    const CHARFORMAT2W format = shownFormat(control);
    EXPECT_STREQ(format.szFaceName, font.lfFaceName);
    EXPECT_EQ(format.yHeight, -font.lfHeight * 1440 / screenDpi());
    EXPECT_EQ(format.wWeight, font.lfWeight);
    EXPECT_EQ((format.dwEffects & CFE_ITALIC) != 0, font.lfItalic != 0);
}

void expectSameDescription(const LOGFONTW& actual, const LOGFONTW& expected) {
    EXPECT_EQ(actual.lfHeight, expected.lfHeight);
    EXPECT_EQ(actual.lfWidth, expected.lfWidth);
    EXPECT_EQ(actual.lfEscapement, expected.lfEscapement);
    EXPECT_EQ(actual.lfOrientation, expected.lfOrientation);
    EXPECT_EQ(actual.lfWeight, expected.lfWeight);
    EXPECT_EQ(actual.lfItalic, expected.lfItalic);
    EXPECT_EQ(actual.lfUnderline, expected.lfUnderline);
    EXPECT_EQ(actual.lfStrikeOut, expected.lfStrikeOut);
    EXPECT_EQ(actual.lfCharSet, expected.lfCharSet);
    EXPECT_EQ(actual.lfOutPrecision, expected.lfOutPrecision);
    EXPECT_EQ(actual.lfClipPrecision, expected.lfClipPrecision);
    EXPECT_EQ(actual.lfQuality, expected.lfQuality);
    EXPECT_EQ(actual.lfPitchAndFamily, expected.lfPitchAndFamily);
    EXPECT_STREQ(actual.lfFaceName, expected.lfFaceName);
}

LOGFONTW makeDescription(LONG height, LONG weight, BYTE italic, BYTE outPrecision,
                         BYTE pitchAndFamily, const wchar_t* face) {
    LOGFONTW font = {};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfItalic = italic;
    font.lfOutPrecision = outPrecision;
    font.lfPitchAndFamily = pitchAndFamily;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return font;
}

bool isVisibleChild(HWND dialog, int id) {
    const HWND child = GetDlgItem(dialog, id);
    return child != nullptr && IsWindowVisible(child);
}

// Picks `text` in one of the Font dialog's combo boxes as a user would: the selection changes
// and the dialog hears of it.
bool pick(HWND dialog, int comboId, const wchar_t* text) {
    const HWND combo = GetDlgItem(dialog, comboId);
    const LRESULT index = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(text));
    if (index == CB_ERR) return false;
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    return true;
}

// What the Font dialog looked like when it opened.
struct FontDialogSeen {
    std::wstring caption;
    bool effectsShown = false;
    LRESULT faces = 0;
    bool picked = false;
};

// Answers the Font dialog: records it, picks a serif face in bold at 16 points, and presses
// `button`.
DialogAnswerer::Action pickBoldSerif16(FontDialogSeen& seen, int button) {
    return [&seen, button](HWND dialog) {
        seen.caption = windowText(dialog);
        seen.effectsShown = isVisibleChild(dialog, chx1) && isVisibleChild(dialog, chx2) &&
                            isVisibleChild(dialog, cmb4);
        seen.faces = SendMessageW(GetDlgItem(dialog, cmb1), CB_GETCOUNT, 0, 0);
        seen.picked = pick(dialog, cmb1, L"DejaVu Serif") && pick(dialog, cmb2, L"Bold") &&
                      pick(dialog, cmb3, L"16");
        pressButton(dialog, button);
    };
}

using FontTest = ViewerTest;

TEST_F(FontTest, FirstStartShowsMsSansSerifAtMinus11) {
    const LOGFONTW expected = makeDescription(-11, FW_NORMAL, 0, 0, FIXED_PITCH, L"MS Sans Serif");
    expectSameDescription(viewer->font->logFont, expected);
    expectSameDescription(descriptionOf(viewer->font->handle), expected);
    expectControlShows(viewer->textControl, expected);
    EXPECT_EQ(shownFormat(viewer->textControl).bPitchAndFamily, FIXED_PITCH);
    for (const wchar_t* name : intValueNames) {
        EXPECT_FALSE(readRaw(name).found) << name << ": nothing is written at start";
    }
}

TEST_F(FontTest, TheStoredDescriptionOverlaysTheInitialFont) {
    struct Stored {
        const wchar_t* name;
        std::int32_t value;
    };
    struct Case {
        const char* label;
        std::vector<Stored> ints;
        const wchar_t* face;  // null: none stored
        LOGFONTW expected;
    };
    LOGFONTW italic = makeDescription(-11, FW_NORMAL, 1, 0, FIXED_PITCH, L"MS Sans Serif");
    LOGFONTW fourteen = makeDescription(-16, FW_NORMAL, 0, 0, FIXED_PITCH, L"Lucida Console");
    LOGFONTW offered = makeDescription(-20, FW_BOLD, 0, 0, 0x31, L"DejaVu Serif Condensed");
    offered.lfUnderline = 1;
    offered.lfCharSet = 255;
    const std::wstring longest(31, L'F');
    const LOGFONTW fullField = makeDescription(-11, FW_NORMAL, 0, 0, FIXED_PITCH, longest.c_str());
    LOGFONTW tooLong = offered;
    lstrcpyW(tooLong.lfFaceName, L"MS Sans Serif");
    LOGFONTW turned = makeDescription(-13, FW_NORMAL, 0, 0, FIXED_PITCH, L"DejaVu Serif");
    turned.lfEscapement = 900;
    turned.lfOrientation = 900;
    turned.lfWidth = 7;
    turned.lfStrikeOut = 1;
    const LOGFONTW initial = makeDescription(-11, FW_NORMAL, 0, 0, FIXED_PITCH, L"MS Sans Serif");
    const Case cases[] = {
        {"an italic byte of 257", {{L"lfItalic", 257}}, nullptr, italic},
        {"a face of 14 characters", {{L"lfHeight", -16}}, L"Lucida Console", fourteen},
        // Faces of 15 to 31 characters are offered by the Font dialog and must come back.
        {"a face of 22 characters",
         {{L"lfHeight", -20}, {L"lfWeight", 700}, {L"lfUnderline", 1}, {L"lfCharSet", 255},
          {L"lfPitchAndFamily", 0x31}},
         L"DejaVu Serif Condensed",
         offered},
        {"a face of 31 characters", {}, longest.c_str(), fullField},
        {"a face of 32 characters, longer than the field",
         {{L"lfHeight", -20}, {L"lfWeight", 700}, {L"lfUnderline", 1}, {L"lfCharSet", 255},
          {L"lfPitchAndFamily", 0x31}},
         L"DejaVu Serif Condensed Extended!",
         tooLong},
        {"every other stored field",
         {{L"lfHeight", -13}, {L"lfWidth", 7}, {L"lfEscapement", 900}, {L"lfOrientation", 900},
          {L"lfStrikeOut", 1}},
         L"DejaVu Serif",
         turned},
        {"precision and quality are never read",
         {{L"lfOutPrecision", 3}, {L"lfClipPrecision", 2}, {L"lfQuality", 5}},
         nullptr,
         initial},
    };
    for (const Case& stored : cases) {
        SCOPED_TRACE(stored.label);
        destroyViewer();
        clearSettings();
        for (const Stored& value : stored.ints) writeDword(value.name, value.value);
        if (stored.face != nullptr) writeText(L"lfFaceName", stored.face);
        createViewer();
        expectSameDescription(viewer->font->logFont, stored.expected);
        expectSameDescription(descriptionOf(viewer->font->handle), stored.expected);
        expectControlShows(viewer->textControl, stored.expected);
    }
}

TEST_F(FontTest, StoredValuesOfTheWrongTypeLeaveTheirFields) {
    destroyViewer();
    writeText(L"lfHeight", L"-30");
    const long long wide = 700;
    writeRaw(L"lfWeight", REG_QWORD, &wide, sizeof wide);
    const std::int32_t one = 1;
    writeRaw(L"lfItalic", REG_BINARY, &one, sizeof one);
    writeDword(L"lfFaceName", 5);  // a number where the face should be: raw bytes, terminated
    createViewer();
    const LOGFONTW& font = viewer->font->logFont;
    EXPECT_EQ(font.lfHeight, -11);
    EXPECT_EQ(font.lfWeight, FW_NORMAL);
    EXPECT_EQ(font.lfItalic, 0);
    EXPECT_STREQ(font.lfFaceName, L"\x05");
    EXPECT_NE(viewer->font->handle, nullptr);
}

TEST_F(FontTest, AConfirmedFontDialogIsAppliedStoredAndKept) {
    const HFONT before = viewer->font->handle;
    FontDialogSeen seen;
    answers.then(pickBoldSerif16(seen, IDOK));
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_FONT, 0);

    ASSERT_TRUE(seen.picked) << "DejaVu Serif, Bold and 16 are offered";
    EXPECT_GT(seen.faces, 0) << "screen fonts are listed";
    EXPECT_TRUE(seen.effectsShown) << "strikeout, underline and colour are offered";
    ASSERT_EQ(answers.seen().size(), 1u);
    EXPECT_EQ(answers.seen()[0].owner, viewer->mainWindow);

    const LOGFONTW chosen = viewer->font->logFont;
    EXPECT_STREQ(chosen.lfFaceName, L"DejaVu Serif");
    EXPECT_EQ(chosen.lfWeight, FW_BOLD);
    EXPECT_EQ(chosen.lfHeight, -MulDiv(16, screenDpi(), 72));
    expectSameDescription(descriptionOf(viewer->font->handle), chosen);

    EXPECT_NE(viewer->font->handle, before);
    EXPECT_EQ(GetObjectType(before), 0u) << "the previous font is deleted";
    EXPECT_EQ(GetObjectType(viewer->font->handle), static_cast<DWORD>(OBJ_FONT));
    EXPECT_EQ(GetObjectType(GetStockObject(ANSI_VAR_FONT)), static_cast<DWORD>(OBJ_FONT));
    expectControlShows(viewer->textControl, chosen);

    // Ten numbers and the face, nothing else of the font.
    const std::int32_t fields[] = {chosen.lfHeight,    chosen.lfWidth,     chosen.lfEscapement,
                                   chosen.lfOrientation, chosen.lfWeight,  chosen.lfItalic,
                                   chosen.lfUnderline, chosen.lfStrikeOut, chosen.lfCharSet,
                                   chosen.lfPitchAndFamily};
    for (int i = 0; i < 10; ++i) {
        const RawValue value = readRaw(intValueNames[i]);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD)) << intValueNames[i];
        EXPECT_EQ(value.bytes.size(), 4u) << intValueNames[i];
        EXPECT_EQ(value.asInt(), fields[i]) << intValueNames[i];
    }
    const RawValue face = readRaw(L"lfFaceName");
    EXPECT_EQ(face.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(face.asText(), L"DejaVu Serif");
    EXPECT_EQ(face.bytes.size(), sizeof L"DejaVu Serif");
    for (const wchar_t* unstored : {L"lfOutPrecision", L"lfClipPrecision", L"lfQuality"}) {
        EXPECT_FALSE(readRaw(unstored).found) << unstored;
    }

    // The next start shows the same font, with precision and quality back at 0.
    destroyViewer();
    createViewer();
    LOGFONTW reloaded = chosen;
    reloaded.lfOutPrecision = reloaded.lfClipPrecision = reloaded.lfQuality = 0;
    expectSameDescription(viewer->font->logFont, reloaded);
    expectControlShows(viewer->textControl, reloaded);
}

TEST_F(FontTest, ACancelledFontDialogChangesAndWritesNothing) {
    const HFONT before = viewer->font->handle;
    const LOGFONTW described = viewer->font->logFont;
    FontDialogSeen seen;
    answers.then(pickBoldSerif16(seen, IDCANCEL));
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_FONT, 0);

    ASSERT_TRUE(seen.picked);
    EXPECT_EQ(viewer->font->handle, before);
    EXPECT_EQ(GetObjectType(before), static_cast<DWORD>(OBJ_FONT));
    expectSameDescription(viewer->font->logFont, described);
    expectControlShows(viewer->textControl, described);
    for (const wchar_t* name : intValueNames) EXPECT_FALSE(readRaw(name).found) << name;
    EXPECT_FALSE(readRaw(L"lfFaceName").found);
}

TEST_F(FontTest, EveryNewTextControlGetsTheCurrentFont) {
    destroyViewer();
    writeDword(L"lfHeight", -19);
    writeDword(L"lfWeight", FW_BOLD);
    writeText(L"lfFaceName", L"DejaVu Serif");
    createViewer();
    const LOGFONTW stored = viewer->font->logFont;
    ASSERT_STREQ(stored.lfFaceName, L"DejaVu Serif");

    viewer->toggleWrap();
    expectControlShows(viewer->textControl, stored);
    viewer->enableEditing();
    expectControlShows(viewer->textControl, stored);

    FontDialogSeen seen;
    answers.then(pickBoldSerif16(seen, IDOK));
    SendMessageW(viewer->mainWindow, WM_COMMAND, IDM_FONT, 0);
    const LOGFONTW chosen = viewer->font->logFont;
    EXPECT_NE(chosen.lfHeight, stored.lfHeight);
    viewer->toggleWrap();
    expectControlShows(viewer->textControl, chosen);
}

TEST(FontSpec, EachReplacementDeletesThePreviousFontOnly) {
    FontSpec spec;
    expectSameDescription(spec.logFont, makeDescription(-13, FW_NORMAL, 0, 0,
                                                        FF_MODERN | VARIABLE_PITCH,
                                                        L"MS Sans Serif"));
    const HFONT first = spec.handle;
    ASSERT_NE(first, nullptr);

    const HFONT second = spec.set(-20, 3, 0, 0, FW_BOLD, 0x101, 0, 1, 0x1FF, 6, 2, 5, 0x131,
                                  L"DejaVu Sans");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(spec.handle, second);
    EXPECT_EQ(GetObjectType(first), 0u);
    LOGFONTW expected = makeDescription(-20, FW_BOLD, 1, 6, 0x31, L"DejaVu Sans");
    expected.lfWidth = 3;
    expected.lfStrikeOut = 1;
    expected.lfCharSet = 0xFF;
    expected.lfClipPrecision = 2;
    expected.lfQuality = 5;
    expectSameDescription(spec.logFont, expected);
    expectSameDescription(descriptionOf(second), expected);

    LOGFONTW record = expected;
    record.lfHeight = -30;
    const HFONT third = spec.set(record);
    EXPECT_EQ(GetObjectType(second), 0u);
    EXPECT_EQ(descriptionOf(third).lfHeight, -30);

    const FontSpec copied(record);
    EXPECT_EQ(descriptionOf(copied.handle).lfHeight, -30);
    EXPECT_EQ(GetObjectType(third), static_cast<DWORD>(OBJ_FONT)) << "another spec's font stays";
    const FontSpec fromValues(-9, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, L"DejaVu Sans Mono");
    EXPECT_STREQ(descriptionOf(fromValues.handle).lfFaceName, L"DejaVu Sans Mono");
}

TEST(FontSpec, SaveWritesTheByteFieldsAsZeroTo255) {
    const wchar_t key[] = L"Software\\Zyr\\LorvaneFontTest";
    RegDeleteTreeW(HKEY_CURRENT_USER, key);
    RegistryStore store(key, 0);
    FontSpec spec(-12, 0, 0, 0, FW_NORMAL, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0xF1, L"DejaVu Sans");
    EXPECT_EQ(spec.save(store), 1);
    EXPECT_EQ(readRaw(L"lfItalic", key).asInt(), 255);
    EXPECT_EQ(readRaw(L"lfCharSet", key).asInt(), 255);
    EXPECT_EQ(readRaw(L"lfPitchAndFamily", key).asInt(), 0xF1);
    EXPECT_EQ(readRaw(L"lfHeight", key).asInt(), -12);
    EXPECT_EQ(valueNames(key).size(), 11u);

    // Loading it back into another description gives the same fields.
    FontSpec loaded;
    ASSERT_NE(loaded.load(store), nullptr);
    expectSameDescription(loaded.logFont, spec.logFont);
    RegDeleteTreeW(HKEY_CURRENT_USER, key);
}

}  // namespace

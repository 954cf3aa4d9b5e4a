#include "font_spec.h"

#include "../app/display_scale.h"
#include "font_rules.h"
#include "registry_store.h"

namespace {

const wchar_t defaultFaceName[] = L"MS Sans Serif";

// The stored fields with their registry value names, in the order they are read and written.
// lfOutPrecision, lfClipPrecision and lfQuality are not stored.
struct WideField {
    const wchar_t* name;
    LONG LOGFONTW::*field;
};
struct ByteField {
    const wchar_t* name;
    BYTE LOGFONTW::*field;
};
const WideField wideFields[] = {{L"lfHeight", &LOGFONTW::lfHeight},
                                {L"lfWidth", &LOGFONTW::lfWidth},
                                {L"lfEscapement", &LOGFONTW::lfEscapement},
                                {L"lfOrientation", &LOGFONTW::lfOrientation},
                                {L"lfWeight", &LOGFONTW::lfWeight}};
const ByteField byteFields[] = {{L"lfItalic", &LOGFONTW::lfItalic},
                                {L"lfUnderline", &LOGFONTW::lfUnderline},
                                {L"lfStrikeOut", &LOGFONTW::lfStrikeOut},
                                {L"lfCharSet", &LOGFONTW::lfCharSet},
                                {L"lfPitchAndFamily", &LOGFONTW::lfPitchAndFamily}};

LOGFONTW description(std::int32_t height, std::int32_t width, std::int32_t escapement,
                     std::int32_t orientation, std::int32_t weight, int italic, int underline,
                     int strikeOut, int charSet, int outPrecision, int clipPrecision, int quality,
                     int pitchAndFamily, const wchar_t* faceName) {
    LOGFONTW font = {};
    font.lfHeight = height;
    font.lfWidth = width;
    font.lfEscapement = escapement;
    font.lfOrientation = orientation;
    font.lfWeight = weight;
    font.lfItalic = fontByte(italic);
    font.lfUnderline = fontByte(underline);
    font.lfStrikeOut = fontByte(strikeOut);
    font.lfCharSet = fontByte(charSet);
    font.lfOutPrecision = fontByte(outPrecision);
    font.lfClipPrecision = fontByte(clipPrecision);
    font.lfQuality = fontByte(quality);
    font.lfPitchAndFamily = fontByte(pitchAndFamily);
    copyFaceName(font.lfFaceName, faceName);
    return font;
}

// The description with its lengths in the pixels of a display of `dpi`.
LOGFONTW atDpi(const LOGFONTW& stored, int dpi) {
    LOGFONTW shown = stored;
    shown.lfHeight = fontLengthAtDpi(stored.lfHeight, dpi);
    shown.lfWidth = fontLengthAtDpi(stored.lfWidth, dpi);
    return shown;
}

}  // namespace

FontSpec::FontSpec()
    : logFont(description(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_MODERN | VARIABLE_PITCH,
                          defaultFaceName)) {
    replace(logFont);
}

FontSpec::FontSpec(const LOGFONTW& description) { set(description); }

FontSpec::FontSpec(std::int32_t height, std::int32_t width, std::int32_t escapement,
                   std::int32_t orientation, std::int32_t weight, int italic, int underline,
                   int strikeOut, int charSet, int outPrecision, int clipPrecision, int quality,
                   int pitchAndFamily, const wchar_t* faceName) {
    set(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
        outPrecision, clipPrecision, quality, pitchAndFamily, faceName);
}

FontSpec::~FontSpec() {
    if (handle != nullptr) DeleteObject(handle);
}

HFONT FontSpec::set(std::int32_t height, std::int32_t width, std::int32_t escapement,
                    std::int32_t orientation, std::int32_t weight, int italic, int underline,
                    int strikeOut, int charSet, int outPrecision, int clipPrecision, int quality,
                    int pitchAndFamily, const wchar_t* faceName) {
    return replace(description(height, width, escapement, orientation, weight, italic, underline,
                               strikeOut, charSet, outPrecision, clipPrecision, quality,
                               pitchAndFamily, faceName));
}

HFONT FontSpec::set(const LOGFONTW& font) {
    LOGFONTW candidate = font;
    copyFaceName(candidate.lfFaceName, font.lfFaceName);
    return replace(candidate);
}

HFONT FontSpec::load(RegistryStore& store) {
    LOGFONTW candidate = logFont;
    for (const WideField& wide : wideFields) {
        candidate.*wide.field = store.readInt(wide.name, logFont.*wide.field);
    }
    for (const ByteField& narrow : byteFields) {
        candidate.*narrow.field = fontByte(store.readInt(narrow.name, logFont.*narrow.field));
    }
    // The size is in bytes, terminator included: room for every face the face field can hold,
    // which is every face the Font dialog can give. A longer stored value gives the default.
    copyFaceName(candidate.lfFaceName,
                 store.readString(L"lfFaceName", defaultFaceName, sizeof candidate.lfFaceName));
    candidate.lfOutPrecision = 0;
    candidate.lfClipPrecision = 0;
    candidate.lfQuality = 0;
    return replace(candidate);
}

int FontSpec::save(RegistryStore& store) const {
    for (const WideField& wide : wideFields) store.writeInt(wide.name, logFont.*wide.field);
    for (const ByteField& narrow : byteFields) store.writeInt(narrow.name, logFont.*narrow.field);
    return store.writeString(L"lfFaceName", logFont.lfFaceName);
}

HFONT FontSpec::choose(HWND owner) {
    LOGFONTW working;
    CHOOSEFONTW dialog = {};
    {
        // The Font dialog does not follow the scale of each display: it runs at the system's
        // scale and turns points into pixels with the DPI a screen reports there.
        const SystemScaleScope systemScale;
        const int dialogDpi = screenDpi();
        working = atDpi(logFont, dialogDpi);
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = owner;
        dialog.lpLogFont = &working;
        dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
        dialog.nFontType = SCREEN_FONTTYPE;
        if (!ChooseFontW(&dialog)) return nullptr;
        working.lfHeight = storedHeightOfChoice(working.lfHeight, dialog.iPointSize, dialogDpi);
        working.lfWidth = storedFontLength(working.lfWidth, dialogDpi);
    }
    // Everything the dialog hands back is kept, precision and quality included; its text
    // colour is not used.
    return replace(working);
}

HFONT FontSpec::scaleTo(int newDpi) { return replace(logFont, newDpi); }

HFONT FontSpec::replace(const LOGFONTW& candidate) { return replace(candidate, dpi); }

HFONT FontSpec::replace(const LOGFONTW& candidate, int atDisplayDpi) {
    const LOGFONTW shown = atDpi(candidate, atDisplayDpi);
    const HFONT created = CreateFontIndirectW(&shown);
    if (created == nullptr) return nullptr;
    if (deletesReplacedFont(handle, static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT)))) {
        DeleteObject(handle);
    }
    logFont = candidate;
    handle = created;
    dpi = atDisplayDpi;
    return created;
}

// The display font: a logical-font description and the GDI font created from it. The
// description keeps its height and width in the units of a 96-DPI display, as they are stored;
// the font is made from it at the DPI of the display the text is shown on.
#pragma once

#include <windows.h>

#include <cstdint>

class RegistryStore;

class FontSpec {
public:
    // "MS Sans Serif", height -13, normal weight, FF_MODERN | VARIABLE_PITCH.
    FontSpec();
    explicit FontSpec(const LOGFONTW& description);
    FontSpec(std::int32_t height, std::int32_t width, std::int32_t escapement,
             std::int32_t orientation, std::int32_t weight, int italic, int underline,
             int strikeOut, int charSet, int outPrecision, int clipPrecision, int quality,
             int pitchAndFamily, const wchar_t* faceName);
    ~FontSpec();
    FontSpec(const FontSpec&) = delete;
    FontSpec& operator=(const FontSpec&) = delete;

    // Each of these gives the new font, or null when no font could be created from the new
    // description; then the present description and font stay.
    HFONT set(std::int32_t height, std::int32_t width, std::int32_t escapement,
              std::int32_t orientation, std::int32_t weight, int italic, int underline,
              int strikeOut, int charSet, int outPrecision, int clipPrecision, int quality,
              int pitchAndFamily, const wchar_t* faceName);
    HFONT set(const LOGFONTW& description);
    HFONT load(RegistryStore& store);
    HFONT choose(HWND owner);
    // Makes the font anew for a display of `dpi` dots per inch.
    HFONT scaleTo(int dpi);

    // Stores the description; gives the result of writing the face name.
    int save(RegistryStore& store) const;

    LOGFONTW logFont = {};
    HFONT handle = nullptr;
    // The DPI the font is made for.
    int dpi = 96;

private:
    HFONT replace(const LOGFONTW& candidate);
    HFONT replace(const LOGFONTW& candidate, int atDpi);
};

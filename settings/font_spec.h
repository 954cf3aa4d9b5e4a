// The display font: a logical-font description and the GDI font created from it.
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

    // Stores the description; gives the result of writing the face name.
    int save(RegistryStore& store) const;

    LOGFONTW logFont = {};
    HFONT handle = nullptr;

private:
    HFONT replace(const LOGFONTW& candidate);
};

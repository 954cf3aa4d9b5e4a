// The rules of the font description that need no platform. Windows-free.
#pragma once

#include <cstddef>
#include <cstdint>

// Room of a face name, terminator included.
constexpr std::size_t faceNameLength = 32;

// A byte field of the font description takes the low 8 bits of its number.
constexpr std::uint8_t fontByte(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

// Replacing a font deletes the one it replaces, unless there was none or it is the stock
// font, which belongs to the system.
template <typename Handle>
constexpr bool deletesReplacedFont(Handle present, Handle stock) {
    return present != nullptr && present != stock;
}

// Font lengths (lfHeight, lfWidth) are kept in the units of a 96-DPI display, in the settings and
// in the description, so that a stored font keeps its size in points on every display; the font
// itself is made at the display's dots per inch. Both conversions round half away from zero, so a
// length taken to a display of 96 DPI or more and back is the length it was, and repeated round
// trips never drift at any DPI. A DPI below 1 counts as 96; the result is bounded to 32 bits.
constexpr int storedFontDpi = 96;
std::int32_t fontLengthAtDpi(std::int32_t storedLength, int dpi);
std::int32_t storedFontLength(std::int32_t length, int dpi);

// The height to store for a font picked in the Font dialog, which ran at `dialogDpi` and gave
// `height` and its size in tenths of a point. A height that is the dialog's own rendering of that
// size is stored as a 96-DPI display renders the same size, so the same choice stores the same
// height at every scale; any other height is converted by the dialog's DPI.
std::int32_t storedHeightOfChoice(std::int32_t height, int pointTenths, int dialogDpi);

// Copies a face name into a face field; a name longer than 31 characters is cut to fit.
void copyFaceName(wchar_t (&face)[faceNameLength], const wchar_t* name);

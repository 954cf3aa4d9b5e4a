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

// Copies a face name into a face field; a name longer than 31 characters is cut to fit.
void copyFaceName(wchar_t (&face)[faceNameLength], const wchar_t* name);

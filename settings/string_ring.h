// The rules of the settings store that need no registry. Windows-free.
#pragma once

#include <cstddef>

// The ring index after `index`: 0, 1, 2, 3, 0, ... starting from -1.
constexpr int nextRingSlot(int index) { return (index + 1) % 4; }

// Whether a key path (null-terminated, possibly null) fits the store's 256-character field.
bool isAcceptedKeyPath(const wchar_t* path);

// Makes the text in a slot of `length` characters end within the slot: the query hands back
// raw bytes of `byteCount`, which may lack a terminator or be no string at all. Writes a
// terminator after the data when there is room, else on the slot's last character.
void terminateSlot(wchar_t* slot, std::size_t length, std::size_t byteCount);

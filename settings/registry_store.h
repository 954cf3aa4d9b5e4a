// The settings store: typed reads and writes of single named values under one registry key.
#pragma once

#include <windows.h>

#include <cstdint>

// Room of a key path, terminator included, and of each slot of the readString result ring.
constexpr int keyPathLength = 256;
constexpr int stringSlotLength = 256;

class RegistryStore {
public:
    RegistryStore();
    // A null path, or one of 256 or more characters, leaves the path empty; the selector is
    // taken in any case (0: HKEY_CURRENT_USER, anything else: HKEY_LOCAL_MACHINE).
    RegistryStore(const wchar_t* path, std::int32_t selector);

    int setKey(const wchar_t* path, std::int32_t selector);
    // `buffer` must hold maximum + 1 characters.
    int getKey(wchar_t* buffer, std::int32_t maximum, std::int32_t* selector) const;

    int writeString(const wchar_t* name, const wchar_t* text);
    int writeInt(const wchar_t* name, std::int32_t value);
    // Gives a slot of a process-wide ring of four: the text stays there until four further
    // calls, so callers copy it at once. `size` is in bytes, terminator included, at most 512.
    // Only a REG_SZ value is read; a missing one, or one of another type, gives `fallback`.
    const wchar_t* readString(const wchar_t* name, const wchar_t* fallback, DWORD size);
    std::int32_t readInt(const wchar_t* name, std::int32_t fallback);

    std::int32_t useLocalMachine = 0;
    wchar_t keyPath[keyPathLength] = {};

private:
    HKEY openKey(REGSAM access) const;
};

// Reads and writes registry values around the code under test, so that tests can set up what
// is stored and check what was written, value type and bytes included.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The program's own settings key under HKEY_CURRENT_USER.
inline constexpr const wchar_t* programKey = L"Software\\Zyr\\Lorvane";

struct RawValue {
    bool found = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;

    // The data as a 32-bit integer, for REG_DWORD values of 4 bytes.
    std::int32_t asInt() const;
    // The data as text, up to its first terminator or its end.
    std::wstring asText() const;
};

RawValue readRaw(const wchar_t* name, const wchar_t* path = programKey,
                 HKEY root = HKEY_CURRENT_USER);
void writeRaw(const wchar_t* name, DWORD type, const void* data, DWORD size,
              const wchar_t* path = programKey, HKEY root = HKEY_CURRENT_USER);
void writeDword(const wchar_t* name, std::int32_t value, const wchar_t* path = programKey);
// A REG_SZ with its terminator, as the program writes it.
void writeText(const wchar_t* name, const std::wstring& text, const wchar_t* path = programKey);

bool keyExists(const wchar_t* path, HKEY root = HKEY_CURRENT_USER);
// The names of the values under the key, in no particular order.
std::vector<std::wstring> valueNames(const wchar_t* path = programKey);

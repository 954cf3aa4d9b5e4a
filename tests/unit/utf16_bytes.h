// UTF-16 text as the little-endian bytes a file holds it in.
#pragma once

#include <string>

inline std::string utf16(const std::u16string& text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

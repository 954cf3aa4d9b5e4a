#include "url_rules.h"

namespace {

bool staysAsItIs(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L'-' || c == L'.' || c == L'_' || c == L'~' || static_cast<unsigned>(c) > 0x7F;
}

bool standsInAddress(wchar_t c) {
    const auto unit = static_cast<unsigned>(c);
    if (unit <= 0x20 || unit == 0x7F) return false;
    for (const wchar_t* unsafe = L"\"<>\\^`{|}"; *unsafe != L'\0'; ++unsafe) {
        if (c == *unsafe) return false;
    }
    return true;
}

bool isWhiteSpace(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

// Copies `text` (`length` characters) into `escaped` with every character that fails `stays`
// written as %XX. Gives false, with `escaped` empty, when the result would not fit `capacity`.
bool percentEncode(const wchar_t* text, std::size_t length, bool (*stays)(wchar_t),
                   wchar_t* escaped, std::size_t capacity) {
    if (capacity == 0) return false;
    const wchar_t* hex = L"0123456789ABCDEF";
    std::size_t written = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const bool same = stays(text[i]);
        if (written + (same ? 1 : 3) >= capacity) {
            escaped[0] = L'\0';
            return false;
        }
        if (same) {
            escaped[written++] = text[i];
        } else {
            const auto c = static_cast<unsigned>(text[i]);
            escaped[written++] = L'%';
            escaped[written++] = hex[c >> 4];
            escaped[written++] = hex[c & 0xF];
        }
    }
    escaped[written] = L'\0';
    return true;
}

}  // namespace

int comparePrefix(const wchar_t* prefix, const wchar_t* text) {
    for (std::size_t i = 0; prefix[i] != L'\0'; ++i) {
        const auto p = static_cast<unsigned>(prefix[i]);
        const auto t = static_cast<unsigned>(text[i]);
        if (p < t) return -1;
        if (p > t) return 1;
    }
    return 0;
}

bool escapeQueryValue(const wchar_t* text, wchar_t* escaped, std::size_t capacity) {
    std::size_t length = 0;
    while (text[length] != L'\0') ++length;
    return percentEncode(text, length, staysAsItIs, escaped, capacity);
}

bool escapeAddress(const wchar_t* selection, wchar_t* address, std::size_t capacity) {
    while (isWhiteSpace(*selection)) ++selection;
    std::size_t length = 0;
    while (selection[length] != L'\0') ++length;
    while (length > 0 && isWhiteSpace(selection[length - 1])) --length;
    return percentEncode(selection, length, standsInAddress, address, capacity);
}

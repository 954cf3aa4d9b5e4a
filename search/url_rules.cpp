#include "url_rules.h"

namespace {

bool staysAsItIs(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L'-' || c == L'.' || c == L'_' || c == L'~' || static_cast<unsigned>(c) > 0x7F;
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
    if (capacity == 0) return false;
    const wchar_t* hex = L"0123456789ABCDEF";
    std::size_t length = 0;
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        const std::size_t needed = staysAsItIs(*p) ? 1 : 3;
        if (length + needed >= capacity) {
            escaped[0] = L'\0';
            return false;
        }
        if (needed == 1) {
            escaped[length++] = *p;
        } else {
            const auto c = static_cast<unsigned>(*p);
            escaped[length++] = L'%';
            escaped[length++] = hex[c >> 4];
            escaped[length++] = hex[c & 0xF];
        }
    }
    escaped[length] = L'\0';
    return true;
}

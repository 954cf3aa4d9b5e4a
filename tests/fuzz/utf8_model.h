// A decoder of UTF-8 that the fuzz targets check the program's decoding against: well-formed
// sequences only, U+FFFD for each maximal part of an ill-formed one.
#pragma once

#include <cstddef>
#include <string>

inline bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the sequence a lead byte starts, 0 for a byte that starts none.
inline std::size_t leadLength(unsigned char byte) {
    if (byte >= 0xC2 && byte <= 0xDF) return 2;
    if (byte >= 0xE0 && byte <= 0xEF) return 3;
    if (byte >= 0xF0 && byte <= 0xF4) return 4;
    return 0;
}

// The bytes allowed right after a lead byte: the ranges that exclude overlong forms,
// surrogates and values above U+10FFFF.
inline bool fitsAfterLead(unsigned char lead, unsigned char next) {
    switch (lead) {
    case 0xE0: return next >= 0xA0 && next <= 0xBF;
    case 0xED: return next >= 0x80 && next <= 0x9F;
    case 0xF0: return next >= 0x90 && next <= 0xBF;
    case 0xF4: return next >= 0x80 && next <= 0x8F;
    default: return isContinuation(next);
    }
}

// Decodes UTF-8, giving U+FFFD for each maximal part of an ill-formed sequence.
inline std::u32string decode(const unsigned char* bytes, std::size_t length) {
    std::u32string text;
    std::size_t i = 0;
    while (i < length) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            text.push_back(lead);
            ++i;
            continue;
        }
        const std::size_t needed = leadLength(lead);
        if (needed == 0) {
            text.push_back(0xFFFD);
            ++i;
            continue;
        }
        std::size_t taken = 1;
        char32_t value = lead & (0xFF >> (needed + 1));
        while (taken < needed && i + taken < length &&
               (taken == 1 ? fitsAfterLead(lead, bytes[i + 1]) : isContinuation(bytes[i + taken]))) {
            value = value << 6 | (bytes[i + taken] & 0x3F);
            ++taken;
        }
        text.push_back(taken == needed ? value : 0xFFFD);
        i += taken;
    }
    return text;
}

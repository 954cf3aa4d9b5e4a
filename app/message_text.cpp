#include "message_text.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

const std::wstring ellipsis = L"...";

// One piece of a formatted message: fixed text (literal parts and numbers), or a text argument
// that may be shortened to fit.
struct Piece {
    std::wstring text;
    bool shortenable;
};

std::wstring numberText(std::uint32_t value, unsigned base, bool upper) {
    const wchar_t* digits = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring reversed;
    do {
        reversed.push_back(digits[value % base]);
        value /= base;
    } while (value != 0);
    return std::wstring(reversed.rbegin(), reversed.rend());
}

std::wstring signedText(std::int32_t value) {
    if (value >= 0) return numberText(static_cast<std::uint32_t>(value), 10, false);
    return L"-" + numberText(0u - static_cast<std::uint32_t>(value), 10, false);
}

// Converts one conversion character, consuming its argument. Gives false for a conversion
// outside the supported language.
bool convert(wchar_t conversion, std::va_list& args, std::vector<Piece>& pieces) {
    switch (conversion) {
    case L's': {
        const wchar_t* text = va_arg(args, const wchar_t*);
        pieces.push_back({text ? std::wstring(text) : std::wstring(L"(null)"), true});
        return true;
    }
    case L'c':
        pieces.push_back({std::wstring(1, static_cast<wchar_t>(va_arg(args, int))), false});
        return true;
    case L'd':
    case L'i':
        pieces.push_back({signedText(va_arg(args, std::int32_t)), false});
        return true;
    case L'u':
        pieces.push_back({numberText(va_arg(args, std::uint32_t), 10, false), false});
        return true;
    case L'x':
    case L'X':
        pieces.push_back({numberText(va_arg(args, std::uint32_t), 16, conversion == L'X'), false});
        return true;
    default:
        return false;
    }
}

std::vector<Piece> splitIntoPieces(const wchar_t* format, std::va_list& args) {
    std::vector<Piece> pieces;
    std::wstring literal;
    for (const wchar_t* p = format; *p != L'\0'; ++p) {
        if (*p != L'%') {
            literal.push_back(*p);
            continue;
        }
        const wchar_t* conversion = p + 1;
        if (*conversion == L'l' || *conversion == L'h') ++conversion;
        if (*conversion == L'%') {
            literal.push_back(L'%');
            p = conversion;
            continue;
        }
        if (*conversion == L'\0') {
            literal.push_back(L'%');
            continue;
        }
        pieces.push_back({literal, false});
        literal.clear();
        if (convert(*conversion, args, pieces)) {
            p = conversion;
        } else {
            literal.push_back(L'%');
        }
    }
    pieces.push_back({literal, false});
    return pieces;
}

// The largest length that every shortenable piece may keep so that all of them together fit
// `budget` characters.
std::size_t shareOfBudget(const std::vector<Piece>& pieces, std::size_t budget) {
    std::vector<std::size_t> lengths;
    for (const Piece& piece : pieces) {
        if (piece.shortenable) lengths.push_back(piece.text.size());
    }
    std::sort(lengths.begin(), lengths.end());
    std::size_t remaining = budget;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        const std::size_t fairShare = remaining / (lengths.size() - i);
        if (lengths[i] > fairShare) return fairShare;
        remaining -= lengths[i];
    }
    return budget;
}

std::wstring shortenMiddle(const std::wstring& text, std::size_t length) {
    if (text.size() <= length) return text;
    if (length <= ellipsis.size()) return text.substr(0, length);
    const std::size_t kept = length - ellipsis.size();
    const std::size_t head = (kept + 1) / 2;
    return text.substr(0, head) + ellipsis + text.substr(text.size() - (kept - head));
}

std::wstring assemble(const std::vector<Piece>& pieces, std::size_t limit) {
    std::size_t fixedLength = 0;
    std::size_t fullLength = 0;
    for (const Piece& piece : pieces) {
        fullLength += piece.text.size();
        if (!piece.shortenable) fixedLength += piece.text.size();
    }
    const std::size_t share =
        fullLength <= limit ? limit : shareOfBudget(pieces, limit > fixedLength ? limit - fixedLength : 0);
    std::wstring result;
    for (const Piece& piece : pieces) {
        result += piece.shortenable ? shortenMiddle(piece.text, share) : piece.text;
    }
    if (result.size() > limit) {
        result = result.substr(0, limit > ellipsis.size() ? limit - ellipsis.size() : 0);
        result += ellipsis.substr(0, std::min(limit, ellipsis.size()));
    }
    return result;
}

}  // namespace

std::size_t formatMessageText(wchar_t* buffer, std::size_t capacity, const wchar_t* format,
                              std::va_list args) {
    if (buffer == nullptr || capacity == 0) return 0;
    std::va_list ownArgs;
    va_copy(ownArgs, args);
    const std::wstring text = assemble(splitIntoPieces(format ? format : L"", ownArgs), capacity - 1);
    va_end(ownArgs);
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = L'\0';
    return text.size();
}

// The web rules with fuzzed selections: the prefix test, and the escaping of a query value into
// buffers of fuzzed sizes. Checks the prefix test against a plain comparison and that it reads
// nothing past either terminator; checks that an escaped value fits its buffer with its
// terminator, leaves only letters, digits, "-._~" and characters above 0x7F as they are, and
// decodes back to the selection; and that a refusal happens exactly when the value would not fit.
// Checks that an address made from a selection holds no character that could split the shell's
// command line, and percent-decodes to what the selection, less the white space around it,
// decodes to (the very same text when the selection holds no "%").
#include "search/url_rules.h"

#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_input.h"

namespace {

int expectedComparison(const std::wstring& prefix, const std::wstring& text) {
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto p = static_cast<std::uint32_t>(prefix[i]);
        const auto t = i < text.size() ? static_cast<std::uint32_t>(text[i]) : 0u;
        if (p != t) return p < t ? -1 : 1;
    }
    return 0;
}

void checkPrefix(const std::wstring& prefix, const std::wstring& text) {
    const auto prefixCopy = exactCopy(prefix);
    const auto textCopy = exactCopy(text);
    FUZZ_CHECK(comparePrefix(prefixCopy.get(), textCopy.get()) == expectedComparison(prefix, text));
}

bool unreserved(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L'-' || c == L'.' || c == L'_' || c == L'~';
}

int hexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;  // lower case is not what the rule writes
}

// Decodes an escaped value, checking each character on the way.
std::wstring decoded(const std::wstring& escaped) {
    std::wstring text;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        const wchar_t c = escaped[i];
        if (c != L'%') {
            FUZZ_CHECK(unreserved(c) || static_cast<std::uint32_t>(c) > 0x7F);
            text.push_back(c);
            continue;
        }
        FUZZ_CHECK(i + 2 < escaped.size());
        const int high = hexValue(escaped[i + 1]);
        const int low = hexValue(escaped[i + 2]);
        FUZZ_CHECK(high >= 0 && low >= 0);
        const wchar_t value = static_cast<wchar_t>(high * 16 + low);
        FUZZ_CHECK(value <= 0x7F && !unreserved(value));
        text.push_back(value);
        i += 2;
    }
    return text;
}

std::size_t escapedLength(const std::wstring& text) {
    std::size_t length = 0;
    for (const wchar_t c : text) length += unreserved(c) || static_cast<std::uint32_t>(c) > 0x7F ? 1 : 3;
    return length;
}

void checkEscaping(const std::wstring& text, std::size_t capacity) {
    const auto source = exactCopy(text);
    // Exactly `capacity` characters on the heap: a write past them is caught.
    std::unique_ptr<wchar_t[]> escaped(new wchar_t[capacity]);
    for (std::size_t i = 0; i < capacity; ++i) escaped[i] = L'#';
    const bool fits = escapeQueryValue(source.get(), escaped.get(), capacity);
    FUZZ_CHECK(fits == (escapedLength(text) + 1 <= capacity));
    if (capacity == 0) return;
    std::size_t length = 0;
    while (length < capacity && escaped[length] != L'\0') ++length;
    FUZZ_CHECK(length < capacity);
    if (!fits) {
        FUZZ_CHECK(length == 0);
        return;
    }
    FUZZ_CHECK(length <= capacity - 1);
    FUZZ_CHECK(decoded(std::wstring(escaped.get(), length)) == text);
}

bool standsInAddress(wchar_t c) {
    const auto unit = static_cast<std::uint32_t>(c);
    return unit > 0x20 && unit != 0x7F && std::wstring(L"\"<>\\^`{|}").find(c) == std::wstring::npos;
}

bool isWhiteSpace(wchar_t c) { return std::wstring(L" \t\r\n\v\f").find(c) != std::wstring::npos; }

std::wstring trimmed(const std::wstring& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && isWhiteSpace(text[first])) ++first;
    while (last > first && isWhiteSpace(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// Every %XX with two hexadecimal digits, either case, becomes the unit XX; the rest stays.
std::wstring percentDecoded(const std::wstring& text) {
    const auto hexDigit = [](wchar_t c) {
        if (c >= L'a' && c <= L'f') return static_cast<int>(c - L'a' + 10);
        return hexValue(c);
    };
    std::wstring result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 &&
            hexDigit(text[i + 2]) >= 0) {
            result.push_back(static_cast<wchar_t>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2])));
            i += 2;
        } else {
            result.push_back(text[i]);
        }
    }
    return result;
}

void checkAddress(const std::wstring& selection, std::size_t capacity) {
    const auto source = exactCopy(selection);
    std::unique_ptr<wchar_t[]> address(new wchar_t[capacity]);
    const bool fits = escapeAddress(source.get(), address.get(), capacity);
    const std::wstring expected = trimmed(selection);
    std::size_t length = 0;
    for (const wchar_t c : expected) length += standsInAddress(c) ? 1 : 3;
    FUZZ_CHECK(fits == (length + 1 <= capacity));
    if (!fits) {
        FUZZ_CHECK(capacity == 0 || address[0] == L'\0');
        return;
    }
    const std::wstring result(address.get());
    FUZZ_CHECK(result.size() == length);
    for (const wchar_t c : result) FUZZ_CHECK(standsInAddress(c));
    FUZZ_CHECK(percentDecoded(result) == percentDecoded(expected));
    if (expected.find(L'%') == std::wstring::npos) FUZZ_CHECK(percentDecoded(result) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const bool tiny = input.flag();
    const std::size_t capacity = tiny ? input.inRange(0, 8) : input.inRange(0, 520);
    const std::wstring prefix = input.text(12);
    const std::wstring text = input.restAsText();

    checkPrefix(prefix, text);
    checkPrefix(L"http://", text);
    checkPrefix(L"https://", text);
    // The selection starting with the prefix itself, as a URL does.
    checkPrefix(prefix, prefix + text);
    checkEscaping(text, capacity);
    checkEscaping(text, 256);
    checkAddress(text, capacity);
    checkAddress(text, text.size() * 3 + 1);
    return 0;
}

// Reads typed values out of a fuzzer's bytes. Each reader takes what it needs from the front and
// gives zeros once the bytes run out, so every input is usable.
//
// Text is read as 16-bit units, as on Windows, and widened to wchar_t (32 bits on Linux); the
// values 0xD800-0xDFFF and 0xFFFF come through unchanged, as a Windows program may meet them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : at(data), end(data + size) {}

    std::size_t remaining() const { return static_cast<std::size_t>(end - at); }

    std::uint8_t byte() { return at < end ? *at++ : 0; }

    bool flag() { return (byte() & 1) != 0; }

    std::uint16_t unit() {
        const std::uint16_t low = byte();
        return static_cast<std::uint16_t>(low | byte() << 8);
    }

    std::uint32_t word() {
        const std::uint32_t low = unit();
        return low | static_cast<std::uint32_t>(unit()) << 16;
    }

    std::uint64_t quad() {
        const std::uint64_t low = word();
        return low | static_cast<std::uint64_t>(word()) << 32;
    }

    // A number in [low, high], both inclusive.
    std::int64_t inRange(std::int64_t low, std::int64_t high) {
        const auto span = static_cast<std::uint64_t>(high - low);
        if (span == UINT64_MAX) return static_cast<std::int64_t>(quad());
        return low + static_cast<std::int64_t>(quad() % (span + 1));
    }

    // Text of up to `limit` units: a length unit, then the units. A unit of 0 ends the text early,
    // as it would end a C string.
    std::wstring text(std::size_t limit) {
        const std::size_t length = unit() % (limit + 1);
        std::wstring result;
        for (std::size_t i = 0; i < length && remaining() >= 2; ++i) {
            const wchar_t c = static_cast<wchar_t>(unit());
            if (c == 0) break;
            result.push_back(c);
        }
        return result;
    }

    // The rest of the input as text, two bytes a unit; a unit of 0 ends it.
    std::wstring restAsText() {
        std::wstring result;
        while (remaining() >= 2) {
            const wchar_t c = static_cast<wchar_t>(unit());
            if (c == 0) break;
            result.push_back(c);
        }
        return result;
    }

private:
    const std::uint8_t* at;
    const std::uint8_t* end;
};

// Stops the run with a message; libFuzzer then keeps the input that led here.
#define FUZZ_CHECK(condition)                                                            \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                \
        }                                                                                \
    } while (false)

// A heap copy of `text` with its terminator and not one character more, so that AddressSanitizer
// sees any read or write past its end.
inline std::unique_ptr<wchar_t[]> exactCopy(const std::wstring& text) {
    std::unique_ptr<wchar_t[]> copy(new wchar_t[text.size() + 1]);
    text.copy(copy.get(), text.size());
    copy[text.size()] = L'\0';
    return copy;
}

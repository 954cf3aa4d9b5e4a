// Formats fuzzed messages with fuzzed text and number arguments into buffers of fuzzed sizes.
// Checks that nothing is written past the buffer, that the result is always terminated, that a
// message that fits comes out exactly as a plain reading of the format language gives it, and
// that a shortened one keeps its fixed parts or, when they alone are too long, ends in "...".
#include "app/message_text.h"

#include <cstdarg>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"

namespace {

constexpr std::size_t maxConversions = 6;
constexpr std::size_t guardLength = 8;
constexpr wchar_t guard = 0x2592;

enum class Kind { text, number };

// One argument, held both ways; the format decides which one is passed.
struct Argument {
    std::wstring text;
    bool isNull;
    std::uint32_t number;
    const wchar_t* pointer() const { return isNull ? nullptr : text.c_str(); }
};

// The format read as the language describes it: literal text and the conversions that take an
// argument, in order. `fixed` is the message with every text argument left out.
struct Reading {
    std::wstring full;
    std::wstring fixed;
    std::wstring head;  // literal text before the first text argument
    std::wstring tail;  // literal text after the last text argument
    std::vector<Kind> kinds;
    std::vector<std::wstring> texts;  // the text arguments as they read in full
    std::size_t formatLength;  // the format is cut here, before a conversion beyond the maximum
};

std::wstring digits(std::uint32_t value, unsigned base, bool upper) {
    const wchar_t* symbols = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring text;
    do {
        text.insert(text.begin(), symbols[value % base]);
        value /= base;
    } while (value != 0);
    return text;
}

std::wstring rendered(wchar_t conversion, const Argument& argument) {
    switch (conversion) {
    case L's': return argument.isNull ? L"(null)" : argument.text;
    case L'c': return std::wstring(1, static_cast<wchar_t>(static_cast<int>(argument.number)));
    case L'd':
    case L'i': {
        const auto value = static_cast<std::int32_t>(argument.number);
        if (value >= 0) return digits(argument.number, 10, false);
        return L"-" + digits(0u - argument.number, 10, false);
    }
    case L'u': return digits(argument.number, 10, false);
    case L'x': return digits(argument.number, 16, false);
    default: return digits(argument.number, 16, true);
    }
}

bool takesArgument(wchar_t c) {
    return c == L's' || c == L'c' || c == L'd' || c == L'i' || c == L'u' || c == L'x' || c == L'X';
}

Reading read(const std::wstring& format, const std::vector<Argument>& arguments) {
    Reading reading{};
    reading.formatLength = format.size();
    std::wstring literal;
    bool anyText = false;
    for (std::size_t i = 0; i < format.size();) {
        if (format[i] != L'%') {
            literal.push_back(format[i++]);
            continue;
        }
        std::size_t j = i + 1;
        if (j < format.size() && (format[j] == L'l' || format[j] == L'h')) ++j;
        const wchar_t c = j < format.size() ? format[j] : L'\0';
        if (c == L'%') {
            literal.push_back(L'%');
            i = j + 1;
            continue;
        }
        if (!takesArgument(c)) {
            literal.push_back(L'%');
            ++i;
            continue;
        }
        if (reading.kinds.size() == maxConversions) {
            reading.formatLength = i;
            break;
        }
        const Argument& argument = arguments[reading.kinds.size()];
        reading.kinds.push_back(c == L's' ? Kind::text : Kind::number);
        reading.full += literal;
        reading.fixed += literal;
        if (!anyText) reading.head += literal;
        reading.tail += literal;
        literal.clear();
        const std::wstring value = rendered(c, argument);
        reading.full += value;
        if (c == L's') {
            anyText = true;
            reading.texts.push_back(value);
            reading.tail.clear();
        } else {
            reading.fixed += value;
            if (!anyText) reading.head += value;
            reading.tail += value;
        }
        i = j + 1;
    }
    reading.full += literal;
    reading.fixed += literal;
    if (!anyText) reading.head += literal;
    reading.tail += literal;
    return reading;
}

std::size_t formatThrough(wchar_t* buffer, std::size_t capacity, const wchar_t* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::size_t written = formatMessageText(buffer, capacity, format, args);
    va_end(args);
    return written;
}

// Passes the arguments that `kinds` asks for, each with its own type, as a caller would.
template <typename... Passed>
std::size_t callWith(wchar_t* buffer, std::size_t capacity, const wchar_t* format,
                     const std::vector<Kind>& kinds, const std::vector<Argument>& arguments,
                     Passed... passed) {
    constexpr std::size_t index = sizeof...(Passed);
    if (index == kinds.size()) return formatThrough(buffer, capacity, format, passed...);
    if constexpr (index < maxConversions) {
        if (kinds[index] == Kind::text) {
            return callWith(buffer, capacity, format, kinds, arguments, passed...,
                            arguments[index].pointer());
        }
        return callWith(buffer, capacity, format, kinds, arguments, passed...,
                        arguments[index].number);
    }
    std::abort();
}

std::wstring format(std::size_t capacity, const std::wstring& pattern, const Reading& reading,
                    const std::vector<Argument>& arguments) {
    std::vector<wchar_t> buffer(capacity + guardLength, guard);
    const std::size_t written =
        callWith(buffer.data(), capacity, pattern.c_str(), reading.kinds, arguments);
    for (std::size_t i = capacity; i < buffer.size(); ++i) FUZZ_CHECK(buffer[i] == guard);
    if (capacity == 0) {
        FUZZ_CHECK(written == 0);
        return L"";
    }
    FUZZ_CHECK(written < capacity);
    FUZZ_CHECK(buffer[written] == L'\0');
    return std::wstring(buffer.data(), written);
}

bool startsWith(const std::wstring& text, const std::wstring& start) {
    return text.compare(0, start.size(), start) == 0 && text.size() >= start.size();
}

bool endsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A lone text argument gets all the room the fixed parts leave, and keeps as much of its
// beginning as of its end (the beginning one more when they cannot be equal) around "...".
void checkShortened(const std::wstring& result, const Reading& reading, std::size_t limit) {
    const std::wstring& text = reading.texts[0];
    const std::size_t room = limit - reading.fixed.size();
    FUZZ_CHECK(text.size() > room);
    FUZZ_CHECK(result.size() == limit);
    const std::wstring kept = result.substr(reading.head.size(), room);
    if (room <= 3) {
        FUZZ_CHECK(kept == text.substr(0, room));
        return;
    }
    const std::size_t head = (room - 3 + 1) / 2;
    const std::size_t tail = room - 3 - head;
    FUZZ_CHECK(kept == text.substr(0, head) + L"..." + text.substr(text.size() - tail));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    // Mostly around the message boxes' 256 characters, sometimes tiny.
    const std::size_t capacity = input.flag() ? input.inRange(0, 8) : input.inRange(0, 320);
    std::vector<Argument> arguments(maxConversions);
    for (Argument& argument : arguments) {
        const std::uint8_t shape = input.byte();
        argument.isNull = (shape & 0x0F) == 0x0F;
        argument.number = input.word();
        argument.text = (shape & 0x10) ? std::wstring(input.inRange(0, 400), static_cast<wchar_t>(L'a' + shape % 26))
                                       : input.text(40);
    }
    std::wstring pattern = input.restAsText();
    const Reading reading = read(pattern, arguments);
    pattern.resize(reading.formatLength);

    const std::wstring result = format(capacity, pattern, reading, arguments);
    if (capacity == 0) return 0;
    const std::size_t limit = capacity - 1;
    if (reading.full.size() <= limit) {
        FUZZ_CHECK(result == reading.full);
    } else if (reading.fixed.size() <= limit) {
        // Only the text arguments were shortened.
        FUZZ_CHECK(result.size() >= reading.fixed.size());
        FUZZ_CHECK(startsWith(result, reading.head));
        FUZZ_CHECK(endsWith(result, reading.tail));
        if (reading.texts.size() == 1) checkShortened(result, reading, limit);
    } else {
        const std::wstring ellipsis = std::wstring(L"...").substr(0, limit < 3 ? limit : 3);
        FUZZ_CHECK(result.size() == limit);
        FUZZ_CHECK(endsWith(result, ellipsis));
        FUZZ_CHECK(startsWith(reading.fixed, result.substr(0, limit - ellipsis.size())));
    }
    // A buffer large enough gives the whole message, whatever the format holds.
    const std::wstring whole = format(reading.full.size() + 1, pattern, reading, arguments);
    FUZZ_CHECK(whole == reading.full);
    return 0;
}

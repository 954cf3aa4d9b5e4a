// Following a growing file, with fuzzed contents in the three decoded formats and fuzzed points
// at which the writer has got so far. Each look shows the file's new bytes up to the point where
// the next bytes can no longer change them, and the bytes after it apart, to be taken back and
// streamed again with what follows; the text so built must be what one stream of the final file
// gives. What a stream gives is modelled as the control reads it: line ends of every kind one
// break each, UTF-8 decoded with U+FFFD for ill-formed parts, UTF-16 units with U+FFFD for a lone
// surrogate or a cut unit, and a stream of 8-bit text that starts with the UTF-8 byte-order
// mark read as UTF-8.
#include "view/follow_rules.h"

#include <string>
#include <vector>

#include "fuzz_input.h"
#include "utf8_model.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr char32_t readAsUtf8 = 0x110000;

std::u32string utf16Characters(const unsigned char* bytes, std::size_t length) {
    std::u32string text;
    for (std::size_t at = 0; at + 1 < length; at += 2) {
        const char32_t unit = bytes[at] | bytes[at + 1] << 8;
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && at + 3 < length) {
            const char32_t next = bytes[at + 2] | bytes[at + 3] << 8;
            if (next >= 0xDC00 && next <= 0xDFFF) {
                text.push_back(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                at += 2;
                continue;
            }
        }
        text.push_back(high || low ? 0xFFFD : unit);
    }
    if (length % 2 != 0) text.push_back(0xFFFD);
    return text;
}

std::u32string characters(const unsigned char* bytes, std::size_t length, FileText text) {
    if (text == FileText::utf16) return utf16Characters(bytes, length);
    if (text == FileText::utf8) return decode(bytes, length);
    if (length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        return readAsUtf8 + decode(bytes + 3, length - 3);
    }
    return std::u32string(bytes, bytes + length);
}

// One stream into the control.
std::u32string streamed(const Bytes& file, std::size_t from, std::size_t to, FileText text) {
    const std::u32string decoded = characters(file.data() + from, to - from, text);
    std::u32string shown;
    for (std::size_t at = 0; at < decoded.size(); ++at) {
        if (decoded[at] == U'\r' && at + 1 < decoded.size() && decoded[at + 1] == U'\n') ++at;
        shown.push_back(decoded[at] == U'\r' ? U'\n' : decoded[at]);
    }
    return shown;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const FileText text = static_cast<FileText>(input.byte() % 3);
    std::vector<std::size_t> steps(input.byte() % 16);
    for (std::size_t& step : steps) step = input.byte() % 24;
    Bytes file;
    while (input.remaining() > 0) file.push_back(input.byte());
    // 8-bit text that begins with the mark goes in as one stream, and is not followed.
    if (text == FileText::bytes && !file.empty() && file[0] == 0xEF) return 0;

    std::u32string shown;
    std::size_t settled = 0;
    std::size_t heldBack = 0;
    std::size_t writtenTo = 0;
    steps.push_back(file.size());
    for (const std::size_t step : steps) {
        writtenTo = std::min(file.size(), writtenTo + step);
        const std::size_t next = settled + settledLength(file.data() + settled, writtenTo - settled, text);
        FUZZ_CHECK(next >= settled && next <= writtenTo);
        if (text == FileText::utf16) FUZZ_CHECK(next % 2 == 0);
        shown.resize(shown.size() - heldBack);
        shown += streamed(file, settled, next, text);
        const std::u32string tail = streamed(file, next, writtenTo, text);
        shown += tail;
        heldBack = tail.size();
        settled = next;
    }
    FUZZ_CHECK(shown == streamed(file, 0, file.size(), text));
    return 0;
}

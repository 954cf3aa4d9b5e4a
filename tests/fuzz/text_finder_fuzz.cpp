// The candidate search with fuzzed texts, find texts and pieces, against a plain search that
// compares at every position. Units come from a small alphabet, so that matches are frequent,
// with units that share a low byte and letters of both cases; ignoring case, either only ASCII
// letters fold or also units that case joins in threes, close in their bits (a Kelvin sign with
// K and k) or far apart (an ohm sign with the omegas). Checks the first candidate from every
// start, to the end and to a place within, and the last before every end, with and without
// case, and that a text split in two pieces gives, searched as it arrives, the same first
// candidate as the whole text.
#include "search/text_finder.h"

#include <cstdint>
#include <optional>
#include <string>

#include "fuzz_input.h"
#include "tests/unit/joined_fold.h"

namespace {

const char16_t alphabet[] = u"aAbB \u0161\u0141\u0241\rkK\u212a\u03a9\u03c9\u2126";

std::u16string unitsOf(FuzzInput& input, std::size_t limit) {
    const std::size_t length = input.byte() % (limit + 1);
    std::u16string text;
    for (std::size_t i = 0; i < length; ++i) text.push_back(alphabet[input.byte() % (sizeof alphabet / 2 - 1)]);
    return text;
}

bool matchesAt(const std::u16string& text, const std::u16string& needle, std::size_t at,
               bool matchCase, const CaseFold& fold) {
    for (std::size_t i = 0; i < needle.size(); ++i) {
        const char16_t t = text[at + i], n = needle[i];
        if (matchCase ? t != n : fold(t) != fold(n)) return false;
    }
    return true;
}

std::optional<std::size_t> plainNext(const std::u16string& text, const std::u16string& needle,
                                     std::size_t from, std::size_t end, bool matchCase, const CaseFold& fold) {
    if (needle.empty()) return std::nullopt;
    for (std::size_t at = from; at + needle.size() <= std::min(end, text.size()); ++at) {
        if (matchesAt(text, needle, at, matchCase, fold)) return at;
    }
    return std::nullopt;
}

std::optional<std::size_t> plainPrevious(const std::u16string& text, const std::u16string& needle,
                                         std::size_t end, bool matchCase, const CaseFold& fold) {
    if (needle.empty() || std::min(end, text.size()) < needle.size()) return std::nullopt;
    for (std::size_t at = std::min(end, text.size()) - needle.size() + 1; at-- > 0;) {
        if (matchesAt(text, needle, at, matchCase, fold)) return at;
    }
    return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CaseFold asciiFold, joined = joinedFold();
    FuzzInput input(data, size);
    const bool matchCase = input.flag();
    const bool wholeWord = input.flag();
    const std::u16string needle = unitsOf(input, 20);
    const std::u16string text = unitsOf(input, 200);
    const std::size_t split = input.byte() % (text.size() + 1);
    const std::size_t start = input.byte() % (text.size() + 2);
    const CaseFold& fold = input.flag() ? joined : asciiFold;
    const FindPattern pattern(needle, matchCase, fold);
    for (std::size_t at = 0; at <= text.size() + 1; ++at) {
        FUZZ_CHECK(pattern.next(text, at, text.size()) == plainNext(text, needle, at, text.size(), matchCase, fold));
        FUZZ_CHECK(pattern.next(text, at, split) == plainNext(text, needle, at, split, matchCase, fold));
        FUZZ_CHECK(pattern.previous(text, at) == plainPrevious(text, needle, at, matchCase, fold));
    }
    const std::size_t decided = decidedEnd(split, true, wholeWord);
    FUZZ_CHECK(decided <= split);
    auto found = pattern.next(text, start, decided);
    if (!found) found = pattern.next(text, resumeFrom(start, decided, needle.size()), text.size());
    FUZZ_CHECK(found == plainNext(text, needle, start, text.size(), matchCase, fold));
    return 0;
}

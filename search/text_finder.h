// Finding a text in a held copy of the text control's characters, fast: a sieve rules out many
// positions at once, Boyer–Moore–Horspool searches where it cannot.
// What is found is a candidate: the control still judges it (search/text_search.h). Windows-free.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "candidate_sieve.h"

// The unit each UTF-16 unit is compared as when case is ignored. Units that are each other's
// upper or lower case, directly or through a third, fold alike: so every pair the control takes
// as equal ignoring case folds alike, and the candidates are never fewer than its matches.
class CaseFold {
public:
    // Only the ASCII letters fold.
    CaseFold();
    // `upper` and `lower` give each of the 65536 units its upper- and lower-case unit.
    CaseFold(const char16_t* upper, const char16_t* lower);

    char16_t operator()(char16_t unit) const { return table[unit]; }

private:
    std::vector<char16_t> table;
};

// A find text prepared for the search, with or without case.
class FindPattern {
public:
    FindPattern(std::u16string_view needle, bool matchCase, const CaseFold& fold);

    std::size_t length() const { return needle.size(); }
    // The first candidate at `from` or after it that ends at `end` or before it.
    std::optional<std::size_t> next(std::u16string_view text, std::size_t from, std::size_t end) const;
    // The last candidate that ends at `end` or before it.
    std::optional<std::size_t> previous(std::u16string_view text, std::size_t end) const;

private:
    char16_t unit(char16_t c) const { return matchCase ? c : fold(c); }
    bool matchesAt(std::u16string_view text, std::size_t position) const;
    std::vector<char16_t> unitsComparedAs(char16_t compared) const;
    std::optional<std::size_t> firstOf(std::u16string_view text, std::size_t start,
                                       std::uint32_t candidates) const;
    std::optional<std::size_t> lastOf(std::u16string_view text, std::size_t start,
                                      std::uint32_t candidates) const;
    std::optional<std::size_t> shiftingNext(std::u16string_view text, std::size_t from,
                                            std::size_t last) const;
    std::optional<std::size_t> shiftingPrevious(std::u16string_view text, std::size_t last) const;

    std::u16string needle;
    bool matchCase;
    const CaseFold& fold;
    // How far the window may move on the unit at its far end (forward) or its near end
    // (backward), by the low byte of that unit: units sharing a byte share the smaller shift.
    std::array<std::size_t, 256> forwardShift{};
    std::array<std::size_t, 256> backwardShift{};
    CandidateSieve sieve;
};

// Whether every unit of `text` is ASCII: letters of ASCII compare alike ignoring case in every
// notion of case, and no other unit folds to them then.
bool isAscii(std::u16string_view text);

// Where a candidate may end and still be decided, in a text of `loaded` units that more text
// may follow: a whole word at the end could go on in the next piece.
std::size_t decidedEnd(std::size_t loaded, bool moreToCome, bool wholeWord);
// Where a downward search from `start` goes on once the text up to `searchedEnd` has been
// searched: candidates that would end beyond it may begin in its last `length` - 1 units.
std::size_t resumeFrom(std::size_t start, std::size_t searchedEnd, std::size_t length);

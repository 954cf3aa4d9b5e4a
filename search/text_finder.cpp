#include "text_finder.h"

#include <algorithm>
#include <bit>
#include <numeric>

namespace {

constexpr std::size_t unitCount = 0x10000;

std::size_t byteOf(char16_t unit) { return unit & 0xFFu; }

// The smallest unit of each class of units joined by `join`.
class UnitClasses {
public:
    UnitClasses() : parent(unitCount) { std::iota(parent.begin(), parent.end(), char16_t{0}); }
    char16_t root(char16_t unit) {
        while (parent[unit] != unit) unit = parent[unit] = parent[parent[unit]];
        return unit;
    }
    void join(char16_t a, char16_t b) {
        const char16_t ra = root(a), rb = root(b);
        if (ra < rb) parent[rb] = ra;
        else parent[ra] = rb;
    }

private:
    std::vector<char16_t> parent;
};

}  // namespace

CaseFold::CaseFold() : table(unitCount) {
    std::iota(table.begin(), table.end(), char16_t{0});
    for (char16_t c = u'a'; c <= u'z'; ++c) table[c] = static_cast<char16_t>(c - u'a' + u'A');
}

CaseFold::CaseFold(const char16_t* upper, const char16_t* lower) : table(unitCount) {
    UnitClasses classes;
    for (std::size_t i = 0; i < unitCount; ++i) {
        const auto unit = static_cast<char16_t>(i);
        classes.join(unit, upper[i]);
        classes.join(unit, lower[i]);
    }
    for (char16_t c = u'a'; c <= u'z'; ++c) classes.join(c, static_cast<char16_t>(c - u'a' + u'A'));
    for (std::size_t i = 0; i < unitCount; ++i) table[i] = classes.root(static_cast<char16_t>(i));
}

FindPattern::FindPattern(std::u16string_view text, bool caseMatters, const CaseFold& caseFold)
    : needle(text), matchCase(caseMatters), fold(caseFold) {
    for (char16_t& c : needle) c = unit(c);
    const std::size_t n = needle.size();
    forwardShift.fill(std::max<std::size_t>(n, 1));
    backwardShift.fill(std::max<std::size_t>(n, 1));
    for (std::size_t i = 0; i + 1 < n; ++i) forwardShift[byteOf(needle[i])] = n - 1 - i;
    for (std::size_t i = n; i-- > 1;) backwardShift[byteOf(needle[i])] = i;
    if (n > 0) sieve = CandidateSieve(unitsComparedAs(needle.front()), unitsComparedAs(needle.back()), n);
}

bool FindPattern::matchesAt(std::u16string_view text, std::size_t position) const {
    for (std::size_t i = needle.size(); i-- > 0;) {
        if (unit(text[position + i]) != needle[i]) return false;
    }
    return true;
}

// The units of a text that compare as `compared`, a unit of the prepared needle.
std::vector<char16_t> FindPattern::unitsComparedAs(char16_t compared) const {
    if (matchCase) return {compared};
    std::vector<char16_t> units;
    for (std::size_t i = 0; i < unitCount; ++i) {
        if (fold(static_cast<char16_t>(i)) == compared) units.push_back(static_cast<char16_t>(i));
    }
    return units;
}

// Of the candidates the sieve let through in the block at `start`, the first that matches.
std::optional<std::size_t> FindPattern::firstOf(std::u16string_view text, std::size_t start,
                                                std::uint32_t candidates) const {
    for (auto bits = candidates; bits != 0; bits &= bits - 1) {
        const std::size_t position = start + static_cast<std::size_t>(std::countr_zero(bits));
        if (matchesAt(text, position)) return position;
    }
    return std::nullopt;
}

std::optional<std::size_t> FindPattern::lastOf(std::u16string_view text, std::size_t start,
                                               std::uint32_t candidates) const {
    for (auto bits = candidates; bits != 0;) {
        const auto highest = static_cast<std::size_t>(std::bit_width(bits) - 1);
        if (matchesAt(text, start + highest)) return start + highest;
        bits ^= std::uint32_t{1} << highest;
    }
    return std::nullopt;
}

std::optional<std::size_t> FindPattern::next(std::u16string_view text, std::size_t from,
                                             std::size_t end) const {
    const std::size_t n = needle.size();
    end = std::min(end, text.size());
    if (n == 0 || end < n) return std::nullopt;
    // The last position a candidate may begin at.
    const std::size_t last = end - n;
    std::size_t position = from;
    if (sieve.on()) {
        for (; position <= last && last - position >= CandidateSieve::blockLength - 1;
             position += CandidateSieve::blockLength) {
            const std::uint32_t candidates = sieve.candidatesGoingForward(text.data() + position);
            if (candidates == 0) continue;
            if (const auto found = firstOf(text, position, candidates)) return found;
        }
    }
    return shiftingNext(text, position, last);
}

std::optional<std::size_t> FindPattern::previous(std::u16string_view text, std::size_t end) const {
    const std::size_t n = needle.size();
    end = std::min(end, text.size());
    if (n == 0 || end < n) return std::nullopt;
    // Positions below `unsieved` are still to be looked at.
    std::size_t unsieved = end - n + 1;
    if (sieve.on()) {
        for (; unsieved >= CandidateSieve::blockLength; unsieved -= CandidateSieve::blockLength) {
            const std::size_t start = unsieved - CandidateSieve::blockLength;
            const std::uint32_t candidates = sieve.candidatesGoingBackward(text.data() + start);
            if (candidates == 0) continue;
            if (const auto found = lastOf(text, start, candidates)) return found;
        }
    }
    if (unsieved == 0) return std::nullopt;
    return shiftingPrevious(text, unsieved - 1);
}

std::optional<std::size_t> FindPattern::shiftingNext(std::u16string_view text, std::size_t from,
                                                     std::size_t last) const {
    const std::size_t n = needle.size();
    for (std::size_t position = from; position <= last;) {
        if (matchesAt(text, position)) return position;
        position += forwardShift[byteOf(unit(text[position + n - 1]))];
    }
    return std::nullopt;
}

std::optional<std::size_t> FindPattern::shiftingPrevious(std::u16string_view text, std::size_t last) const {
    for (std::size_t position = last;;) {
        if (matchesAt(text, position)) return position;
        const std::size_t shift = backwardShift[byteOf(unit(text[position]))];
        if (position < shift) return std::nullopt;
        position -= shift;
    }
}

bool isAscii(std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), [](char16_t unit) { return unit < 0x80; });
}

std::size_t decidedEnd(std::size_t loaded, bool moreToCome, bool wholeWord) {
    return moreToCome && wholeWord && loaded > 0 ? loaded - 1 : loaded;
}

std::size_t resumeFrom(std::size_t start, std::size_t searchedEnd, std::size_t length) {
    const std::size_t overlap = length > 0 ? length - 1 : 0;
    return std::max(start, searchedEnd > overlap ? searchedEnd - overlap : 0);
}

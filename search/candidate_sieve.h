// Rules out many positions at once in a search for a find text: a candidate has, at the find
// text's first and last places, units of known sets. Windows-free; uses SSE2, which every x86-64
// processor has.
#pragma once

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class CandidateSieve {
public:
    // Positions looked at together.
    static constexpr std::size_t blockLength = 16;

    // Off.
    CandidateSieve() = default;
    // `firstUnits` and `lastUnits`: every unit that may begin and end a candidate of `length` units,
    // at least one of each and a length of at least one.
    CandidateSieve(const std::vector<char16_t>& firstUnits, const std::vector<char16_t>& lastUnits,
                   std::size_t length);

    bool on() const { return isOn; }
    // One bit for each of the blockLength positions from `at`, the lowest for `at`, set where a
    // candidate may begin; set for a few positions more, never for fewer. The text must hold a
    // whole candidate at each of those positions. The text a page further on in the search's
    // direction is asked for: the processor's own read-ahead stops at the end of a page, and
    // the search would wait for memory at every new one.
    std::uint32_t candidatesGoingForward(const char16_t* at) const {
        readAhead(at, pageBytes);
        return candidatesAt(at);
    }
    std::uint32_t candidatesGoingBackward(const char16_t* at) const {
        readAhead(at, -pageBytes);
        return candidatesAt(at);
    }

private:
    static constexpr std::ptrdiff_t pageBytes = 4096;

    // Only asks for the memory and never reads it, so any address will do, in the text or not.
    static void readAhead(const char16_t* at, std::ptrdiff_t bytes) {
        const auto address = reinterpret_cast<std::uintptr_t>(at) + static_cast<std::uintptr_t>(bytes);
        _mm_prefetch(reinterpret_cast<const char*>(address), _MM_HINT_T0);
    }

    std::uint32_t candidatesAt(const char16_t* at) const {
        const __m128i low = _mm_and_si128(among(at, first), among(at + lastOffset, last));
        const __m128i high = _mm_and_si128(among(at + 8, first), among(at + lastOffset + 8, last));
        return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(low, high)));
    }

    // The units let through: those whose bits in `kept` are those of `value`. One compare for
    // all, whatever their number: the units that compare alike differ in few bits, mostly in
    // one (a letter of ASCII in either case).
    struct Units {
        __m128i kept;
        __m128i value;
    };

    static Units unitsLike(const std::vector<char16_t>& units);
    // All ones in each of the eight units from `at` that `units` lets through.
    static __m128i among(const char16_t* at, const Units& units) {
        const __m128i text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        return _mm_cmpeq_epi16(_mm_and_si128(text, units.kept), units.value);
    }

    Units first{}, last{};
    std::size_t lastOffset = 0;
    bool isOn = false;
};

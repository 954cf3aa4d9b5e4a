#include "candidate_sieve.h"

#include <bit>

namespace {

// Units that differ in more bits than this let so many others through that the sieve no
// longer pays.
constexpr int mostDifferingBits = 8;

// The bits in which some of `units` differ.
unsigned differingBits(const std::vector<char16_t>& units) {
    unsigned bits = 0;
    for (const char16_t unit : units) bits |= unit ^ units.front();
    return bits;
}

}  // namespace

CandidateSieve::CandidateSieve(const std::vector<char16_t>& firstUnits,
                               const std::vector<char16_t>& lastUnits, std::size_t length)
    : first(unitsLike(firstUnits)), last(unitsLike(lastUnits)), lastOffset(length - 1),
      isOn(std::popcount(differingBits(firstUnits)) <= mostDifferingBits &&
           std::popcount(differingBits(lastUnits)) <= mostDifferingBits) {}

CandidateSieve::Units CandidateSieve::unitsLike(const std::vector<char16_t>& units) {
    const unsigned kept = ~differingBits(units) & 0xFFFFu;
    return {_mm_set1_epi16(static_cast<short>(kept)),
            _mm_set1_epi16(static_cast<short>(units.front() & kept))};
}

// Where a piece of a loading file may end, with fuzzed chunks. Checks that the end lies within
// the chunk, on a whole unit, never just after a CR or a high surrogate, never where 8-bit text
// would start with a UTF-8 byte-order mark, and right after the chunk's last line feed where a
// piece may start when it has one; and that a line is left whole when it may not be cut.
#include "view/load_pieces.h"

#include <algorithm>
#include <vector>

#include "fuzz_input.h"

namespace {

unsigned unitAt(const std::vector<unsigned char>& chunk, std::size_t at, std::size_t unitSize) {
    return unitSize == 1 ? chunk[at] : chunk[at] | chunk[at + 1] << 8;
}

// In 8-bit text a piece must not start with the UTF-8 byte-order mark, nor where the bytes known
// so far may begin one.
bool mayStartAt(const std::vector<unsigned char>& chunk, std::size_t at, std::size_t unitSize) {
    if (unitSize != 1) return true;
    const unsigned char mark[] = {0xEF, 0xBB, 0xBF};
    const std::size_t known = std::min<std::size_t>(chunk.size() - at, 3);
    return known > 0 && !std::equal(chunk.begin() + static_cast<std::ptrdiff_t>(at),
                                    chunk.begin() + static_cast<std::ptrdiff_t>(at + known), mark);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const TextUnits units = input.flag() ? TextUnits::utf16 : TextUnits::bytes;
    const bool mayCutLine = input.flag();
    const std::size_t unitSize = units == TextUnits::utf16 ? 2 : 1;
    std::vector<unsigned char> chunk;
    while (input.remaining() > 0) chunk.push_back(input.byte());

    std::size_t afterLineFeed = 0;
    for (std::size_t at = 0; at + unitSize <= chunk.size(); at += unitSize) {
        if (unitAt(chunk, at, unitSize) == 0x0A && mayStartAt(chunk, at + unitSize, unitSize)) {
            afterLineFeed = at + unitSize;
        }
    }
    const auto end = pieceEnd(chunk.data(), chunk.size(), units, mayCutLine);
    if (afterLineFeed > 0) {
        FUZZ_CHECK(end && *end == afterLineFeed);
        return 0;
    }
    if (!end) return 0;
    FUZZ_CHECK(mayCutLine);
    FUZZ_CHECK(*end > 0 && *end <= chunk.size() && *end % unitSize == 0);
    FUZZ_CHECK(mayStartAt(chunk, *end, unitSize));
    const unsigned last = unitAt(chunk, *end - unitSize, unitSize);
    FUZZ_CHECK(last != 0x0D);
    FUZZ_CHECK(unitSize == 1 || last < 0xD800 || last > 0xDBFF);
    return 0;
}

#include "stream_chunks.h"

namespace {

bool isContinuationByte(unsigned char byte) { return (byte & 0xC0) == 0x80; }

std::size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    return 1;
}

}  // namespace

std::size_t wholeUtf8Prefix(const unsigned char* bytes, std::size_t length) {
    // Look back over at most three continuation bytes for the lead of the last sequence.
    std::size_t lead = length;
    for (std::size_t back = 1; back <= 4 && back <= length; ++back) {
        if (!isContinuationByte(bytes[length - back])) {
            lead = length - back;
            break;
        }
    }
    if (lead == length) return length;
    const std::size_t needed = sequenceLength(bytes[lead]);
    return lead + needed > length ? lead : length;
}

bool holdsBackFinalCr(unsigned lastUnit, std::size_t unitCount, bool filledRequest) {
    return lastUnit == 0x0D && unitCount > 1 && filledRequest;
}

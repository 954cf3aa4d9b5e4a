#include "load_pieces.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr unsigned carriageReturn = 0x0D;
constexpr unsigned lineFeed = 0x0A;

bool isHighSurrogate(unsigned unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// Whether a piece may start at `at`: no piece of 8-bit text starts with the UTF-8 byte-order mark
// or with bytes that may turn out to be it; at the chunk's end the next bytes are not known yet.
bool mayStartPiece(const unsigned char* chunk, std::size_t length, std::size_t at, std::size_t unitSize) {
    if (unitSize != 1) return true;
    const std::size_t known = std::min(length - at, sizeof utf8Mark);
    return known > 0 && std::memcmp(chunk + at, utf8Mark, known) != 0;
}

// The position just after the last line feed of the chunk where a piece may start, or 0 when it
// holds none.
std::size_t afterLastLineFeed(const unsigned char* chunk, std::size_t length, std::size_t unitSize) {
    for (std::size_t end = length - length % unitSize; end >= unitSize; end -= unitSize) {
        const std::size_t at = end - unitSize;
        const unsigned unit = unitSize == 1 ? chunk[at] : chunk[at] | chunk[at + 1] << 8;
        if (unit == lineFeed && mayStartPiece(chunk, length, end, unitSize)) return end;
    }
    return 0;
}

// The latest place where a line may be cut: whole units, not after a CR or a high surrogate,
// and where a piece may start.
std::size_t latestCut(const unsigned char* chunk, std::size_t length, std::size_t unitSize) {
    std::size_t end = length - length % unitSize;
    while (end >= unitSize) {
        const std::size_t at = end - unitSize;
        const unsigned unit = unitSize == 1 ? chunk[at] : chunk[at] | chunk[at + 1] << 8;
        if (unit != carriageReturn && !(unitSize == 2 && isHighSurrogate(unit)) &&
            mayStartPiece(chunk, length, end, unitSize)) {
            break;
        }
        end -= unitSize;
    }
    return end;
}

}  // namespace

std::optional<std::size_t> pieceEnd(const unsigned char* chunk, std::size_t length, TextUnits units,
                                    bool mayCutLine) {
    const std::size_t unitSize = units == TextUnits::utf16 ? 2 : 1;
    if (const std::size_t end = afterLastLineFeed(chunk, length, unitSize); end > 0) return end;
    if (!mayCutLine) return std::nullopt;
    if (const std::size_t end = latestCut(chunk, length, unitSize); end > 0) return end;
    return std::nullopt;
}

std::size_t nextPieceBytes(std::size_t bytes, double elapsedMs, double targetMs) {
    double next = static_cast<double>(largestPiece);
    if (elapsedMs > 0 && targetMs > 0) next = static_cast<double>(bytes) * (targetMs / elapsedMs);
    next = std::min(next, 2.0 * static_cast<double>(bytes));
    next = std::clamp(next, static_cast<double>(smallestPiece), static_cast<double>(largestPiece));
    return static_cast<std::size_t>(next);
}

double sliceMilliseconds(std::uint64_t charactersHeld) {
    constexpr double shortestSliceMs = 60;
    constexpr double longestSliceMs = 150;
    constexpr double appendCostMs = 5;
    constexpr double appendCostMsPerMillionCharacters = 0.4;
    constexpr double slicesPerAppendCost = 5;
    const double appendCost =
        appendCostMs + appendCostMsPerMillionCharacters * static_cast<double>(charactersHeld) / 1e6;
    return std::clamp(slicesPerAppendCost * appendCost, shortestSliceMs, longestSliceMs);
}

std::uint64_t loadMemoryBudget(std::uint64_t memoryAvailable) { return memoryAvailable / 2; }

bool nextBytesFit(std::uint64_t bytesLoaded, std::uint64_t memoryUsed, std::uint64_t nextBytes,
                  std::uint64_t budget) {
    // In long double, so that no product of large values wraps around.
    constexpr long double leastBytesPerByte = 2;
    long double perByte = leastBytesPerByte;
    if (bytesLoaded > 0) {
        perByte = std::max(perByte, static_cast<long double>(memoryUsed) / static_cast<long double>(bytesLoaded));
    }
    // Freed memory the process takes again does not show as growth, so what is loaded counts
    // with at least its text.
    const long double held = std::max(static_cast<long double>(memoryUsed),
                                      leastBytesPerByte * static_cast<long double>(bytesLoaded));
    const long double needed = held + perByte * static_cast<long double>(nextBytes);
    return needed <= static_cast<long double>(budget);
}

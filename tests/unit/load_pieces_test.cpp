#include "view/load_pieces.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "utf16_bytes.h"

namespace {

std::optional<std::size_t> endOf(const std::string& chunk, TextUnits units, bool mayCutLine) {
    return pieceEnd(reinterpret_cast<const unsigned char*>(chunk.data()), chunk.size(), units, mayCutLine);
}

TEST(LoadPieces, APieceEndsAfterALineFeedOrWhereALongLineMayBeCut) {
    struct Case {
        const char* what;
        std::string chunk;
        TextUnits units;
        bool mayCutLine;
        std::optional<std::size_t> end;
    };
    const Case cases[] = {
        {"after the last LF", "ab\r\ncd\r\nef", TextUnits::bytes, false, 8},
        {"a lone LF", "ab\ncd", TextUnits::bytes, true, 3},
        {"8-bit text: not at the chunk's end", "ab\r\ncd\r\n", TextUnits::bytes, false, 4},
        {"8-bit text: not before a byte-order mark", "a\nb\n\xEF\xBB\xBF" "c\n\xEF\xBB", TextUnits::bytes, false, 2},
        {"8-bit text: the mark's last byte alone", "a\n\xBF", TextUnits::bytes, false, 2},
        {"no LF, line not to be cut", "abcdef", TextUnits::bytes, false, std::nullopt},
        {"no LF, cut before the chunk's last byte", "abcdef", TextUnits::bytes, true, 5},
        {"no LF, not cut where a byte-order mark may start", "abc\xEF", TextUnits::bytes, true, 2},
        {"never after a CR", "abc\rd", TextUnits::bytes, true, 3},
        {"nothing but CRs", "\r\r", TextUnits::bytes, true, std::nullopt},
        {"empty", "", TextUnits::bytes, true, std::nullopt},
        {"UTF-16 LF", utf16(u"ab\r\ncd"), TextUnits::utf16, false, 8},
        {"UTF-16 at the chunk's end", utf16(u"ab\r\n"), TextUnits::utf16, false, 8},
        {"a 0x0A byte that is not a UTF-16 LF", utf16(u"a\u0A41b"), TextUnits::utf16, false, std::nullopt},
        {"UTF-16 whole units only", utf16(u"abc") + "x", TextUnits::utf16, true, 6},
        {"UTF-16 not inside a surrogate pair", utf16(u"ab\xD83D"), TextUnits::utf16, true, 4},
        {"UTF-16 not after a CR before a high surrogate", utf16(u"a\r\xD83D"), TextUnits::utf16, true, 2},
        {"UTF-16 a complete pair", utf16(u"a\xD83D\xDE00"), TextUnits::utf16, true, 6},
    };
    for (const Case& each : cases) EXPECT_EQ(endOf(each.chunk, each.units, each.mayCutLine), each.end) << each.what;
}

TEST(LoadPieces, TheNextPieceKeepsToTheSliceTimeWithinBounds) {
    EXPECT_EQ(nextPieceBytes(100000, 100, 50), 50000u) << "half the time, half the bytes";
    EXPECT_EQ(nextPieceBytes(100000, 10, 50), 200000u) << "at most double";
    EXPECT_EQ(nextPieceBytes(100000, 0, 50), 200000u) << "no time measured";
    EXPECT_EQ(nextPieceBytes(20000, 1000, 50), smallestPiece);
    EXPECT_EQ(nextPieceBytes(largestPiece, 1, 50), largestPiece);
    EXPECT_EQ(sliceMilliseconds(0), 60) << "a short slice while the text is small";
    EXPECT_EQ(sliceMilliseconds(10000000), 60);
    EXPECT_DOUBLE_EQ(sliceMilliseconds(50000000), 125) << "longer as each append costs more";
    EXPECT_EQ(sliceMilliseconds(UINT64_MAX), 150) << "well within a quarter second";
}

TEST(LoadPieces, TheNextBytesFitByWhatTheBytesSoFarTook) {
    EXPECT_EQ(loadMemoryBudget(1000), 500u);
    EXPECT_TRUE(nextBytesFit(0, 0, 100, 200)) << "two bytes a byte before anything is known";
    EXPECT_FALSE(nextBytesFit(0, 0, 101, 200));
    EXPECT_TRUE(nextBytesFit(1000, 90000, 100, 99000)) << "90 bytes a byte measured";
    EXPECT_FALSE(nextBytesFit(1000, 90000, 101, 99000));
    EXPECT_TRUE(nextBytesFit(1000, 0, 100, 2200)) << "freed memory taken again: two bytes a byte";
    EXPECT_FALSE(nextBytesFit(1000, 0, 101, 2200));
    EXPECT_FALSE(nextBytesFit(UINT64_MAX, UINT64_MAX, UINT64_MAX, UINT64_MAX)) << "no overflow";
}

}  // namespace

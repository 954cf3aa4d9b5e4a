#include "view/follow_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "utf16_bytes.h"

namespace {

TEST(FollowRules, WhatTheNextBytesMayStillChangeIsHeldBack) {
    struct Case {
        const char* what;
        std::string bytes;
        FileText text;
        std::size_t settled;
    };
    const Case cases[] = {
        {"8-bit: the last byte always", "ab\ncd", FileText::bytes, 4},
        {"8-bit: a CR LF whole", "ab\r\n", FileText::bytes, 2},
        {"8-bit: a run of CRs", "ab\r\r", FileText::bytes, 2},
        {"8-bit: a stream may start inside the mark", "ab\xEF\xBB", FileText::bytes, 3},
        {"8-bit: the mark's lead at the end", "ab\xEF", FileText::bytes, 1},
        {"8-bit: nothing but CRs", "\r\r", FileText::bytes, 0},
        {"empty", "", FileText::bytes, 0},
        {"UTF-8: whole", "ab\n", FileText::utf8, 3},
        {"UTF-8: a cut euro sign", "ab\xE2\x82", FileText::utf8, 2},
        {"UTF-8: a cut sequence after a CR", "ab\r\xF0\x9F\x98", FileText::utf8, 2},
        {"UTF-8: a CR", "ab\r", FileText::utf8, 2},
        {"UTF-8: a stray continuation byte is the decoder's", "ab\x82", FileText::utf8, 3},
        {"UTF-16: whole", utf16(u"ab\r\n"), FileText::utf16, 8},
        {"UTF-16: a cut unit", utf16(u"ab") + "c", FileText::utf16, 4},
        {"UTF-16: a high surrogate", utf16(u"ab\xD83D"), FileText::utf16, 4},
        {"UTF-16: a CR and a high surrogate", utf16(u"ab\r\xD83D"), FileText::utf16, 4},
        {"UTF-16: a whole pair", utf16(u"a\xD83D\xDE00"), FileText::utf16, 6},
    };
    for (const Case& each : cases) {
        EXPECT_EQ(settledLength(reinterpret_cast<const unsigned char*>(each.bytes.data()), each.bytes.size(), each.text),
                  each.settled)
            << each.what;
    }
}

TEST(FollowRules, OnlyTheSameFileWithTheShownBytesStillThereHasGrown) {
    const FileStamp shown = {7, 42, 1000, 5};
    struct Case {
        const char* what;
        FileStamp now;
        bool shownBytesSame;
        FileChange change;
    };
    const Case cases[] = {
        {"as it was", {7, 42, 1000, 5}, true, FileChange::unchanged},
        {"only touched", {7, 42, 1000, 6}, true, FileChange::unchanged},
        {"grown", {7, 42, 1500, 6}, true, FileChange::grown},
        {"grown over other bytes", {7, 42, 1500, 6}, false, FileChange::changed},
        {"rewritten at the same size", {7, 42, 1000, 6}, false, FileChange::changed},
        {"shrunk", {7, 42, 999, 6}, true, FileChange::changed},
        {"another file under the name", {7, 43, 1500, 6}, true, FileChange::changed},
        {"on another volume", {8, 42, 1500, 6}, true, FileChange::changed},
    };
    for (const Case& each : cases) EXPECT_EQ(fileChange(shown, each.now, each.shownBytesSame), each.change) << each.what;
}

}  // namespace

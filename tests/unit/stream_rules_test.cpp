#include "view/rtf_nesting_guard.h"
#include "view/stream_chunks.h"
#include "view/text_control_style.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

std::size_t whole(const std::string& bytes) {
    return wholeUtf8Prefix(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

TEST(StreamChunks, AChunkNeverEndsInsideAUtf8Sequence) {
    EXPECT_EQ(whole("abc"), 3u);
    EXPECT_EQ(whole("ab\xC3\xA9"), 4u) << "a complete two-byte letter";
    EXPECT_EQ(whole("ab\xC3"), 2u);
    EXPECT_EQ(whole("ab\xE2\x82"), 2u) << "two of three bytes of the euro sign";
    EXPECT_EQ(whole("ab\xE2\x82\xAC"), 5u);
    EXPECT_EQ(whole("a\xF0\x9F\x98"), 1u);
    EXPECT_EQ(whole("a\xF0\x9F\x98\x80"), 5u);
    EXPECT_EQ(whole("a\x80\x80\x80\x80"), 5u) << "stray continuation bytes go to the decoder";
    EXPECT_EQ(whole("a\xFF"), 2u) << "a byte that starts nothing goes to the decoder";
    EXPECT_EQ(whole(""), 0u);
}

TEST(StreamChunks, ACrGoesToTheNextChunkUnlessItEndsTheFile) {
    EXPECT_TRUE(holdsBackFinalCr(0x0D, 4096, true));
    EXPECT_FALSE(holdsBackFinalCr(0x0D, 100, false)) << "the file's last chunk";
    EXPECT_FALSE(holdsBackFinalCr(0x0D, 1, true)) << "a CR alone must move on";
    EXPECT_FALSE(holdsBackFinalCr(0x0A, 4096, true));
    EXPECT_FALSE(holdsBackFinalCr(0x0D0D, 2048, true));
}

}  // namespace

namespace {

// How many bytes of `rtf` the guard admits when it arrives in chunks of `chunk` bytes.
std::size_t admitted(const std::string& rtf, std::size_t chunk = 4096) {
    RtfNestingGuard guard;
    std::size_t total = 0;
    for (std::size_t at = 0; at < rtf.size(); at += chunk) {
        const std::size_t length = std::min(chunk, rtf.size() - at);
        const std::size_t taken =
            guard.admit(reinterpret_cast<const unsigned char*>(rtf.data()) + at, length);
        total += taken;
        if (taken < length) {
            EXPECT_TRUE(guard.exceeded());
            EXPECT_EQ(guard.admit(reinterpret_cast<const unsigned char*>(rtf.data()), 1), 0u);
            break;
        }
    }
    return total;
}

std::string nested(int depth) {
    return "{\\rtf1 " + std::string(depth - 1, '{') + "x" + std::string(depth - 1, '}') + "}";
}

TEST(RtfNestingGuard, AdmitsGroupsUpTo32DeepAndStopsAtThe33rd) {
    EXPECT_EQ(admitted(nested(32)), nested(32).size());
    EXPECT_EQ(admitted(nested(33)), std::string("{\\rtf1 ").size() + 31);
    EXPECT_EQ(admitted(nested(33), 1), std::string("{\\rtf1 ").size() + 31) << "across chunks";
    const std::string siblings = "{\\rtf1 " + std::string(200, ' ') + [] {
        std::string groups;
        for (int i = 0; i < 500; ++i) groups += "{\\b x}";
        return groups;
    }() + "}";
    EXPECT_EQ(admitted(siblings), siblings.size()) << "many groups side by side are fine";
}

TEST(RtfNestingGuard, EscapedBracesAndBinaryDataOpenNoGroups) {
    const std::string deep = std::string(40, '{');
    for (const std::string& rtf : {
             "{\\rtf1 " + std::string(40, '\\') + "}",
             "{\\rtf1 \\{\\{\\{" + std::string(60, ' ') + "}",
             "{\\rtf1 {\\bin40 " + deep + "}}",
             "{\\rtf1 {\\bin40" + deep + "}}",
             std::string("{\\rtf1 \\'7b\\'7b}"),
         }) {
        EXPECT_EQ(admitted(rtf), rtf.size()) << rtf;
    }
    std::string escapes = "{\\rtf1 ";
    for (int i = 0; i < 40; ++i) escapes += "\\{";
    EXPECT_EQ(admitted(escapes + "}"), escapes.size() + 1);
    // A negative or missing count is no binary data; nor is a longer word that starts with "bin".
    for (const char* word : {"\\bin-5 ", "\\bin ", "\\binx5 ", "\\b40 "}) {
        const std::string rtf = "{\\rtf1 " + std::string(word) + deep + "}";
        EXPECT_LT(admitted(rtf), rtf.size()) << word;
    }
    const std::string huge = "{\\rtf1 \\bin999999999999999999999 " + deep;
    EXPECT_EQ(admitted(huge), huge.size()) << "a huge count swallows the rest";
}

}  // namespace

#include "view/stream_chunks.h"
#include "view/text_control_style.h"

#include <gtest/gtest.h>

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

#include "app/menu_rules.h"
#include "res/resource_ids.h"
#include "view/stream_format.h"

#include <gtest/gtest.h>

namespace {

TEST(MenuRules, ContextMenuOpensTowardsTheMiddleOfA1920x1080Screen) {
    const PopupPlacement middle = contextMenuPlacement(960, 540, 1920, 1080);
    EXPECT_EQ(middle.x, 960);
    EXPECT_EQ(middle.y, 540);
    EXPECT_EQ(middle.flags, 0u);
    const PopupPlacement beyond = contextMenuPlacement(961, 541, 1920, 1080);
    EXPECT_EQ(beyond.x, 962);
    EXPECT_EQ(beyond.y, 542);
    EXPECT_EQ(beyond.flags, 0x0008u | 0x0020u);
    const PopupPlacement oddScreen = contextMenuPlacement(640, 0, 1281, 1024);
    EXPECT_EQ(oddScreen.flags, 0u) << "half of 1281 rounds down to 640";
}

TEST(MenuRules, WrapItemNamesTheModeItSwitchesTo) {
    EXPECT_STREQ(wrapItemText(false), L"&Wrap");
    EXPECT_STREQ(wrapItemText(true), L"No &wrap");
}

TEST(MenuRules, PasteAsksTheClipboardOnlyWhileEditable) {
    int asked = 0;
    auto clipboard = [&](bool hasText) {
        return [&asked, hasText] {
            ++asked;
            return hasText;
        };
    };
    EXPECT_TRUE(pasteIsGrayed(true, clipboard(true)));
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(pasteIsGrayed(false, clipboard(true)));
    EXPECT_TRUE(pasteIsGrayed(false, clipboard(false)));
    EXPECT_EQ(asked, 2);
}

TEST(MenuRules, FormatsMapToMenuItemsAndSaveTypes) {
    EXPECT_EQ(formatMenuItem(StreamFormat::plainText), IDM_FORMAT_PLAIN);
    EXPECT_EQ(formatMenuItem(StreamFormat::richText), IDM_FORMAT_RTF);
    EXPECT_EQ(formatMenuItem(StreamFormat::unicodeText), IDM_FORMAT_UNICODE);
    EXPECT_EQ(formatMenuItem(StreamFormat::utf8Text), IDM_FORMAT_UTF8);
    EXPECT_EQ(formatMenuItem(static_cast<StreamFormat>(0xFDE90021u)), IDM_FORMAT_PLAIN)
        << "only the sign-widened UTF-8 value counts";
    EXPECT_EQ(static_cast<std::int64_t>(StreamFormat::utf8Text), -35061727);
    EXPECT_EQ(formatForSaveType(1), StreamFormat::plainText);
    EXPECT_EQ(formatForSaveType(2), StreamFormat::richText);
    EXPECT_EQ(formatForSaveType(3), StreamFormat::unicodeText);
    EXPECT_EQ(formatForSaveType(4), StreamFormat::utf8Text);
    EXPECT_EQ(formatForSaveType(0), StreamFormat::plainText);
    EXPECT_EQ(formatForSaveType(5), StreamFormat::plainText);
}

}  // namespace

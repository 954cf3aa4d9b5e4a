#include "settings/font_rules.h"
#include "settings/string_ring.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

TEST(SettingsRules, TheResultRingGoesRoundFourSlotsFromMinusOne) {
    int index = -1;
    int seen[6];
    for (int& slot : seen) slot = index = nextRingSlot(index);
    EXPECT_EQ(seen[0], 0);
    EXPECT_EQ(seen[3], 3);
    EXPECT_EQ(seen[4], 0) << "the fifth call reuses the first slot";
    EXPECT_EQ(seen[5], 1);
}

TEST(SettingsRules, KeyPathsUpTo255CharactersAreAccepted) {
    EXPECT_TRUE(isAcceptedKeyPath(L""));
    EXPECT_TRUE(isAcceptedKeyPath(std::wstring(255, L'k').c_str()));
    EXPECT_FALSE(isAcceptedKeyPath(std::wstring(256, L'k').c_str()));
    EXPECT_FALSE(isAcceptedKeyPath(nullptr));
}

TEST(SettingsRules, ASlotAlwaysEndsInsideItself) {
    wchar_t slot[8];
    for (wchar_t& c : slot) c = L'x';
    terminateSlot(slot, 8, 3 * sizeof(wchar_t));
    EXPECT_EQ(std::wstring(slot), L"xxx") << "data without terminator";
    for (wchar_t& c : slot) c = L'x';
    terminateSlot(slot, 8, 8 * sizeof(wchar_t));
    EXPECT_EQ(std::wstring(slot), L"xxxxxxx") << "a full slot loses its last character";
    for (wchar_t& c : slot) c = L'x';
    terminateSlot(slot, 8, sizeof(wchar_t) + 1);
    EXPECT_EQ(std::wstring(slot).size(), 2u) << "an odd byte count keeps its partial character";
}

TEST(SettingsRules, FontFieldsAndFaces) {
    EXPECT_EQ(fontByte(257), 1);
    EXPECT_EQ(fontByte(-1), 255);
    wchar_t face[faceNameLength];
    copyFaceName(face, L"Lucida Console");
    EXPECT_EQ(std::wstring(face), L"Lucida Console");
    const std::wstring longFace(40, L'f');
    copyFaceName(face, longFace.c_str());
    EXPECT_EQ(std::wstring(face), std::wstring(31, L'f')) << "a longer face is cut to 31";
    copyFaceName(face, nullptr);
    EXPECT_EQ(std::wstring(face), L"");
    int stock = 0, other = 0;
    EXPECT_FALSE(deletesReplacedFont<int*>(nullptr, &stock));
    EXPECT_FALSE(deletesReplacedFont<int*>(&stock, &stock)) << "the stock font is never deleted";
    EXPECT_TRUE(deletesReplacedFont<int*>(&other, &stock));
}

TEST(SettingsRules, FontLengthsFollowTheDisplayScale) {
    struct Case {
        std::int32_t stored;
        int dpi;
        std::int32_t shown;
    };
    const Case cases[] = {
        {-11, 96, -11},   {-11, 120, -14},  {-11, 144, -17}, {-11, 168, -19}, {-11, 192, -22},
        {-13, 120, -16},  {7, 144, 11},     {0, 192, 0},     {-11, 0, -11},   {-11, -5, -11},
        {INT32_MIN, 192, INT32_MIN},        {INT32_MAX, 192, INT32_MAX}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.stored) + " at " + std::to_string(c.dpi));
        EXPECT_EQ(fontLengthAtDpi(c.stored, c.dpi), c.shown);
    }
    EXPECT_EQ(storedFontLength(-22, 192), -11);
    EXPECT_EQ(storedFontLength(-21, 192), -11) << "half away from zero";
    for (const int dpi : {96, 97, 120, 144, 168, 192, 240, 480}) {
        for (std::int32_t stored = -200; stored <= 200; ++stored) {
            ASSERT_EQ(storedFontLength(fontLengthAtDpi(stored, dpi), dpi), stored) << dpi;
        }
    }
}

TEST(SettingsRules, AFontChoiceStoresTheSameHeightAtEveryScale) {
    // The Font dialog gives -round(points * dpi / 72); a 96-DPI display stores that at 96.
    for (const int pointTenths : {80, 90, 100, 105, 110, 120, 160, 240, 720}) {
        const std::int32_t atStoredDpi = storedHeightOfChoice(-((pointTenths * 96 + 360) / 720), pointTenths, 96);
        EXPECT_EQ(atStoredDpi, -((pointTenths * 96 + 360) / 720)) << "unchanged at 96 DPI";
        for (const int dpi : {120, 144, 168, 192}) {
            const std::int32_t dialogHeight = -((pointTenths * dpi + 360) / 720);
            EXPECT_EQ(storedHeightOfChoice(dialogHeight, pointTenths, dpi), atStoredDpi)
                << pointTenths << " at " << dpi;
        }
    }
    EXPECT_EQ(storedHeightOfChoice(-43, 120, 192), -22) << "a height of another size is converted";
    EXPECT_EQ(storedHeightOfChoice(30, 160, 144), 20) << "a cell height is converted";
    EXPECT_EQ(storedHeightOfChoice(-32, 0, 144), -21) << "no size given";
}

}  // namespace

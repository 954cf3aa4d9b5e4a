#include "settings/font_rules.h"
#include "settings/string_ring.h"

#include <gtest/gtest.h>

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

}  // namespace

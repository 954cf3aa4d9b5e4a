// The settings store against the real registry of the test prefix.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "registry_values.h"
#include "settings/registry_store.h"

namespace {

const wchar_t scratchKey[] = L"Software\\Zyr\\LorvaneStoreTest";

class RegistryStoreTest : public testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, scratchKey); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, scratchKey); }

    RegistryStore store{scratchKey, 0};
};

// The length of a readString result, looking no further than its slot.
std::size_t slotTextLength(const wchar_t* text) { return wcsnlen(text, stringSlotLength); }

TEST_F(RegistryStoreTest, KeyPathsOfUpTo255CharactersAreTaken) {
    const std::wstring longest(255, L'k');
    const std::wstring tooLong(256, L'k');

    const RegistryStore accepted(longest.c_str(), 0);
    EXPECT_EQ(std::wstring(accepted.keyPath), longest);
    const RegistryStore refused(tooLong.c_str(), 7);
    EXPECT_STREQ(refused.keyPath, L"");
    EXPECT_EQ(refused.useLocalMachine, 7) << "the selector is taken even with a refused path";
    const RegistryStore none(nullptr, 1);
    EXPECT_STREQ(none.keyPath, L"");

    RegistryStore changed(L"First", 0);
    EXPECT_EQ(changed.setKey(tooLong.c_str(), 1), 0);
    EXPECT_EQ(changed.setKey(nullptr, 1), 0);
    EXPECT_STREQ(changed.keyPath, L"First");
    EXPECT_EQ(changed.useLocalMachine, 0) << "a refused setKey changes neither field";
    EXPECT_EQ(changed.setKey(longest.c_str(), 1), 1);
    EXPECT_EQ(std::wstring(changed.keyPath), longest);
    EXPECT_EQ(changed.useLocalMachine, 1);
}

TEST_F(RegistryStoreTest, GetKeyCopiesThePathOnlyWhenItFits) {
    const RegistryStore named(L"Software\\Abc", 3);  // 12 characters
    wchar_t buffer[16];
    std::int32_t selector = -1;

    wmemset(buffer, L'#', 16);
    EXPECT_EQ(named.getKey(buffer, 11, &selector), 0);
    EXPECT_EQ(buffer[0], L'#') << "nothing is written when the path is longer";
    EXPECT_EQ(selector, -1);

    EXPECT_EQ(named.getKey(buffer, 12, &selector), 1);
    EXPECT_STREQ(buffer, L"Software\\Abc");
    EXPECT_EQ(buffer[13], L'#') << "length + 1 characters are written";
    EXPECT_EQ(selector, 3);
    EXPECT_EQ(named.getKey(buffer, 12, nullptr), 1);
    EXPECT_EQ(RegistryStore().getKey(buffer, 0, nullptr), 1);
    EXPECT_STREQ(buffer, L"");
}

TEST_F(RegistryStoreTest, WritesStoreTheirTypesAndBytes) {
    EXPECT_EQ(store.writeInt(L"Negative", -8), 1);
    EXPECT_EQ(store.writeString(L"Empty", L""), 1);
    EXPECT_EQ(store.writeString(L"Face", L"Lucida Console"), 1);
    EXPECT_EQ(store.writeInt(nullptr, 1), 0);
    EXPECT_EQ(store.writeString(nullptr, L"x"), 0);
    EXPECT_EQ(store.writeString(L"NullText", nullptr), 0);

    struct Expected {
        const wchar_t* name;
        DWORD type;
        std::vector<BYTE> bytes;
    };
    const Expected written[] = {
        {L"Negative", REG_DWORD, {0xF8, 0xFF, 0xFF, 0xFF}},
        {L"Empty", REG_SZ, {0, 0}},
    };
    for (const Expected& value : written) {
        const RawValue raw = readRaw(value.name, scratchKey);
        ASSERT_TRUE(raw.found) << value.name;
        EXPECT_EQ(raw.type, value.type) << value.name;
        EXPECT_EQ(raw.bytes, value.bytes) << value.name;
    }
    EXPECT_EQ(readRaw(L"Face", scratchKey).bytes.size(), 30u) << "14 characters and terminator";
    EXPECT_FALSE(readRaw(L"NullText", scratchKey).found);

    EXPECT_EQ(store.readInt(L"Negative", 0), -8);
    EXPECT_STREQ(store.readString(L"Empty", L"default", 512), L"");
    EXPECT_EQ(valueNames(scratchKey).size(), 3u);
}

TEST_F(RegistryStoreTest, ReadIntTakesOnlyDwordValues) {
    const std::int32_t seven = 7;
    const long long wide = 7;
    const BYTE bigEndianSeven[] = {0, 0, 0, 7};
    writeRaw(L"Dword", REG_DWORD, &seven, 4, scratchKey);
    writeRaw(L"Binary", REG_BINARY, &seven, 4, scratchKey);
    writeRaw(L"Qword", REG_QWORD, &wide, 8, scratchKey);
    writeRaw(L"BigEndian", REG_DWORD_BIG_ENDIAN, bigEndianSeven, 4, scratchKey);
    writeText(L"Text", L"7", scratchKey);

    struct Case {
        const wchar_t* name;
        std::int32_t expected;
    };
    const Case cases[] = {{L"Dword", 7},     {L"Binary", -99}, {L"Qword", -99},
                          {L"BigEndian", -99}, {L"Text", -99},   {L"Missing", -99},
                          {nullptr, -99}};
    for (const Case& read : cases) {
        EXPECT_EQ(store.readInt(read.name, -99), read.expected)
            << (read.name ? read.name : L"(null)");
    }
}

TEST_F(RegistryStoreTest, ReadStringGivesTheValueOnlyWhenItFitsTheSize) {
    struct Case {
        std::wstring stored;
        DWORD size;
        bool comesBack;
    };
    const Case cases[] = {
        {std::wstring(14, L'a'), 31, true},    // 30 bytes
        {std::wstring(15, L'a'), 31, false},   // 32 bytes
        {std::wstring(15, L'a'), 32, true},
        {std::wstring(255, L'b'), 512, true},  // the whole slot
        {std::wstring(256, L'b'), 512, false},
        // A size beyond the slot must not let the query write past it.
        {std::wstring(300, L'c'), 4096, false},
        {L"", 2, true},
    };
    for (const Case& read : cases) {
        writeText(L"Value", read.stored, scratchKey);
        const wchar_t* text = store.readString(L"Value", L"fallback", read.size);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::wstring(text), read.comesBack ? read.stored : L"fallback")
            << read.stored.size() << " characters, size " << read.size;
    }
}

TEST_F(RegistryStoreTest, ReadStringDefaultsAreCutToTheirLimit) {
    const std::wstring longDefault(400, L'd');
    EXPECT_EQ(std::wstring(store.readString(L"Missing", longDefault.c_str(), 512)),
              std::wstring(254, L'd'));
    EXPECT_STREQ(store.readString(L"Missing", nullptr, 512), L"");
    EXPECT_STREQ(store.readString(L"Missing", L"MS Sans Serif", 31), L"MS Sans Serif");
}

TEST_F(RegistryStoreTest, RawDataComesBackTerminatedInsideItsSlot) {
    // Fill every slot of the ring with a long text first, so that a result that is not
    // terminated by the store would run on into the old text.
    writeText(L"Long", std::wstring(255, L'x'), scratchKey);
    for (int slot = 0; slot < 4; ++slot) store.readString(L"Long", L"", 512);

    const std::vector<wchar_t> full(256, L'y');
    const BYTE binaryHi[] = {'h', 0, 'i', 0};
    const BYTE oddHi[] = {'h', 0, 'i', 0, '!'};
    const DWORD eight = 8;
    struct Case {
        const wchar_t* label;
        DWORD type;
        const void* data;
        DWORD bytes;
        std::wstring expected;  // the text up to the terminator, or its first characters
        std::size_t maxLength;
    };
    const Case cases[] = {
        {L"REG_SZ without terminator", REG_SZ, L"abc", 6, L"abc", 3},
        {L"REG_SZ of 512 bytes", REG_SZ, full.data(), 512, std::wstring(255, L'y'), 255},
        {L"REG_BINARY", REG_BINARY, binaryHi, 4, L"hi", 2},
        {L"REG_BINARY of an odd size", REG_BINARY, oddHi, 5, L"hi", 3},
        {L"REG_DWORD", REG_DWORD, &eight, 4, L"\x08", 2},
    };
    for (const Case& raw : cases) {
        writeRaw(L"Raw", raw.type, raw.data, raw.bytes, scratchKey);
        const wchar_t* text = store.readString(L"Raw", L"fallback", 512);
        const std::size_t length = slotTextLength(text);
        ASSERT_LT(length, static_cast<std::size_t>(stringSlotLength)) << raw.label;
        EXPECT_LE(length, raw.maxLength) << raw.label;
        EXPECT_EQ(std::wstring(text, length).substr(0, raw.expected.size()), raw.expected)
            << raw.label;
    }
}

TEST_F(RegistryStoreTest, ResultsShareARingOfFourSlots) {
    store.writeString(L"One", L"one");
    store.writeString(L"Five", L"five");
    const wchar_t* first = store.readString(L"One", L"", 512);
    EXPECT_EQ(store.readString(nullptr, L"default", 512), nullptr);
    const wchar_t* third = RegistryStore(L"Software\\Zyr\\Other", 0).readString(L"x", L"3", 512);
    const wchar_t* fourth = store.readString(L"Missing", L"4", 512);
    EXPECT_STREQ(first, L"one") << "still there after three further calls";
    const wchar_t* fifth = store.readString(L"Five", L"", 512);

    EXPECT_EQ(fifth, first) << "the null name took a slot, so the fifth call reuses the first";
    EXPECT_STREQ(first, L"five") << "the first result is overwritten";
    EXPECT_NE(third, first);
    EXPECT_NE(fourth, first);
    EXPECT_NE(third, fourth);
    EXPECT_STREQ(fourth, L"4");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Zyr\\Other");
}

TEST_F(RegistryStoreTest, ReadingAMissingKeyCreatesItEmpty) {
    ASSERT_FALSE(keyExists(scratchKey));
    EXPECT_EQ(store.readInt(L"Left", CW_USEDEFAULT), static_cast<std::int32_t>(CW_USEDEFAULT));
    EXPECT_TRUE(keyExists(scratchKey));
    EXPECT_TRUE(valueNames(scratchKey).empty());

    RegDeleteTreeW(HKEY_CURRENT_USER, scratchKey);
    EXPECT_STREQ(store.readString(L"lfFaceName", L"MS Sans Serif", 31), L"MS Sans Serif");
    EXPECT_TRUE(keyExists(scratchKey));
    EXPECT_TRUE(valueNames(scratchKey).empty());
}

TEST_F(RegistryStoreTest, AnEmptyPathWorksDirectlyUnderTheRoot) {
    const wchar_t name[] = L"LorvaneStoreTestValue";
    RegistryStore root(L"", 0);
    EXPECT_EQ(root.writeInt(name, 3), 1);
    EXPECT_EQ(readRaw(name, L"").asInt(), 3);
    EXPECT_EQ(root.readInt(name, 0), 3);
    EXPECT_EQ(root.writeString(name, L"text"), 1);
    EXPECT_STREQ(root.readString(name, L"", 512), L"text");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, nullptr, name);
}

TEST_F(RegistryStoreTest, ANonZeroSelectorUsesTheLocalMachine) {
    for (const std::int32_t selector : {1, -1}) {
        RegistryStore machine(scratchKey, selector);
        EXPECT_EQ(machine.writeInt(L"Machine", 9), 1);
        EXPECT_EQ(readRaw(L"Machine", scratchKey, HKEY_LOCAL_MACHINE).asInt(), 9) << selector;
        EXPECT_FALSE(readRaw(L"Machine", scratchKey).found) << selector;
        EXPECT_EQ(machine.readInt(L"Machine", 0), 9);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, scratchKey);
    }
}

TEST_F(RegistryStoreTest, AKeyThatCannotBeOpenedGivesDefaultsAndFailedWrites) {
    // The registry refuses a sub-key that starts with a backslash.
    RegistryStore broken(L"\\Software\\Zyr\\LorvaneStoreTest", 0);
    EXPECT_EQ(broken.writeInt(L"Value", 1), 0);
    EXPECT_EQ(broken.writeString(L"Value", L"x"), 0);
    EXPECT_EQ(broken.readInt(L"Value", 42), 42);
    EXPECT_STREQ(broken.readString(L"Value", L"fallback", 512), L"fallback");
}

// A key that a value access leaves open would hold on to its handle, so the next handle the
// process opens would get a different value. The registry reuses the lowest free handle.
TEST_F(RegistryStoreTest, EveryAccessClosesItsKey) {
    const auto probeHandle = [] {
        HKEY key = nullptr;
        RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key);
        RegCloseKey(key);
        return key;
    };
    store.writeInt(L"Warm", 1);  // the root key's own handle is opened once and kept
    const HKEY before = probeHandle();
    for (int round = 0; round < 3; ++round) {
        store.writeInt(L"Int", round);
        store.writeString(L"Text", L"t");
        store.readInt(L"Int", 0);
        store.readInt(L"Missing", 0);
        store.readInt(L"Text", 0);
        store.readString(L"Text", L"", 512);
        store.readString(L"Missing", L"", 512);
        store.readString(L"Text", L"", 1);
    }
    EXPECT_EQ(probeHandle(), before);
}

}  // namespace

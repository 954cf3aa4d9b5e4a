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

TEST_F(RegistryStoreTest, TakesKeyPathsOfUpTo255CharactersAndGivesThemBackWhenTheyFit) {
    const std::wstring longest(255, L'k'), tooLong(256, L'k');
    EXPECT_EQ(std::wstring(RegistryStore(longest.c_str(), 0).keyPath), longest);
    const RegistryStore refused(tooLong.c_str(), 7);
    EXPECT_STREQ(refused.keyPath, L"");
    EXPECT_EQ(refused.useLocalMachine, 7) << "the selector is taken even with a refused path";
    RegistryStore named(L"Software\\Abc", 3);  // 12 characters
    EXPECT_EQ(named.setKey(tooLong.c_str(), 1), 0);
    EXPECT_EQ(named.setKey(nullptr, 1), 0);
    EXPECT_EQ(named.useLocalMachine, 3) << "a refused setKey changes nothing";

    wchar_t buffer[16];
    wmemset(buffer, L'#', 16);
    std::int32_t selector = -1;
    EXPECT_EQ(named.getKey(buffer, 11, &selector), 0);
    EXPECT_EQ(buffer[0], L'#') << "nothing is written when the path is longer";
    EXPECT_EQ(selector, -1);
    EXPECT_EQ(named.getKey(buffer, 12, &selector), 1);
    EXPECT_STREQ(buffer, L"Software\\Abc");
    EXPECT_EQ(buffer[13], L'#') << "length + 1 characters are written";
    EXPECT_EQ(selector, 3);
}

TEST_F(RegistryStoreTest, WritesKeepTheirTypesAndReadIntTakesOnlyDwords) {
    EXPECT_EQ(store.writeInt(L"Negative", -8), 1);
    EXPECT_EQ(store.writeString(L"Empty", L""), 1);
    EXPECT_EQ(store.writeString(L"Null", nullptr), 0);
    const RawValue negative = readRaw(L"Negative", scratchKey);
    EXPECT_EQ(negative.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(negative.bytes, (std::vector<BYTE>{0xF8, 0xFF, 0xFF, 0xFF}));
    const RawValue empty = readRaw(L"Empty", scratchKey);
    EXPECT_EQ(empty.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(empty.bytes.size(), 2u);
    EXPECT_FALSE(readRaw(L"Null", scratchKey).found);

    const std::int32_t seven = 7;
    const long long wideSeven = 7;
    writeRaw(L"Binary", REG_BINARY, &seven, 4, scratchKey);
    writeRaw(L"Qword", REG_QWORD, &wideSeven, 8, scratchKey);
    struct Case {
        const wchar_t* name;
        std::int32_t expected;
    };
    for (const Case& read : {Case{L"Negative", -8}, Case{L"Binary", 99}, Case{L"Qword", 99},
                             Case{L"Empty", 99}, Case{L"Missing", 99}, Case{nullptr, 99}}) {
        EXPECT_EQ(store.readInt(read.name, 99), read.expected) << (read.name ? read.name : L"null");
    }
}

TEST_F(RegistryStoreTest, ReadStringGivesAStringOnlyWhenItFitsTheSizeInBytes) {
    struct Case {
        std::size_t characters;
        DWORD size;
        bool comesBack;
    };
    const Case cases[] = {
        {14, 31, true}, {15, 31, false}, {255, 512, true}, {256, 512, false},
        {300, 4096, false},  // a size beyond the slot must not let the query write past it
    };
    for (const Case& read : cases) {
        const std::wstring stored(read.characters, L'a');
        writeText(L"Value", stored, scratchKey);
        EXPECT_EQ(std::wstring(store.readString(L"Value", L"fallback", read.size)),
                  read.comesBack ? stored : L"fallback")
            << read.characters << " characters, size " << read.size;
    }
    const std::wstring longDefault(400, L'd');
    EXPECT_EQ(std::wstring(store.readString(L"Missing", longDefault.c_str(), 512)),
              std::wstring(254, L'd'));
    EXPECT_STREQ(store.readString(L"Missing", nullptr, 512), L"");
}

TEST_F(RegistryStoreTest, RawTextComesBackTerminatedInsideItsSlotAndOtherTypesAsAbsent) {
    // Every slot first holds a long text, which a result without its own terminator would
    // run on into.
    writeText(L"Long", std::wstring(255, L'x'), scratchKey);
    for (int slot = 0; slot < 4; ++slot) store.readString(L"Long", L"", 512);

    // One unit more than is stored: the system adds a terminator to a text whose count leaves out
    // a zero that follows it, so what follows the stored bytes must not be zero.
    const std::vector<wchar_t> full(257, L'y');
    const BYTE odd[] = {'h', 0, 'i', 0, '!'};
    const DWORD number = 'A';
    struct Case {
        DWORD type;
        const void* data;
        DWORD bytes;
        std::wstring expected;  // the text, or its first characters
        std::size_t maxLength;
    };
    const Case cases[] = {
        {REG_SZ, L"abc", 6, L"abc", 3},  // no terminator stored
        {REG_SZ, full.data(), 512, std::wstring(255, L'y'), 255},
        {REG_SZ, odd, 4, L"hi", 2},
        {REG_SZ, odd, 5, L"hi", 3},
        {REG_DWORD, &number, 4, L"fallback", 8},
        {REG_BINARY, L"abc", 8, L"fallback", 8},
        {REG_EXPAND_SZ, L"abc", 8, L"fallback", 8},
    };
    for (const Case& raw : cases) {
        writeRaw(L"Raw", raw.type, raw.data, raw.bytes, scratchKey);
        const wchar_t* text = store.readString(L"Raw", L"fallback", 512);
        const std::size_t length = wcsnlen(text, stringSlotLength);
        EXPECT_LE(length, raw.maxLength) << raw.type << ", " << raw.bytes << " bytes";
        EXPECT_EQ(std::wstring(text, length).substr(0, raw.expected.size()), raw.expected);
    }
}

TEST_F(RegistryStoreTest, ResultsShareARingOfFourSlots) {
    store.writeString(L"One", L"one");
    store.writeString(L"Five", L"five");
    const wchar_t* first = store.readString(L"One", L"", 512);
    EXPECT_EQ(store.readString(nullptr, L"default", 512), nullptr);
    const wchar_t* third = RegistryStore().readString(L"LorvaneNoSuchValue", L"3", 512);
    const wchar_t* fourth = store.readString(L"Missing", L"4", 512);
    EXPECT_STREQ(first, L"one");
    const wchar_t* fifth = store.readString(L"Five", L"", 512);
    EXPECT_EQ(fifth, first) << "the null name took a slot, so the fifth call reuses the first";
    EXPECT_STREQ(first, L"five");
    EXPECT_TRUE(third != first && fourth != first && third != fourth);
}

TEST_F(RegistryStoreTest, ValuesGoUnderTheChosenRootAndPath) {
    // A read creates a missing key, empty.
    EXPECT_EQ(store.readInt(L"Left", CW_USEDEFAULT), static_cast<std::int32_t>(CW_USEDEFAULT));
    EXPECT_TRUE(keyExists(scratchKey));
    EXPECT_TRUE(valueNames(scratchKey).empty());

    const wchar_t name[] = L"LorvaneStoreTestValue";
    RegistryStore root(L"", 0);
    EXPECT_EQ(root.writeInt(name, 3), 1);
    EXPECT_EQ(readRaw(name, L"").asInt(), 3) << "an empty path is the root key itself";
    EXPECT_EQ(root.readInt(name, 0), 3);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, nullptr, name);

    RegistryStore machine(scratchKey, -1);
    EXPECT_EQ(machine.writeInt(name, 9), 1);
    EXPECT_EQ(readRaw(name, scratchKey, HKEY_LOCAL_MACHINE).asInt(), 9);
    EXPECT_FALSE(readRaw(name, scratchKey).found);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, scratchKey);
}

// A key left open would keep its handle, and the next key opened would get another one: the
// registry hands out the lowest free handle.
TEST_F(RegistryStoreTest, EveryAccessClosesItsKey) {
    const auto probeHandle = [] {
        HKEY key = nullptr;
        RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key);
        RegCloseKey(key);
        return key;
    };
    store.writeInt(L"Warm", 1);  // the root's own handle is opened once and kept
    const HKEY before = probeHandle();
    store.writeInt(L"Int", 1);
    store.writeString(L"Text", L"t");
    store.readInt(L"Int", 0);
    store.readInt(L"Text", 0);
    store.readString(L"Text", L"", 512);
    store.readString(L"Text", L"", 1);
    store.readString(L"Missing", L"", 512);
    EXPECT_EQ(probeHandle(), before);
}

}  // namespace

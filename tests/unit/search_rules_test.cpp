#include "search/find_loop_keys.h"
#include "search/find_start.h"
#include "search/url_rules.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace {

TEST(FindStart, StartsOnePastTheSelectionDownAndOneBeforeItUp) {
    EXPECT_EQ(findStart(7, true), 8);
    EXPECT_EQ(findStart(7, false), 6);
    EXPECT_EQ(findStart(0, false), 0);
    EXPECT_EQ(findStart(0, true), 1);
    EXPECT_EQ(findStart(1, false), 0);
}

TEST(FindLoopKeys, OnlyTheControlsDebuggingKeysAreKeptFromIt) {
    const struct {
        unsigned key;
        bool control;
        bool alt;
        bool kept;
    } cases[] = {
        {'W', true, false, true},  {'Q', true, false, true},   {'W', false, false, false},
        {'Q', true, true, false},  {'W', true, true, false},   {'C', true, false, false},
        {'F', true, false, false}, {'A', true, false, false},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(isDebuggingKey(row.key, row.control, row.alt), row.kept)
            << static_cast<char>(row.key) << (row.control ? " ctrl" : "") << (row.alt ? " alt" : "");
    }
}

TEST(ComparePrefix, MatchesTheSchemeExactlyAtTheStart) {
    EXPECT_EQ(comparePrefix(L"http://", L"http://example.org"), 0);
    EXPECT_EQ(comparePrefix(L"http://", L"http://"), 0);
    EXPECT_EQ(comparePrefix(L"", L"anything"), 0);
    EXPECT_NE(comparePrefix(L"http://", L"HTTP://example.org"), 0);
    EXPECT_NE(comparePrefix(L"http://", L" http://example.org"), 0);
    EXPECT_EQ(comparePrefix(L"http://", L"http:"), 1) << "a text ending inside the prefix";
    EXPECT_EQ(comparePrefix(L"http://", L"https://x"), -1);
    EXPECT_EQ(comparePrefix(L"b", L"\xE9"), -1) << "compared as unsigned units";
}

std::wstring escape(const std::wstring& text, std::size_t capacity = 256) {
    std::wstring buffer(capacity + 4, L'#');
    if (!escapeQueryValue(text.c_str(), buffer.data(), capacity)) {
        EXPECT_EQ(buffer[0], L'\0');
        return L"<too large>";
    }
    for (std::size_t i = capacity; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], L'#');
    return buffer.c_str();
}

TEST(EscapeQueryValue, TheEngineReceivesExactlyTheSelectedText) {
    EXPECT_EQ(escape(L"C# & C++ = ?"), L"C%23%20%26%20C%2B%2B%20%3D%20%3F");
    EXPECT_EQ(escape(L"100%"), L"100%25");
    EXPECT_EQ(escape(L"a+b"), L"a%2Bb");
    EXPECT_EQ(escape(L"two  words"), L"two%20%20words");
    EXPECT_EQ(escape(L"line\r\nnext\ttab\x01"), L"line%0D%0Anext%09tab%01");
    EXPECT_EQ(escape(L"Az09-._~"), L"Az09-._~");
    EXPECT_EQ(escape(L"caf\xE9 na\xEFve \x4E2D"), L"caf\xE9%20na\xEFve%20\x4E2D")
        << "letters above 0x7F go on as they are, for the browser to send as UTF-8";
}

TEST(EscapeQueryValue, RefusesWhatWouldNotFit255Characters) {
    EXPECT_EQ(escape(std::wstring(255, L'a')), std::wstring(255, L'a'));
    EXPECT_EQ(escape(std::wstring(256, L'a')), L"<too large>");
    EXPECT_EQ(escape(std::wstring(85, L' ')).size(), 255u);
    EXPECT_EQ(escape(std::wstring(86, L' ')), L"<too large>");
    EXPECT_EQ(escape(std::wstring(128, L'\xE9')), std::wstring(128, L'\xE9'))
        << "128 accented letters still fit";
    wchar_t none[1] = {L'#'};
    EXPECT_FALSE(escapeQueryValue(L"", none, 0));
    EXPECT_EQ(none[0], L'#');
}

TEST(EscapeAddress, TrimsTheSelectionAndEncodesWhatWouldSplitTheCommandLine) {
    const struct {
        const wchar_t* selection;
        const wchar_t* address;
    } cases[] = {
        {L"https://a.test/x\" --evil-flag \"y", L"https://a.test/x%22%20--evil-flag%20%22y"},
        {L" \t\r\nhttp://a.test/ \v\f", L"http://a.test/"},
        {L"http://a b\rc\nd\te", L"http://a%20b%0Dc%0Ad%09e"},
        {L"http://x/<>\\^`{|}\x01\x1F\x7F", L"http://x/%3C%3E%5C%5E%60%7B%7C%7D%01%1F%7F"},
        {L"http://x/?q=a%20b&r=#f~!$'()*+,;=:@[]", L"http://x/?q=a%20b&r=#f~!$'()*+,;=:@[]"},
        {L"http://caf\xE9/\x4E2D\xA0", L"http://caf\xE9/\x4E2D\xA0"},
        {L"   ", L""},
    };
    for (const auto& row : cases) {
        wchar_t address[64];
        ASSERT_TRUE(escapeAddress(row.selection, address, std::size(address)));
        EXPECT_STREQ(address, row.address);
    }
    std::wstring exact(10, L'#');
    EXPECT_TRUE(escapeAddress(L" a\"b ", exact.data(), 6));
    EXPECT_STREQ(exact.c_str(), L"a%22b");
    EXPECT_EQ(exact[6], L'#');
    EXPECT_FALSE(escapeAddress(L"a\"b", exact.data(), 5));
    EXPECT_EQ(exact[0], L'\0');
}

}  // namespace

#include "search/find_start.h"
#include "search/url_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FindStart, StartsOnePastTheSelectionDownAndOneBeforeItUp) {
    EXPECT_EQ(findStart(7, true), 8);
    EXPECT_EQ(findStart(7, false), 6);
    EXPECT_EQ(findStart(0, false), 0);
    EXPECT_EQ(findStart(0, true), 1);
    EXPECT_EQ(findStart(1, false), 0);
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

}  // namespace

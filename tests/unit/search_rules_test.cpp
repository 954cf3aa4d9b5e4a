#include "search/find_loop_keys.h"
#include "search/find_start.h"
#include "search/text_finder.h"
#include "search/url_rules.h"
#include "joined_fold.h"

#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <vector>
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

// Every candidate in order, down from 0 and up from the end, as the plain search finds them.
std::vector<std::size_t> candidatesDown(const FindPattern& pattern, std::u16string_view text) {
    std::vector<std::size_t> found;
    for (auto at = pattern.next(text, 0, text.size()); at; at = pattern.next(text, *at + 1, text.size())) {
        found.push_back(*at);
    }
    return found;
}

TEST(FindPattern, FindsEveryOccurrenceWithOrWithoutCase) {
    const CaseFold ascii, joined = joinedFold();
    // Long enough for positions to be looked at many at once, with some left over at both ends.
    const std::u16string padding(21, u'.');
    const struct {
        const char* what;
        std::u16string text;
        std::u16string needle;
        bool matchCase;
        std::vector<std::size_t> found;
        bool joinedCase = false;
    } cases[] = {
        {"overlapping", u"aaaa", u"aa", true, {0, 1, 2}},
        {"case ignored", u"Ab aB ab", u"ab", false, {0, 3, 6}},
        {"case kept", u"Ab aB ab", u"ab", true, {6}},
        {"only ASCII letters fold by default", u"\u00e9\u00c9", u"\u00e9", false, {0}},
        {"a unit sharing the low byte of a needle unit", u"\u0161a\u0161aa", u"aa", true, {3}},
        {"at both ends", u"xyx", u"x", true, {0, 2}},
        {"longer than the text", u"ab", u"abc", true, {}},
        {"empty needle finds nothing", u"ab", u"", true, {}},
        {"in a long text", u"ab" + padding + u"aab" + padding + u"ab", u"ab", true, {0, 24, 47}},
        {"one unit in a long text", padding + u"x" + padding + u"x", u"x", true, {21, 43}},
        {"a unit joined to two others by case", padding + u"\u212a. k. K. x." + padding, u"k.", false,
         {21, 24, 27}, true},
        {"a unit joined to three others by case", u"\u0130" + padding + u"\u0131ii" + padding + u"I", u"i",
         false, {0, 22, 23, 24, 46}, true},
        {"units joined by case far apart in their bits", padding + u"\u2126\u03c9\u03a9" + padding,
         u"\u03a9\u03c9", false, {21, 22}, true},
        {"joined units kept apart with case", padding + u"\u212a. k. K." + padding, u"k.", true, {24}, true},
    };
    for (const auto& row : cases) {
        const FindPattern pattern(row.needle, row.matchCase, row.joinedCase ? joined : ascii);
        EXPECT_EQ(candidatesDown(pattern, row.text), row.found) << row.what;
        std::vector<std::size_t> up;
        for (auto at = pattern.previous(row.text, row.text.size()); at;
             at = *at + row.needle.size() == 0 ? std::nullopt : pattern.previous(row.text, *at + row.needle.size() - 1)) {
            up.insert(up.begin(), *at);
        }
        EXPECT_EQ(up, row.found) << row.what << " (upwards)";
    }
    const FindPattern ab(u"ab", true, ascii);
    EXPECT_EQ(ab.next(u"abab", 1, 4), std::optional<std::size_t>(2)) << "from a position";
    EXPECT_EQ(ab.next(u"abab", 0, 3), std::optional<std::size_t>(0)) << "up to an end";
    EXPECT_EQ(ab.next(u"xxab", 0, 3), std::nullopt) << "a match must end by the end";
    EXPECT_EQ(ab.previous(u"abab", 3), std::optional<std::size_t>(0));
}

TEST(CaseFold, UnitsJoinedThroughTheirUpperOrLowerCaseFoldAlike) {
    const CaseFold fold = joinedFold();
    for (const char16_t unit : {u'i', u'\u0131', u'\u0130'}) EXPECT_EQ(fold(unit), fold(u'I'));
    EXPECT_EQ(fold(u'\u212a'), fold(u'K'));
    EXPECT_EQ(fold(u'\u00e9'), fold(u'\u00c9'));
    EXPECT_EQ(fold(u'z'), fold(u'Z')) << "ASCII letters fold whatever the tables say";
    EXPECT_NE(fold(u'a'), fold(u'b'));
    EXPECT_NE(fold(u'\u00e9'), fold(u'e'));
    // Only a candidate all of ASCII is beyond doubt ignoring case.
    EXPECT_TRUE(isAscii(u"Ab~\x7f"));
    EXPECT_FALSE(isAscii(u"A\u212a"));
    EXPECT_FALSE(isAscii(u"\x80"));
}

TEST(FindOverPieces, AMatchAcrossTheEndOfALoadedPieceIsFoundOnceTheNextArrives) {
    // Candidates that end in the last `length` - 1 units searched are looked at again.
    EXPECT_EQ(resumeFrom(0, 10, 3), 8u);
    EXPECT_EQ(resumeFrom(9, 10, 3), 9u) << "never before the start";
    EXPECT_EQ(resumeFrom(0, 1, 3), 0u);
    EXPECT_EQ(resumeFrom(4, 10, 1), 10u);
    // A whole word at the end of what is loaded could go on in the next piece.
    EXPECT_EQ(decidedEnd(10, true, true), 9u);
    EXPECT_EQ(decidedEnd(10, true, false), 10u);
    EXPECT_EQ(decidedEnd(10, false, true), 10u);
    EXPECT_EQ(decidedEnd(0, true, true), 0u);
    // Split at every place, the pieces give the same first match as the whole text.
    const CaseFold ascii;
    const std::u16string text = u"one two twofold two";
    for (const bool wholeWord : {false, true}) {
        const FindPattern pattern(u"two", true, ascii);
        for (std::size_t split = 0; split <= text.size(); ++split) {
            const std::size_t end = decidedEnd(split, true, wholeWord);
            auto found = pattern.next(text, 5, end);
            if (!found) found = pattern.next(text, resumeFrom(5, end, 3), text.size());
            EXPECT_EQ(found, std::optional<std::size_t>(8)) << "split at " << split;
        }
    }
}

}  // namespace

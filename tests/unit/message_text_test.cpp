#include "app/message_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring format(std::size_t capacity, const wchar_t* pattern, ...) {
    std::wstring buffer(capacity + 8, L'#');  // guard characters past the buffer
    va_list args;
    va_start(args, pattern);
    const std::size_t written = formatMessageText(buffer.data(), capacity, pattern, args);
    va_end(args);
    EXPECT_EQ(buffer[written], L'\0');
    EXPECT_LT(written, capacity);
    for (std::size_t i = capacity; i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], L'#') << "written past the buffer at " << i;
    }
    return buffer.substr(0, written);
}

TEST(MessageText, FormatsTheConversionsTheMessagesUse) {
    EXPECT_EQ(format(256, L"Cannot open file: \"%s\"\n%s", L"C:\\a.txt", L"Not found.\r\n"),
              L"Cannot open file: \"C:\\a.txt\"\nNot found.\r\n");
    EXPECT_EQ(format(256, L"%x %X %d %u %c 100%%", 31u, 0xABCu, -8, 4000000000u, L'z'),
              L"1f ABC -8 4000000000 z 100%");
    EXPECT_EQ(format(256, L"%lx|%s", 0u, static_cast<const wchar_t*>(nullptr)), L"0|(null)");
    EXPECT_EQ(format(256, L"odd %q and %"), L"odd %q and %");
}

TEST(MessageText, FillsTheBufferExactlyAtTheBoundary) {
    const std::wstring fits(255, L'a');
    EXPECT_EQ(format(256, L"%s", fits.c_str()), fits);
    const std::wstring tooLong(256, L'a');
    const std::wstring shortened = format(256, L"%s", tooLong.c_str());
    EXPECT_EQ(shortened.size(), 255u);
    EXPECT_NE(shortened.find(L"..."), std::wstring::npos);
}

TEST(MessageText, ShortensTheLongestArgumentAndKeepsTheRest) {
    const std::wstring name = L"C:\\" + std::wstring(300, L'n') + L"\\end.txt";
    const std::wstring error = L"The system cannot find the file specified.";
    const std::wstring text =
        format(256, L"Cannot open file: \"%s\"\n%s", name.c_str(), error.c_str());
    EXPECT_EQ(text.size(), 255u);
    EXPECT_EQ(text.rfind(error), text.size() - error.size()) << "the error text stays whole";
    EXPECT_EQ(text.find(L"Cannot open file: \"C:\\nnn"), 0u);
    EXPECT_NE(text.find(L"...n"), std::wstring::npos);
    EXPECT_NE(text.find(L"end.txt\"\n"), std::wstring::npos) << "the name keeps its end";
}

TEST(MessageText, CutsTheEndWhenTheFixedTextAloneIsTooLong) {
    const std::wstring pattern = std::wstring(300, L'x') + L"%s";
    const std::wstring text = format(16, pattern.c_str(), L"arg");
    EXPECT_EQ(text, std::wstring(12, L'x') + L"...");
    EXPECT_EQ(format(3, L"%s", L"abcdef"), L"ab");
    EXPECT_EQ(format(1, L"%s", L"abc"), L"");
}

}  // namespace

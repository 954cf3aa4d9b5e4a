#include "view/file_name.h"
#include "view/replacement_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Normalised {
    NameCheck check;
    std::wstring name;
};

Normalised normalise(const std::wstring& name) {
    wchar_t buffer[fileNameRoom + 4];
    for (wchar_t& c : buffer) c = L'#';
    wchar_t(&room)[fileNameRoom] = *reinterpret_cast<wchar_t(*)[fileNameRoom]>(buffer);
    const NameCheck check = normaliseFileName(name.c_str(), room);
    for (std::size_t i = fileNameRoom; i < fileNameRoom + 4; ++i) {
        EXPECT_EQ(buffer[i], L'#') << "written past the name buffer";
    }
    return {check, room};
}

TEST(FileName, StripsBlanksAndQuotesAroundTheName) {
    EXPECT_EQ(normalise(L"  \"C:\\My Files\\a b.txt\"  ").name, L"C:\\My Files\\a b.txt");
    EXPECT_EQ(normalise(L"\" \"x\" \"").name, L"x");
    EXPECT_EQ(normalise(L"a\"b\" c.txt").name, L"a\"b\" c.txt") << "quotes inside stay";
    EXPECT_EQ(normalise(L"\tname\t").name, L"\tname\t") << "tabs are not blanks here";
}

TEST(FileName, NothingLeftIsAMissingName) {
    EXPECT_EQ(normalise(L"").check, NameCheck::missing);
    EXPECT_EQ(normalise(L" \"\"  \" ").check, NameCheck::missing);
    wchar_t room[fileNameRoom];
    EXPECT_EQ(normaliseFileName(nullptr, room), NameCheck::missing);
}

TEST(FileName, TakesAtMost260CharactersAfterTheLeadingBlanks) {
    const std::wstring longest(260, L'n');
    const Normalised fits = normalise(L"  \"" + longest);
    EXPECT_EQ(fits.check, NameCheck::usable);
    EXPECT_EQ(fits.name, longest);
    EXPECT_EQ(normalise(longest + L"x").check, NameCheck::tooLong);
    // Trailing blanks and quotes count towards the limit, as they are removed afterwards.
    EXPECT_EQ(normalise(std::wstring(259, L'n') + L"\"").check, NameCheck::usable);
    EXPECT_EQ(normalise(std::wstring(259, L'n') + L" \"").check, NameCheck::tooLong);
    EXPECT_EQ(normalise(std::wstring(5000, L'n')).check, NameCheck::tooLong);
}

TEST(FileName, CaptionIsThePartAfterTheLastBackslash) {
    EXPECT_STREQ(captionOfFileName(L"C:\\docs\\notes.txt"), L"notes.txt");
    EXPECT_STREQ(captionOfFileName(L"notes.txt"), L"notes.txt");
    EXPECT_STREQ(captionOfFileName(L"C:notes/a.txt"), L"C:notes/a.txt");
    EXPECT_STREQ(captionOfFileName(L"C:\\docs\\"), L"");
}

TEST(FileName, ALoadingCaptionShowsTheShareLoadedAndNeverAllOfIt) {
    EXPECT_EQ(loadingCaption(L"notes.txt", 0, 1000), L"notes.txt (0% loaded)");
    EXPECT_EQ(loadingCaption(L"notes.txt", 370, 1000), L"notes.txt (37% loaded)");
    EXPECT_EQ(loadingCaption(L"notes.txt", 999, 1000), L"notes.txt (99% loaded)");
    EXPECT_EQ(loadingCaption(L"notes.txt", 1000, 1000), L"notes.txt (99% loaded)");
    // A file that grew past its size at open, and sizes near the top of the range.
    EXPECT_EQ(loadingCaption(L"a", 5000, 1000), L"a (99% loaded)");
    EXPECT_EQ(loadingCaption(L"a", UINT64_MAX / 2, UINT64_MAX), L"a (50% loaded)");
    EXPECT_EQ(loadingCaption(L"a", 10, 0), L"a (99% loaded)");
}

TEST(FileName, TheTemporaryFileOfASaveLiesInTheSameFolder) {
    EXPECT_EQ(temporaryNameBeside(L"C:\\docs\\notes.txt", 0x1A2Bu), L"C:\\docs\\~lorvane-00001a2b.tmp");
    EXPECT_EQ(temporaryNameBeside(L"C:/docs/notes.txt", 0xFFFFFFFFu), L"C:/docs/~lorvane-ffffffff.tmp");
    EXPECT_EQ(temporaryNameBeside(L"D:notes.txt", 1), L"D:~lorvane-00000001.tmp");
    EXPECT_EQ(temporaryNameBeside(L"notes.txt", 1), L"~lorvane-00000001.tmp");
    // A folder that leaves no room for the temporary name: the caller writes in place.
    EXPECT_EQ(temporaryNameBeside(L"C:\\" + std::wstring(235, L'f') + L"\\a.txt", 1).size(), 260u);
    EXPECT_EQ(temporaryNameBeside(L"C:\\" + std::wstring(236, L'f') + L"\\a.txt", 1), L"");
}

TEST(FileName, TheFinalNameOfALinkedFileIsWrittenTheOrdinaryWay) {
    EXPECT_EQ(plainPathOf(L"\\\\?\\Z:\\tmp\\real.txt"), L"Z:\\tmp\\real.txt");
    EXPECT_EQ(plainPathOf(L"\\\\?\\UNC\\server\\share\\a.txt"), L"\\\\server\\share\\a.txt");
    // A volume without a drive letter keeps the long form, the only one that names it.
    EXPECT_EQ(plainPathOf(L"\\\\?\\Volume{1234}\\a.txt"), L"\\\\?\\Volume{1234}\\a.txt");
    EXPECT_EQ(plainPathOf(L"C:\\docs\\a.txt"), L"C:\\docs\\a.txt");
}

}  // namespace

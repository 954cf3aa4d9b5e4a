// Files that no viewer should choke on: binary data, broken RTF, huge lines, files it may not
// read, names that lead nowhere. Each must end with the right message (or none), the file on
// disk untouched, and a viewer that still loads the next file.
#include <richedit.h>

#include <thread>

#include "registry_values.h"
#include "settings/font_spec.h"
#include "viewer_fixture.h"

namespace {

const StreamFormat allFormats[] = {StreamFormat::plainText, StreamFormat::richText,
                                   StreamFormat::unicodeText, StreamFormat::utf8Text};

class BadInputTest : public ViewerTest {
protected:
    // Loads `bytes` in `format`; any warning is answered. Gives the messages shown.
    std::vector<std::wstring> load(const std::string& bytes, StreamFormat format) {
        const std::size_t before = answers.messages().size();
        const std::wstring path = writeFile(L"bad.bin", bytes);
        viewer->streamFormat = format;
        answers.thenPress(IDOK);
        viewer->openFile(path.c_str());
        answers.forgetUnanswered();
        EXPECT_TRUE(readFile(path) == bytes) << "the file changed on disk";
        expectStillUsable();
        const std::vector<std::wstring> all = answers.messages();
        const std::vector<std::wstring> shown(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
        for (const std::wstring& message : shown) {
            EXPECT_EQ(message.find(L"<unknown error>"), std::wstring::npos) << "say what failed: " << testing::PrintToString(message);
        }
        return shown;
    }

    void expectStillUsable() {
        const std::wstring good = writeFile(L"good.txt", "still fine\r\n");
        const StreamFormat format = viewer->streamFormat;
        viewer->streamFormat = StreamFormat::plainText;
        ASSERT_EQ(viewer->openFile(good.c_str()), 1);
        EXPECT_EQ(controlText(), L"still fine\r");
        EXPECT_EQ(caption(), L"good.txt");
        viewer->streamFormat = format;
    }

    std::wstring expectRefused(const std::wstring& name) {
        answers.thenPress(IDOK);
        EXPECT_EQ(viewer->openFile(name.c_str()), 0);
        EXPECT_EQ(answers.unanswered(), 0u) << "no message for " << testing::PrintToString(name);
        expectStillUsable();
        return answers.messages().empty() ? L"" : answers.messages().back();
    }
};

TEST_F(BadInputTest, BinaryDataLoadsInEveryFormat) {
    std::string binary;
    for (int i = 0; i < 70000; ++i) binary.push_back(static_cast<char>((i * 7919) % 256));
    binary += std::string(100, '\0') + "\xC0\x80\xED\xA0\x80\xF8\x88\x80\x80\x80\xFF\xFE" + "\r";
    for (const StreamFormat format : allFormats) {
        SCOPED_TRACE(static_cast<std::uint64_t>(format));
        load(binary, format);
        load(std::string(5000, '\0'), format);
    }
}

struct BrokenRtf {
    const char* name;
    std::string text;
};

class BrokenRichText : public BadInputTest, public testing::WithParamInterface<BrokenRtf> {};

TEST_P(BrokenRichText, LoadsWithoutHarm) { load(GetParam().text, StreamFormat::richText); }

// The control cannot take groups nested deeper than 32: the load stops before them, and says so.
TEST_F(BadInputTest, RichTextNestedTooDeepIsCutAndReported) {
    const std::string deep = "{\\rtf1\\ansi shown" + std::string(10000, '{') + "hidden" + std::string(10000, '}') + "}";
    const std::vector<std::wstring> messages = load(deep, StreamFormat::richText);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind(L"Warning: the file \"" + pathOf(L"bad.bin") + L"\" could not be read completely\n", 0), 0u)
        << messages[0];
    const std::string allowed = "{\\rtf1\\ansi " + std::string(31, '{') + "deep" + std::string(31, '}') + "}";
    EXPECT_TRUE(load(allowed, StreamFormat::richText).empty());
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, BrokenRichText,
    testing::Values(
        BrokenRtf{"Truncated", "{\\rtf1\\ansi Truncated \\b bo"},
        BrokenRtf{"Unbalanced", "{\\rtf1\\ansi }}}} unbalanced {{{ \\par"},
        BrokenRtf{"DeeplyNested",
                  "{\\rtf1\\ansi " + std::string(10000, '{') + "deep" + std::string(10000, '}') + "}"},
        BrokenRtf{"HugeBinCount", "{\\rtf1\\ansi before {\\bin999999999 xy} after}"},
        BrokenRtf{"EmbeddedObject",
                  "{\\rtf1\\ansi {\\object\\objemb{\\*\\objclass Paint.Picture}{\\*\\objdata "
                  "0105000002000000" + std::string(4000, 'a') + "}}} text}"},
        BrokenRtf{"BadNumbers", "{\\rtf1\\ansi \\u-1\\u99999999? \\'zz {\\fonttbl{\\f0\\fcharset999 x;}} tail}"}),
    [](const testing::TestParamInfo<BrokenRtf>& info) { return std::string(info.param.name); });

TEST_F(BadInputTest, OneFiveMegabyteLineLoadsWhole) {
    std::string line(5 * 1024 * 1024, 'x');
    for (std::size_t i = 0; i < line.size(); i += 61) line[i] = ' ';
    const std::wstring path = writeFile(L"line.txt", line);
    ASSERT_EQ(viewer->openFile(path.c_str()), 1);
    viewer->fileLoad.finish();
    EXPECT_EQ(GetWindowTextLengthW(viewer->textControl), static_cast<int>(line.size()));
    expectStillUsable();
}

TEST_F(BadInputTest, FilesThatCannotBeReadAreReported) {
    // Locked by another program without read sharing.
    const std::wstring locked = writeFile(L"locked.txt", "secret");
    const HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(expectRefused(locked).rfind(L"Cannot open file: \"" + locked + L"\"\n", 0), 0u);
    CloseHandle(holder);
    EXPECT_EQ(readFile(locked), "secret");

    CreateDirectoryW(pathOf(L"folder").c_str(), nullptr);
    EXPECT_EQ(expectRefused(pathOf(L"folder")).rfind(L"Cannot open file: \"", 0), 0u);
    EXPECT_EQ(expectRefused(L"Q:\\no drive\\file.txt").rfind(L"Cannot open file: \"Q:\\no drive", 0), 0u);
}

TEST_F(BadInputTest, SavingWhereTheFileCannotBeWrittenKeepsEverything) {
    const std::wstring source = writeFile(L"source.txt", "text to keep\r\n");
    ASSERT_EQ(viewer->openFile(source.c_str()), 1);
    // Held open by another program: cannot even be created.
    const std::wstring held = writeFile(L"held.txt", "old");
    const HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    answers.thenPress(IDOK);
    EXPECT_EQ(viewer->saveFile(held.c_str(), StreamFormat::current), 0);
    CloseHandle(holder);
    EXPECT_EQ(readFile(held), "old");
    // A full disk.
    answers.thenPress(IDOK);
    EXPECT_EQ(viewer->saveFile(L"Z:\\dev\\full", StreamFormat::utf8Text), 0);
    ASSERT_EQ(answers.messages().size(), 2u);
    EXPECT_EQ(answers.messages()[0].rfind(L"Cannot open file: \"" + held + L"\"\n", 0), 0u);
    EXPECT_EQ(answers.messages()[1].rfind(L"Cannot write file: \"Z:\\dev\\full\"\n", 0), 0u);
    EXPECT_STREQ(viewer->fileName, source.c_str());
    EXPECT_EQ(readFile(source), "text to keep\r\n");

    // The write is done but the new content cannot take the original's place: another program
    // reads the file and does not let it be deleted. The original and the edits both stay.
    viewer->enableEditing();
    SendMessageW(viewer->textControl, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"edited "));
    const HANDLE reader = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    answers.thenPress(IDOK);
    EXPECT_EQ(viewer->saveFile(source.c_str(), StreamFormat::current), 0);
    char seen[32] = {};
    DWORD read = 0;
    ReadFile(reader, seen, sizeof seen, &read, nullptr);
    CloseHandle(reader);
    EXPECT_EQ(std::string(seen, read), "text to keep\r\n") << "the reader still had the old file";
    ASSERT_EQ(answers.messages().size(), 3u);
    EXPECT_EQ(answers.messages()[2].rfind(L"Cannot write file: \"" + source + L"\"\n", 0), 0u)
        << answers.messages()[2];
    EXPECT_EQ(readFile(source), "text to keep\r\n");
    EXPECT_EQ(caption(), L"source.txt");
    EXPECT_EQ(viewer->isModified(), 1);
    EXPECT_EQ(controlText(), L"edited text to keep\r");
    WIN32_FIND_DATAW found;
    const HANDLE leftovers = FindFirstFileW(pathOf(L"~lorvane-*").c_str(), &found);
    EXPECT_EQ(leftovers, INVALID_HANDLE_VALUE) << "a temporary file was left behind";
    if (leftovers != INVALID_HANDLE_VALUE) FindClose(leftovers);
    expectStillUsable();
}

// Whatever the settings hold, the window opens on the screen, with a font, and works.
TEST_F(BadInputTest, GarbageInTheSettingsIsSurvived) {
    const wchar_t* const numbers[] = {L"Left", L"Top", L"Width", L"Depth", L"lfHeight", L"lfWidth",
                                      L"lfEscapement", L"lfOrientation", L"lfWeight", L"lfItalic",
                                      L"lfUnderline", L"lfStrikeOut", L"lfCharSet", L"lfPitchAndFamily"};
    const std::int32_t extremes[] = {INT32_MIN, INT32_MAX, -1};
    const std::wstring unterminated(300, L'f');
    for (const std::int32_t extreme : extremes) {
        destroyViewer();
        for (const wchar_t* name : numbers) writeDword(name, extreme);
        writeRaw(L"lfFaceName", REG_SZ, unterminated.data(), static_cast<DWORD>(unterminated.size() * 2));
        createViewer();
        RECT rect;
        GetWindowRect(viewer->mainWindow, &rect);
        EXPECT_GE(rect.left, 0) << extreme;
        EXPECT_GE(rect.top, 0) << extreme;
        EXPECT_LT(rect.left, GetSystemMetrics(SM_CXSCREEN)) << extreme;
        EXPECT_LT(rect.top, GetSystemMetrics(SM_CYSCREEN)) << extreme;
        expectStillUsable();
    }
    // Values of the wrong type and size.
    destroyViewer();
    const std::uint64_t wide = 0x1122334455667788u;
    for (const wchar_t* name : numbers) {
        writeRaw(name, REG_QWORD, &wide, sizeof wide);
    }
    writeRaw(L"Left", REG_SZ, L"12", 6);
    writeRaw(L"Top", REG_BINARY, "\x01", 1);
    writeRaw(L"lfFaceName", REG_DWORD, &wide, 4);
    createViewer();
    EXPECT_TRUE(IsWindowVisible(viewer->mainWindow));
    EXPECT_STREQ(viewer->font->logFont.lfFaceName, L"MS Sans Serif") << "a face that is no text";
    expectStillUsable();
}

}  // namespace

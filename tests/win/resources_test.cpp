// The resources as the program loads them: manifest, menu bar, accelerators, About template,
// icons and the version block.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource_ids.h"

namespace {

HINSTANCE module() { return GetModuleHandleW(nullptr); }

std::wstring itemText(HMENU menu, int position) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return text;
}

struct Item {
    UINT id;  // 0 for a separator
    const wchar_t* text;
};

void expectItems(HMENU popup, const std::vector<Item>& items) {
    ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(items.size()));
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const UINT state = GetMenuState(popup, i, MF_BYPOSITION);
        if (items[i].id == 0) {
            EXPECT_TRUE(state & MF_SEPARATOR) << "item " << i;
            continue;
        }
        EXPECT_EQ(GetMenuItemID(popup, i), items[i].id) << "item " << i;
        EXPECT_EQ(itemText(popup, i), items[i].text);
        EXPECT_EQ(state & (MF_GRAYED | MF_CHECKED), 0u) << "item " << i;
    }
}

std::string manifestText() {
    const HRSRC found = FindResourceExW(module(), MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1),
                                        MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (found == nullptr) return {};
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module(), found)));
    return std::string(data, SizeofResource(module(), found));
}

// The manifest is what the loader applies to the process: it asks for no more rights than the
// user's, brings version 6 of the common controls, is drawn at each display's own scale, and leaves
// text decoding alone.
TEST(Resources, ManifestAsksForTheUsersRightsAndCommonControlsSix) {
    const std::string manifest = manifestText();
    ASSERT_FALSE(manifest.empty()) << "no manifest as resource 1 of type 24 in US English";
    for (const char* needed :
         {"level=\"asInvoker\"", "name=\"Microsoft.Windows.Common-Controls\"",
          "version=\"6.0.0.0\"", "processorArchitecture=\"*\"",
          "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\"",
          "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
          "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
          "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
          "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">True/PM</dpiAware>",
          "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, PerMonitor</dpiAwareness>"}) {
        EXPECT_NE(manifest.find(needed), std::string::npos) << needed;
    }
    std::string lower = manifest;
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    for (const char* absent : {"activecodepage", "requireadministrator", "highestavailable"}) {
        EXPECT_EQ(lower.find(absent), std::string::npos) << absent;
    }
    // The loader took it: the process's activation context sends comctl32.dll to the
    // side-by-side version 6.
    ACTCTX_SECTION_KEYED_DATA redirection = {};
    redirection.cbSize = sizeof redirection;
    EXPECT_TRUE(FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                         L"comctl32.dll", &redirection))
        << "error " << GetLastError();
}

TEST(Resources, MenuBarHasItsThreeMenusInOrder) {
    const HMENU bar = LoadMenuW(module(), L"LorvaneMenu");
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    EXPECT_EQ(itemText(bar, 0), L"&File");
    EXPECT_EQ(itemText(bar, 1), L"&Edit");
    EXPECT_EQ(itemText(bar, 2), L"&Options");
    expectItems(GetSubMenu(bar, 0), {{IDM_OPEN, L"&Open\tCtrl+O"},
                                     {IDM_SAVE, L"&Save\tCtrl+S"},
                                     {IDM_SAVE_AS, L"Save &as"},
                                     {IDM_EXIT, L"E&xit"},
                                     {IDM_ABOUT, L"About"}});
    expectItems(GetSubMenu(bar, 1), {{IDM_COPY, L"&Copy\tCtrl+C"},
                                     {IDM_PASTE, L"&Paste\tCtrl+V"},
                                     {0, nullptr},
                                     {IDM_FIND, L"&Find\tCtrl+F"},
                                     {IDM_FIND_ON_WEB, L"&Find on web\tCtrl+Shift+F"},
                                     {IDM_OPEN_URL, L"Open &URL\tCtrl+U"}});
    expectItems(GetSubMenu(bar, 2), {{IDM_WRAP, L"&Wrap"},
                                     {IDM_EDIT, L"&Edit\tCtrl+E"},
                                     {IDM_FONT, L"Fo&nt"},
                                     {0, nullptr},
                                     {IDM_FORMAT_PLAIN, L"Plain text"},
                                     {IDM_FORMAT_RTF, L"RTF"},
                                     {IDM_FORMAT_UNICODE, L"Unicode"},
                                     {IDM_FORMAT_UTF8, L"UTF8"}});
    DestroyMenu(bar);
}

TEST(Resources, AcceleratorTableHasItsNineEntriesInOrder) {
    const HACCEL table = LoadAcceleratorsW(module(), L"LorvaneAccel");
    ASSERT_NE(table, nullptr);
    ACCEL entries[16];
    ASSERT_EQ(CopyAcceleratorTableW(table, entries, 16), 9);
    const ACCEL expected[] = {{0x0B, 'O', IDM_OPEN},  {0x0B, 'S', IDM_SAVE},
                              {0x0B, 'W', IDM_EXIT},  {0x0B, 'C', IDM_COPY},
                              {0x0B, 'V', IDM_PASTE}, {0x0B, 'F', IDM_FIND},
                              {0x0F, 'F', IDM_FIND_ON_WEB}, {0x0B, 'U', IDM_OPEN_URL},
                              {0x0B, 'E', IDM_EDIT}};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(entries[i].fVirt, expected[i].fVirt) << "entry " << i;
        EXPECT_EQ(entries[i].key, expected[i].key) << "entry " << i;
        EXPECT_EQ(entries[i].cmd, expected[i].cmd) << "entry " << i;
    }
}

// Reads the classic dialog template field by field.
class TemplateReader {
public:
    explicit TemplateReader(const void* data) : at(static_cast<const WORD*>(data)) {}
    DWORD dword() {
        DWORD value;
        memcpy(&value, at, 4);
        at += 2;
        return value;
    }
    WORD word() { return *at++; }
    short number() { return static_cast<short>(*at++); }
    // A string, or an ordinal written as "#n".
    std::wstring nameOrOrdinal() {
        if (*at == 0xFFFF) {
            at += 2;
            return L"#" + std::to_wstring(at[-1]);
        }
        return text();
    }
    std::wstring text() {
        std::wstring value(reinterpret_cast<const wchar_t*>(at));
        at += value.size() + 1;
        return value;
    }
    size_t offsetFrom(const void* base) const {
        return static_cast<size_t>(reinterpret_cast<const char*>(at) - static_cast<const char*>(base));
    }
    void alignToDword(const void* base) {
        while ((reinterpret_cast<const char*>(at) - static_cast<const char*>(base)) % 4) ++at;
    }

private:
    const WORD* at;
};

TEST(Resources, AboutTemplateIsTheClassicBoxWithFiveControls) {
    const HRSRC found = FindResourceW(module(), L"ABOUTDLG", RT_DIALOG);
    ASSERT_NE(found, nullptr);
    const void* data = LockResource(LoadResource(module(), found));
    TemplateReader reader(data);
    EXPECT_EQ(reader.dword(), 0x84C000C0u);
    EXPECT_EQ(reader.dword(), 0u);
    ASSERT_EQ(reader.word(), 5);
    EXPECT_EQ(reader.number(), 50);
    EXPECT_EQ(reader.number(), 42);
    EXPECT_EQ(reader.number(), 141);
    EXPECT_EQ(reader.number(), 86);
    EXPECT_EQ(reader.nameOrOrdinal(), L"") << "no menu";
    EXPECT_EQ(reader.nameOrOrdinal(), L"") << "the standard class";
    EXPECT_EQ(reader.text(), L"About Lorvane");
    EXPECT_EQ(reader.word(), 8);
    EXPECT_EQ(reader.text(), L"MS Sans Serif");
    struct Control {
        DWORD style;
        short x, y, cx, cy;
        WORD id;
        const wchar_t* className;
        const wchar_t* title;
    };
    const Control controls[] = {
        {0x50010001, 74, 63, 36, 14, IDOK, L"#128", L"OK"},
        {0x50000000, 56, 14, 66, 10, 0xFFFF, L"#130", L"Lorvane v1.0.7"},
        {0x50000001, 0, 42, 140, 8, 0xFFFF, L"#130", nullptr},
        {0x50000003, 16, 10, 18, 20, 0xFFFF, L"#130", L"#400"},
        {0x50000003, 14, 60, 18, 20, 0xFFFF, L"#130", L"#401"}};
    for (const Control& control : controls) {
        reader.alignToDword(data);
        EXPECT_EQ(reader.dword(), control.style);
        EXPECT_EQ(reader.dword(), 0u);
        EXPECT_EQ(reader.number(), control.x);
        EXPECT_EQ(reader.number(), control.y);
        EXPECT_EQ(reader.number(), control.cx);
        EXPECT_EQ(reader.number(), control.cy);
        EXPECT_EQ(reader.word(), control.id);
        EXPECT_EQ(reader.nameOrOrdinal(), control.className);
        const std::wstring title = reader.nameOrOrdinal();
        if (control.title != nullptr) {
            EXPECT_EQ(title, control.title);
        } else {
            EXPECT_FALSE(title.empty()) << "the notice line";
            EXPECT_LE(title.size(), 40u) << "one short line";
        }
        reader.word();  // no creation data
    }
    EXPECT_EQ(reader.offsetFrom(data), SizeofResource(module(), found)) << "nothing after the controls";
}

TEST(Resources, IconsHaveTheirSizes) {
    for (const int size : {32, 16, 24, 48, 64}) {
        const HICON icon = static_cast<HICON>(
            LoadImageW(module(), MAKEINTRESOURCEW(IDI_LORVANE), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info;
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bitmap;
        GetObjectW(info.hbmMask, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        DeleteObject(info.hbmMask);
        DeleteObject(info.hbmColor);
        DestroyIcon(icon);
    }
    const HRSRC group = FindResourceW(module(), MAKEINTRESOURCEW(IDI_LORVANE), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    const auto* directory = static_cast<const WORD*>(LockResource(LoadResource(module(), group)));
    EXPECT_EQ(directory[2], 5) << "five images";
    const HRSRC second = FindResourceW(module(), MAKEINTRESOURCEW(IDI_LORVANE_DOC), RT_GROUP_ICON);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(static_cast<const WORD*>(LockResource(LoadResource(module(), second)))[2], 3);
}

TEST(Resources, VersionBlockIsBritishEnglishInCodePage1252) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const DWORD size = GetFileVersionInfoSizeW(path, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00070001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00070001u);
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(translation[0], 0x0809);
    EXPECT_EQ(translation[1], 1252);
    const auto value = [&](const wchar_t* name) {
        wchar_t* text = nullptr;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\080904E4\\") + name;
        return VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length)
                   ? std::wstring(text)
                   : std::wstring(L"<none>");
    };
    EXPECT_EQ(value(L"FileVersion"), L"1.0.7");
    EXPECT_EQ(value(L"ProductVersion"), L"1.0.7");
    EXPECT_EQ(value(L"FileDescription"), L"Text viewer");
    EXPECT_EQ(value(L"ProductName"), L"Lorvane");
}

}  // namespace

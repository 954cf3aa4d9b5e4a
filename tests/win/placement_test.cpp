// The main window's rectangle: stored at moves and restored resizes, read at creation and
// pulled onto the screen.
#include <functional>
#include <string>

#include "registry_values.h"
#include "viewer_fixture.h"

namespace {

const wchar_t* const rectangleNames[] = {L"Left", L"Top", L"Width", L"Depth"};

struct Rectangle {
    int left, top, width, height;
};

Rectangle windowRectangle(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void expectRectangle(HWND window, Rectangle expected) {
    const Rectangle actual = windowRectangle(window);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.width, expected.width);
    EXPECT_EQ(actual.height, expected.height);
}

// The values the program stored, as "Left=..;Top=.." with the missing ones left out.
std::wstring storedRectangle() {
    std::wstring text;
    for (const wchar_t* name : rectangleNames) {
        const RawValue value = readRaw(name);
        if (!value.found) continue;
        if (value.type != REG_DWORD) return std::wstring(name) + L" is not a REG_DWORD";
        text += std::wstring(name) + L"=" + std::to_wstring(value.asInt()) + L";";
    }
    return text;
}

std::wstring rectangleText(Rectangle rect, bool withSize) {
    std::wstring text = L"Left=" + std::to_wstring(rect.left) + L";Top=" + std::to_wstring(rect.top) + L";";
    if (withSize) {
        text += L"Width=" + std::to_wstring(rect.width) + L";Depth=" + std::to_wstring(rect.height) + L";";
    }
    return text;
}

void clearRectangle() {
    for (const wchar_t* name : rectangleNames) RegDeleteKeyValueW(HKEY_CURRENT_USER, programKey, name);
}

void storeRectangle(Rectangle rect) {
    writeDword(L"Left", rect.left);
    writeDword(L"Top", rect.top);
    writeDword(L"Width", rect.width);
    writeDword(L"Depth", rect.height);
}

using WindowPlacementTest = ViewerTest;

TEST_F(WindowPlacementTest, MovesAndRestoredSizesAreStoredAndNothingElse) {
    const HWND main = viewer->mainWindow;
    enum class Writes { nothing, position, everything };
    struct Step {
        const char* label;
        std::function<void()> action;
        Writes writes;
    };
    // One sequence: each step starts from the state the previous one left.
    const Step steps[] = {
        {"a move", [&] { SetWindowPos(main, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER); },
         Writes::position},
        {"a resize", [&] { SetWindowPos(main, nullptr, 60, 70, 500, 350, SWP_NOZORDER); },
         Writes::everything},
        {"maximising", [&] { ShowWindow(main, SW_MAXIMIZE); }, Writes::nothing},
        {"moving while maximised",
         [&] { SetWindowPos(main, nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER); },
         Writes::nothing},
        {"restoring from maximised", [&] { ShowWindow(main, SW_RESTORE); }, Writes::everything},
        {"minimising", [&] { ShowWindow(main, SW_MINIMIZE); }, Writes::nothing},
        {"moving while minimised",
         [&] { SetWindowPos(main, nullptr, 9, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER); },
         Writes::nothing},
        {"restoring from minimised", [&] { ShowWindow(main, SW_RESTORE); }, Writes::everything},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.label);
        clearRectangle();
        step.action();
        pumpMessages();
        std::wstring expected;
        if (step.writes != Writes::nothing) {
            expected = rectangleText(windowRectangle(main), step.writes == Writes::everything);
        }
        EXPECT_EQ(storedRectangle(), expected);
    }
    expectRectangle(main, {60, 70, 500, 350});
}

TEST_F(WindowPlacementTest, OnlyARestoredSizeNotificationStores) {
    SetWindowPos(viewer->mainWindow, nullptr, 44, 55, 420, 330, SWP_NOZORDER);
    for (const UINT sizeType : {SIZE_MINIMIZED, SIZE_MAXIMIZED, SIZE_MAXSHOW, SIZE_MAXHIDE}) {
        clearRectangle();
        viewer->onSize(sizeType);
        EXPECT_EQ(storedRectangle(), L"") << "size type " << sizeType;
    }
    clearRectangle();
    viewer->onSize(SIZE_RESTORED);
    EXPECT_EQ(storedRectangle(), L"Left=44;Top=55;Width=420;Depth=330;");
    clearRectangle();
    viewer->onMove();
    EXPECT_EQ(storedRectangle(), L"Left=44;Top=55;");
}

TEST_F(WindowPlacementTest, TheStoredRectangleIsUsedAndPulledOntoTheScreen) {
    const int W = GetSystemMetrics(SM_CXSCREEN);
    const int H = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        const char* label;
        Rectangle stored;
        Rectangle expected;
    };
    const Case cases[] = {
        {"on the screen", {100, 120, 640, 480}, {100, 120, 640, 480}},
        {"left of the screen", {-50, 10, 600, 400}, {0, 10, 600, 400}},
        {"above and left", {-3000, -200, 600, 400}, {0, 0, 600, 400}},
        {"corner beyond the right edge", {W + 100, 100, 600, 400}, {W - 600, 100, 600, 400}},
        {"corner below the bottom edge", {100, H + 200, 600, 400}, {100, H - 400, 600, 400}},
        {"larger than the screen", {100, 100, W + 500, H + 300}, {0, 0, W, H}},
        {"right edge on the screen's edge", {W - 600, 50, 600, 400}, {W - 600, 50, 600, 400}},
    };
    for (const Case& start : cases) {
        SCOPED_TRACE(start.label);
        destroyViewer();
        clearSettings();
        storeRectangle(start.stored);
        createViewer();
        expectRectangle(viewer->mainWindow, start.expected);
        EXPECT_FALSE(IsZoomed(viewer->mainWindow));
        EXPECT_TRUE(IsWindowVisible(viewer->mainWindow));
    }

    // With nothing stored the system's choice is kept on the screen too.
    destroyViewer();
    clearSettings();
    createViewer();
    const Rectangle chosen = windowRectangle(viewer->mainWindow);
    EXPECT_GE(chosen.left, 0);
    EXPECT_GE(chosen.top, 0);
    EXPECT_LE(chosen.left + chosen.width, W);
    EXPECT_LE(chosen.top + chosen.height, H);
}

TEST_F(WindowPlacementTest, KeepOnScreenRunsEachStepOnItsOwn) {
    const int W = GetSystemMetrics(SM_CXSCREEN);
    const HWND main = viewer->mainWindow;
    SetWindowPos(main, nullptr, W + 10, 50, 300, 200, SWP_NOZORDER);
    EXPECT_EQ(viewer->keepOnScreen(1, 0), 1);
    expectRectangle(main, {W - 96, 50, 300, 200});
    EXPECT_EQ(viewer->keepOnScreen(0, 1), 1);
    expectRectangle(main, {W - 300, 50, 300, 200});

    SetWindowPos(main, nullptr, -40, -30, 300, 200, SWP_NOZORDER);
    EXPECT_EQ(viewer->keepOnScreen(0, 1), 1);
    expectRectangle(main, {-40, -30, 300, 200});
    EXPECT_EQ(viewer->keepOnScreen(0, 0), 1);
    expectRectangle(main, {-40, -30, 300, 200});

    EXPECT_EQ(ViewerWindow().keepOnScreen(1, 1), 0) << "no main window";
}

TEST_F(WindowPlacementTest, AWindowClosedMaximisedReopensWithItsNormalRectangle) {
    SetWindowPos(viewer->mainWindow, nullptr, 80, 90, 520, 380, SWP_NOZORDER);
    ShowWindow(viewer->mainWindow, SW_MAXIMIZE);
    pumpMessages();
    ASSERT_TRUE(IsZoomed(viewer->mainWindow));
    destroyViewer();
    createViewer();
    EXPECT_FALSE(IsZoomed(viewer->mainWindow));
    expectRectangle(viewer->mainWindow, {80, 90, 520, 380});
}

}  // namespace

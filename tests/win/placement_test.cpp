// The main window's rectangle: stored at moves and restored resizes, read at creation and
// pulled onto the screen.
#include <functional>
#include <string>

#include "registry_values.h"
#include "viewer_fixture.h"

namespace {

const wchar_t* const rectangleNames[] = {L"Left", L"Top", L"Width", L"Depth"};

// A rectangle as "left top width height", from the window or from the stored values (the
// missing ones left out).
std::wstring rectangleOf(HWND window, int values = 4) {
    RECT r;
    GetWindowRect(window, &r);
    const long numbers[] = {r.left, r.top, r.right - r.left, r.bottom - r.top};
    std::wstring text;
    for (int i = 0; i < values; ++i) text += std::to_wstring(numbers[i]) + L" ";
    return text;
}

std::wstring storedRectangle() {
    std::wstring text;
    for (const wchar_t* name : rectangleNames) {
        const RawValue value = readRaw(name);
        if (value.found) text += (value.type == REG_DWORD ? std::to_wstring(value.asInt()) : L"?") + L" ";
    }
    return text;
}

using WindowPlacementTest = ViewerTest;

TEST_F(WindowPlacementTest, MovesAndRestoredSizesAreStoredAndNothingElse) {
    const HWND main = viewer->mainWindow;
    const auto moveTo = [main](int x, int y) { SetWindowPos(main, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER); };
    struct Step {
        const char* label;
        std::function<void()> action;
        int valuesWritten;  // 0, the position (2), or all four
    };
    // One sequence: each step starts from the state the one before left.
    const Step steps[] = {
        {"a move", [&] { moveTo(30, 40); }, 2},
        {"a resize", [&] { SetWindowPos(main, nullptr, 60, 70, 500, 350, SWP_NOZORDER); }, 4},
        {"maximising", [&] { ShowWindow(main, SW_MAXIMIZE); }, 0},
        {"moving while maximised", [&] { moveTo(5, 5); }, 0},
        {"restoring from maximised", [&] { ShowWindow(main, SW_RESTORE); }, 4},
        {"minimising", [&] { ShowWindow(main, SW_MINIMIZE); }, 0},
        {"moving while minimised", [&] { moveTo(9, 9); }, 0},
        {"restoring from minimised", [&] { ShowWindow(main, SW_RESTORE); }, 4},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.label);
        for (const wchar_t* name : rectangleNames) RegDeleteKeyValueW(HKEY_CURRENT_USER, programKey, name);
        step.action();
        pumpMessages();
        EXPECT_EQ(storedRectangle(), rectangleOf(main, step.valuesWritten));
    }
    EXPECT_EQ(rectangleOf(main), L"60 70 500 350 ");
}

TEST_F(WindowPlacementTest, TheStoredRectangleIsUsedAndPulledOntoTheScreen) {
    const int W = GetSystemMetrics(SM_CXSCREEN);
    const int H = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        const char* label;
        int stored[4];
        int expected[4];
    };
    const Case cases[] = {
        {"on the screen", {100, 120, 640, 480}, {100, 120, 640, 480}},
        {"left of the screen", {-50, 10, 600, 400}, {0, 10, 600, 400}},
        {"corner beyond the right edge", {W + 100, 100, 600, 400}, {W - 600, 100, 600, 400}},
        {"corner below the bottom edge", {100, H + 200, 600, 400}, {100, H - 400, 600, 400}},
        {"larger than the screen", {100, 100, W + 500, H + 300}, {0, 0, W, H}},
        {"right edge on the screen's edge", {W - 600, 50, 600, 400}, {W - 600, 50, 600, 400}},
    };
    for (const Case& start : cases) {
        SCOPED_TRACE(start.label);
        destroyViewer();
        clearSettings();
        for (int i = 0; i < 4; ++i) writeDword(rectangleNames[i], start.stored[i]);
        createViewer();
        std::wstring expected;
        for (const int number : start.expected) expected += std::to_wstring(number) + L" ";
        EXPECT_EQ(rectangleOf(viewer->mainWindow), expected);
        EXPECT_FALSE(IsZoomed(viewer->mainWindow));
    }
}

}  // namespace

// Find: the real Find dialog, driven from its own message loop, searching the text control.
#include "viewer_fixture.h"

#include <dlgs.h>
#include <richedit.h>

#include <algorithm>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "view/reading_place.h"

namespace {

struct Options {
    bool down;
    bool wholeWord;
    bool matchCase;
};

constexpr Options down = {true, false, false};
constexpr Options up = {false, false, false};

bool checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void setChecked(HWND dialog, int id, bool on) {
    SendDlgItemMessageW(dialog, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Fills in the dialog as a user would before pressing Find Next.
void fillIn(HWND dialog, const std::wstring& text, Options options) {
    SetDlgItemTextW(dialog, edt1, text.c_str());
    setChecked(dialog, rad1, !options.down);
    setChecked(dialog, rad2, options.down);
    setChecked(dialog, chx1, options.wholeWord);
    setChecked(dialog, chx2, options.matchCase);
}

void findNext(HWND dialog) { pressButton(dialog, IDOK); }

struct Stroke {
    WORD key;
    DWORD flags;  // 0 or KEYEVENTF_KEYUP
};

// Types the strokes as a user would, to the window that has the focus.
void type(std::initializer_list<Stroke> strokes) {
    std::vector<INPUT> keys(strokes.size());
    std::size_t i = 0;
    for (const Stroke& stroke : strokes) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = stroke.key;
        keys[i].ki.dwFlags = stroke.flags;
        ++i;
    }
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

// Whether `window` is in front of `other` among the top-level windows.
bool isInFrontOf(HWND window, HWND other) {
    for (HWND front = GetWindow(other, GW_HWNDPREV); front != nullptr;
         front = GetWindow(front, GW_HWNDPREV)) {
        if (front == window) return true;
    }
    return false;
}

void CALLBACK closeFindDialog(HWND dialog, UINT, UINT_PTR timer, DWORD) {
    KillTimer(dialog, timer);
    pressButton(dialog, IDCANCEL);
}

class FindTest : public ViewerTest {
protected:
    void show(const wchar_t* text) {
        SendMessageW(viewer->textControl, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }
    void select(int start, int end) { SendMessageW(viewer->textControl, EM_SETSEL, start, end); }
    CHARRANGE selection() const {
        CHARRANGE range = {-1, -1};
        SendMessageW(viewer->textControl, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        return range;
    }

    // Runs the Find command; `use` works the dialog from the dialog's own loop and must close
    // it, and the first `boxes` message boxes are answered with OK. A dialog left open is closed
    // after a while, so that a fault fails the test rather than hanging the run.
    void withFindDialog(DialogAnswerer::Action use, int boxes = 0) {
        answers.then([this, use](HWND dialog) {
            EXPECT_EQ(viewer->findDialog, dialog);
            findDialogs.push_back(dialog);
            use(dialog);
        });
        for (int box = 0; box < boxes; ++box) answers.thenPress(IDOK);
        const UINT_PTR watchdog = SetTimer(nullptr, 0, 20000, closeForgottenDialog);
        forgotten = viewer;
        viewer->onCommand(IDM_FIND);
        KillTimer(nullptr, watchdog);
        forgotten = nullptr;
        EXPECT_EQ(viewer->findDialog, nullptr);
    }

    // The message boxes among the dialogs seen.
    std::vector<SeenDialog> messageBoxes() const {
        std::vector<SeenDialog> boxes;
        for (const SeenDialog& seen : answers.seen()) {
            const bool isFind =
                std::find(findDialogs.begin(), findDialogs.end(), seen.window) != findDialogs.end();
            if (!isFind) boxes.push_back(seen);
        }
        return boxes;
    }

private:
    std::vector<HWND> findDialogs;
    static inline ViewerWindow* forgotten = nullptr;
    static void CALLBACK closeForgottenDialog(HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        ADD_FAILURE() << "the Find dialog was still open";
        if (forgotten != nullptr && IsWindow(forgotten->findDialog)) {
            pressButton(forgotten->findDialog, IDCANCEL);
        }
    }
};

TEST_F(FindTest, AnEmptyDocumentShowsNoDialog) {
    viewer->onCommand(IDM_FIND);
    EXPECT_EQ(viewer->findDialog, nullptr);
    pumpMessages();
    EXPECT_TRUE(answers.seen().empty());
}

TEST_F(FindTest, ADialogThatCannotBeCreatedIsReported) {
    show(L"text");
    // The dialog refuses an owner that is not a window.
    const HWND mainWindow = viewer->mainWindow;
    viewer->mainWindow = nullptr;
    answers.thenPress(IDOK);
    viewer->onCommand(IDM_FIND);
    viewer->mainWindow = mainWindow;
    EXPECT_EQ(viewer->findDialog, nullptr);
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(answers.messages()[0].rfind(L"Unexpected error creating search dialog: ", 0), 0u);
}

// Each row starts from a selection, searches once, and ends with a selection: the match, or
// the empty selection at the search start when nothing was found.
struct FindCase {
    const char* what;
    CHARRANGE before;
    const wchar_t* findWhat;
    Options options;
    CHARRANGE after;  // empty: nothing found
};

TEST_F(FindTest, FindNextSearchesFromOnePastTheSelection) {
    // Positions:   0123456789012
    show(L"ab ab AB abab");
    const FindCase cases[] = {
        {"an occurrence at the caret is skipped", {0, 0}, L"ab", down, {3, 5}},
        {"down from a match starts one past its end", {3, 5}, L"ab", down, {6, 8}},
        {"case is ignored unless asked for", {3, 5}, L"ab", {true, false, true}, {9, 11}},
        {"whole words", {3, 5}, L"ab", {true, true, false}, {6, 8}},
        {"whole words with case", {3, 5}, L"ab", {true, true, true}, {6, 6}},
        {"a match that begins at the selection's end is skipped", {9, 11}, L"ab", down, {12, 12}},
        {"up from the end finds the last match ending before it", {13, 13}, L"ab", up, {9, 11}},
        {"up from a match", {9, 11}, L"ab", up, {6, 8}},
        {"up with case", {13, 13}, L"AB", {false, false, true}, {6, 8}},
        {"up from position 0 starts at 0", {0, 0}, L"ab", up, {0, 0}},
        {"the match has the length of the find text", {0, 0}, L"b AB a", {true, false, true},
         {4, 10}},
    };
    int notFound = 0;
    for (const FindCase& row : cases) notFound += row.after.cpMin == row.after.cpMax ? 1 : 0;
    withFindDialog([&](HWND dialog) {
        for (const FindCase& row : cases) {
            select(row.before.cpMin, row.before.cpMax);
            fillIn(dialog, row.findWhat, row.options);
            findNext(dialog);
            const CHARRANGE after = selection();
            EXPECT_EQ(after.cpMin, row.after.cpMin) << row.what;
            EXPECT_EQ(after.cpMax, row.after.cpMax) << row.what;
            EXPECT_TRUE(IsWindow(dialog)) << row.what << ": the dialog stays open";
        }
        pressButton(dialog, IDCANCEL);
    }, notFound);
    EXPECT_EQ(messageBoxes().size(), static_cast<std::size_t>(notFound));
}

TEST_F(FindTest, AFailedSearchSaysSoInABoxOfTheDialogAndMovesOnByOne) {
    show(L"abcdef");
    HWND findDialog = nullptr;
    CHARRANGE afterFirst = {}, afterSecond = {};
    withFindDialog([&](HWND dialog) {
        findDialog = dialog;
        select(0, 0);
        fillIn(dialog, L"zz", down);
        findNext(dialog);
        afterFirst = selection();
        findNext(dialog);
        afterSecond = selection();
        pressButton(dialog, IDCANCEL);
    }, 2);
    EXPECT_EQ(afterFirst.cpMin, 1);
    EXPECT_EQ(afterFirst.cpMax, 1);
    EXPECT_EQ(afterSecond.cpMin, 2);
    EXPECT_EQ(afterSecond.cpMax, 2);
    const std::vector<SeenDialog> boxes = messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const SeenDialog& box : boxes) {
        EXPECT_EQ(box.text, L"No matches found");
        EXPECT_EQ(box.caption, L"Lorvane");
        EXPECT_FALSE(box.hasIcon);
        EXPECT_EQ(box.owner, findDialog) << "owned by the Find dialog, not the main window";
    }
}

TEST_F(FindTest, AMatchFarDownIsScrolledIntoView) {
    std::wstring text;
    for (int line = 0; line < 300; ++line) text += L"line " + std::to_wstring(line) + L"\r";
    const int needle = static_cast<int>(text.size());
    text += L"needle";
    show(text.c_str());
    select(0, 0);
    const auto heightOf = [this](int position) {
        POINTL point = {};
        SendMessageW(viewer->textControl, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&point),
                     position);
        return point.y;
    };
    RECT client;
    GetClientRect(viewer->textControl, &client);
    ASSERT_GT(heightOf(needle), client.bottom);
    withFindDialog([&](HWND dialog) {
        fillIn(dialog, L"needle", down);
        findNext(dialog);
        pressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(selection().cpMin, needle);
    EXPECT_EQ(selection().cpMax, needle + 6);
    EXPECT_GE(heightOf(needle), 0);
    EXPECT_LT(heightOf(needle), client.bottom);
    // The control does not draw while the selection moves: the view is drawn afterwards.
    UpdateWindow(viewer->textControl);
    const std::vector<DWORD> shown = pixelsOf(viewer->textControl);
    RedrawWindow(viewer->textControl, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    EXPECT_TRUE(shown == pixelsOf(viewer->textControl)) << "the screen does not show the match";
}

TEST_F(FindTest, OnlyTheFindTextCarriesOverToTheNextOpening) {
    // Up, whole word and match case each rule out one of the later occurrences.
    show(L"two Two twos x");
    withFindDialog([&](HWND dialog) {
        fillIn(dialog, L"two", {false, true, true});
        select(14, 14);
        findNext(dialog);
        pressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(selection().cpMin, 0) << "the options were in force";
    EXPECT_STREQ(viewer->findWhat, L"two");
    withFindDialog([&](HWND dialog) {
        EXPECT_EQ(windowText(GetDlgItem(dialog, edt1)), L"two");
        EXPECT_TRUE(checked(dialog, rad2)) << "down again";
        EXPECT_FALSE(checked(dialog, rad1));
        EXPECT_FALSE(checked(dialog, chx1)) << "whole word cleared";
        EXPECT_FALSE(checked(dialog, chx2)) << "match case cleared";
        pressButton(dialog, IDCANCEL);
    });
}

// Steps of the next test, run from timers so that the dialog's loop handles what comes between.
ViewerWindow* viewerInFront = nullptr;
struct {
    bool afterActivation;
    bool afterFind;
    HWND activeAfterFind;
} seenInFront;

void CALLBACK findAndTypeInTheText(HWND dialog, UINT, UINT_PTR timer, DWORD) {
    KillTimer(dialog, timer);
    const HWND mainWindow = viewerInFront->mainWindow;
    seenInFront.afterActivation = isInFrontOf(dialog, mainWindow);
    SetWindowPos(dialog, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(mainWindow, WM_COMMAND, IDM_FIND, 0);
    seenInFront.activeAfterFind = GetActiveWindow();
    seenInFront.afterFind = isInFrontOf(dialog, mainWindow);

    SetForegroundWindow(mainWindow);
    SetFocus(viewerInFront->textControl);
    type({{VK_CONTROL, 0}, {'W', 0}, {'W', KEYEVENTF_KEYUP}, {'Q', 0}, {'Q', KEYEVENTF_KEYUP},
          {VK_SHIFT, 0}, {'W', 0}, {'W', KEYEVENTF_KEYUP}, {VK_SHIFT, KEYEVENTF_KEYUP},
          {VK_CONTROL, KEYEVENTF_KEYUP}});
    // The loop takes input before timers, so the keys have been handled when this fires.
    SetTimer(dialog, timer, 500, closeFindDialog);
}

// One message at least goes through the dialog's loop after the activation.
void CALLBACK thenFindAndType(HWND dialog, UINT, UINT_PTR timer, DWORD) {
    KillTimer(dialog, timer);
    SetTimer(dialog, timer, 200, findAndTypeInTheText);
}

// The dialog belongs to the main window: activating that, as a click in the text does, leaves the
// dialog in front; the Find command brings it back to the front instead of opening another; and
// keys typed in the text while it is open never open the text control's debugging boxes.
TEST_F(FindTest, TheOpenDialogStaysInFrontOfTheMainWindow) {
    show(L"text");
    viewerInFront = viewer;
    seenInFront = {};
    withFindDialog([&](HWND dialog) {
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), viewer->mainWindow);
        SetForegroundWindow(viewer->mainWindow);
        SetTimer(dialog, 1, 200, thenFindAndType);
    });
    EXPECT_EQ(answers.seen().size(), 1u) << "a second dialog, or a box for a key in the text";
    ASSERT_FALSE(answers.seen().empty());
    EXPECT_TRUE(seenInFront.afterActivation) << "the main window came in front of the dialog";
    EXPECT_EQ(seenInFront.activeAfterFind, answers.seen()[0].window);
    EXPECT_TRUE(seenInFront.afterFind);
}

std::wstring typedIntoField;

void CALLBACK noteTypedTextAndClose(HWND dialog, UINT, UINT_PTR timer, DWORD) {
    KillTimer(dialog, timer);
    typedIntoField = windowText(GetDlgItem(dialog, edt1));
    pressButton(dialog, IDCANCEL);
}

// Keys typed while the dialog is open reach the focused window; none is taken as a shortcut.
TEST_F(FindTest, ShortcutsAreNotTranslatedWhileTheDialogIsOpen) {
    show(L"text");
    typedIntoField = L"<nothing>";
    withFindDialog([&](HWND dialog) {
        const HWND field = GetDlgItem(dialog, edt1);
        SetWindowTextW(field, L"");
        SetForegroundWindow(dialog);
        SetFocus(field);
        // Ctrl+O, then a plain letter that shows that the keys arrived at all.
        type({{VK_CONTROL, 0}, {'O', 0}, {'O', KEYEVENTF_KEYUP}, {VK_CONTROL, KEYEVENTF_KEYUP},
              {'X', 0}, {'X', KEYEVENTF_KEYUP}});
        // The loop takes input before timers, so the keys have been handled when this fires.
        SetTimer(dialog, 1, 500, noteTypedTextAndClose);
    });
    EXPECT_EQ(typedIntoField, L"x");
    EXPECT_EQ(answers.seen().size(), 1u) << "Ctrl+O opened a dialog";
}

// The main window can go, or the quit message come, while showFind runs its loop: the loop
// ends, the dialog is gone, and the quit message is left for the program's main loop.
TEST_F(FindTest, TheProgramCanEndWhileTheDialogIsOpen) {
    const struct {
        const char* what;
        void (*end)(HWND mainWindow);
        WPARAM exitCode;
    } endings[] = {
        {"the close box", [](HWND main) { PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0); }, 0},
        {"a quit message", [](HWND) { PostQuitMessage(5); }, 5},
    };
    for (const auto& ending : endings) {
        show(L"text");
        HWND findDialog = nullptr;
        withFindDialog([&](HWND dialog) {
            findDialog = dialog;
            ending.end(viewer->mainWindow);
        });
        EXPECT_FALSE(IsWindow(findDialog)) << ending.what;
        MSG message;
        ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << ending.what;
        EXPECT_EQ(message.wParam, ending.exitCode) << ending.what;
        destroyViewer();
        createViewer();
    }
}

// Find Next's own search against the control's EM_FINDTEXT on the same text: random texts of
// letters that fold in unusual ways, digits, marks and line ends; find texts taken from the text,
// with their case changed or not; every start, direction, case and whole-word setting.
TEST_F(FindTest, FindNextFindsExactlyWhatTheControlFinds) {
    const std::wstring alphabet =
        L"aAbB  e\u00e9\u00c9iI\u0131\u0130sS\u017fkK\u212a\u03c3\u03a3\u03c2\u4e2d09_-.\r";
    std::mt19937 random(18);
    const auto pick = [&random](std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
    };
    int compared = 0, found = 0;
    for (int round = 0; round < 120; ++round) {
        std::wstring text;
        const std::size_t length = 1 + pick(round < 100 ? 60 : 3000);
        for (std::size_t i = 0; i < length; ++i) text += alphabet[pick(alphabet.size())];
        show(text.c_str());
        const std::wstring held = controlText();
        for (int probe = 0; probe < 12; ++probe) {
            const std::size_t at = pick(held.size());
            std::wstring needle = held.substr(at, 1 + pick(3));
            if (pick(2) == 0) CharUpperBuffW(needle.data(), static_cast<DWORD>(needle.size()));
            if (pick(4) == 0) needle[0] = alphabet[pick(alphabet.size())];
            for (WPARAM flags = 0; flags < 8; ++flags) {
                const WPARAM findFlags = ((flags & 1) ? FR_DOWN : 0) | ((flags & 2) ? FR_MATCHCASE : 0) |
                                         ((flags & 4) ? FR_WHOLEWORD : 0);
                const LONG start = static_cast<LONG>(pick(held.size() + 2));
                FINDTEXTW request = {{start, -1}, needle.c_str()};
                const LONG expected = static_cast<LONG>(SendMessageW(
                    viewer->textControl, EM_FINDTEXT, findFlags, reinterpret_cast<LPARAM>(&request)));
                const TextSearch::Result result = viewer->textSearch.find(
                    viewer->textControl, viewer->mainWindow, needle.c_str(), findFlags, start, false);
                const LONG actual = result.outcome == TextSearch::Outcome::found ? result.position : -1;
                ASSERT_EQ(actual, expected) << "round " << round << " flags " << findFlags << " start " << start
                                            << " find " << testing::PrintToString(needle) << " in "
                                            << testing::PrintToString(held);
                ++compared;
                found += expected >= 0 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(found, compared / 4) << "too few matches to compare";
}

// The copy of the text follows an edit that keeps the length, and a new control.
TEST_F(FindTest, FindNextSeesEditsAndANewControl) {
    viewer->enableEditing();
    show(L"one two three");
    const auto finds = [this](const wchar_t* what) {
        return viewer->textSearch.find(viewer->textControl, viewer->mainWindow, what, FR_DOWN, 0, false)
            .position;
    };
    EXPECT_EQ(finds(L"two"), 4);
    select(4, 7);
    SendMessageW(viewer->textControl, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"TWO"));
    EXPECT_EQ(finds(L"TWO"), 4) << "an edit of the same length";
    const std::wstring path = writeFile(L"other.txt", "three two one\r\n");
    viewer->setModified(0);
    ASSERT_EQ(viewer->openFile(path.c_str()), 1);
    EXPECT_EQ(finds(L"two"), 6);
}

// A file larger than its first piece: a downward Find Next goes on as the pieces arrive, the
// window answering meanwhile, and says "No matches found" only once the whole file is in; a
// reload ends a search that waits.
TEST_F(FindTest, DownwardsTheSearchWaitsForTheRestOfTheFile) {
    std::string bytes;
    for (int line = 0; bytes.size() < 1024 * 1024; ++line) bytes += "line " + std::to_string(line) + " of many\r\n";
    const int needleAt = static_cast<int>(bytes.size()) / 3 * 2;
    bytes.insert(static_cast<std::size_t>(needleAt), "needle ");
    const std::wstring path = writeFile(L"big.txt", bytes);
    // The copy of the text follows the pieces as they arrive, before any search, leaving at most
    // a fifth of the text to the first search, at two bytes a character (and the last step of
    // the memory it commits).
    ASSERT_EQ(viewer->openFile(path.c_str()), 1);
    while (viewer->fileLoad.pending()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        pumpMessages();
    }
    const auto characters = static_cast<std::size_t>(characterCount(viewer->textControl));
    EXPECT_GE(viewer->textSearch.heldBytes(), characters * sizeof(char16_t) * 4 / 5);
    EXPECT_LE(viewer->textSearch.heldBytes(), characters * sizeof(char16_t) + (1 << 20));
    const struct {
        const wchar_t* what;
        bool exists;
    } searches[] = {{L"needle", true}, {L"missing", false}};
    for (const auto& search : searches) {
        ASSERT_EQ(viewer->openFile(path.c_str()), 1);
        ASSERT_TRUE(viewer->fileLoad.pending());
        bool pendingAtTheBox = true;
        bool waitedWithoutTheWholeFile = false;
        withFindDialog([&](HWND dialog) {
            if (!search.exists) {
                answers.then([&](HWND box) {
                    pendingAtTheBox = viewer->fileLoad.pending();
                    pressButton(box, IDOK);
                });
            }
            select(0, 0);
            fillIn(dialog, search.what, down);
            findNext(dialog);
            waitedWithoutTheWholeFile = viewer->fileLoad.pending() && viewer->textSearch.waiting();
            while (viewer->textSearch.waiting() || viewer->fileLoad.pending()) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
                pumpMessages();
            }
            pressButton(dialog, IDCANCEL);
        }, 0);
        EXPECT_TRUE(waitedWithoutTheWholeFile) << search.what;
        const CHARRANGE found = selection();
        if (search.exists) {
            // The text has one CR per line where the file has CR LF.
            const auto lineEnds = std::count(bytes.begin(), bytes.begin() + needleAt, '\n');
            EXPECT_EQ(found.cpMin, needleAt - lineEnds);
            EXPECT_TRUE(messageBoxes().empty());
        } else {
            EXPECT_EQ(found.cpMax, 1);
            ASSERT_EQ(messageBoxes().size(), 1u);
            EXPECT_FALSE(pendingAtTheBox) << "the box came before the whole file was searched";
        }
    }
    // A reload while the search waits ends it without a word.
    ASSERT_EQ(viewer->openFile(path.c_str()), 1);
    select(0, 0);
    viewer->textSearch.find(viewer->textControl, viewer->mainWindow, L"missing", FR_DOWN, 1, true);
    ASSERT_TRUE(viewer->textSearch.waiting());
    viewer->onCommand(IDM_WRAP);
    const std::size_t boxesBefore = answers.seen().size();
    for (int turn = 0; turn < 20 && viewer->textSearch.waiting(); ++turn) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        pumpMessages();
    }
    EXPECT_FALSE(viewer->textSearch.waiting());
    EXPECT_EQ(answers.seen().size(), boxesBefore);
}

}  // namespace

// Where the reader is in the text: the selection and what is scrolled to the top. A mode change
// or a format switch loads the file into a new control; this puts the reader back.
#pragma once

#include <windows.h>
#include <richedit.h>

struct ReadingPlace {
    CHARRANGE selection;
    LONG firstVisibleCharacter;
    LONG caretLine;
    LONG firstVisibleLine;
};

// What the reader sees of the control besides its text: the client area, the scroll bars and
// the scroll position.
struct ControlView {
    RECT client;
    LONG_PTR scrollBars;
    POINT scrolled;
};

ControlView viewOf(HWND control);
bool sameView(const ControlView& one, const ControlView& other);

// How a place is found again: by character positions when the same text comes back in another
// mode; by line numbers when it comes back in another format, whose characters differ.
enum class PlaceBy { characters, lines };

ReadingPlace readingPlaceOf(HWND control);

// The characters the control holds, a line break counting as one.
LONG characterCount(HWND control);
// The first character of the first line in view.
LONG firstVisibleCharacter(HWND control);
// Scrolls the line that holds `character` to the top of the view, unless it is there.
void scrollCharacterToTop(HWND control, LONG character);

// Whether `control` holds enough text to put the place back.
bool holdsPlace(HWND control, const ReadingPlace& place, PlaceBy by);

// Selects as the place did (by lines: the caret at the start of the same line, clamped to the
// text) and scrolls the same first visible character, or line, to the top.
void putBackReadingPlace(HWND control, const ReadingPlace& place, PlaceBy by);

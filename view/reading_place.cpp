#include "reading_place.h"

#include <algorithm>

namespace {

LONG lineOfCharacter(HWND control, LONG character) {
    return static_cast<LONG>(SendMessageW(control, EM_EXLINEFROMCHAR, 0, character));
}

LONG lineCount(HWND control) { return static_cast<LONG>(SendMessageW(control, EM_GETLINECOUNT, 0, 0)); }

LONG firstVisibleLine(HWND control) {
    return static_cast<LONG>(SendMessageW(control, EM_GETFIRSTVISIBLELINE, 0, 0));
}

// Scrolls by lines, and then, where that missed, by pixels: the control counts a line scroll in
// the height of its default font, so with lines of another height, as just after a font change,
// the scroll falls short or goes past.
void scrollLineToTop(HWND control, LONG line) {
    const LONG shown = firstVisibleLine(control);
    if (line == shown) return;
    SendMessageW(control, EM_LINESCROLL, 0, line - shown);
    if (firstVisibleLine(control) == line) return;
    POINTL top = {};
    const auto lineStart = static_cast<LPARAM>(SendMessageW(control, EM_LINEINDEX, line, 0));
    SendMessageW(control, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&top), lineStart);
    POINT scroll = {};
    SendMessageW(control, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
    scroll.y += top.y;
    SendMessageW(control, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
}

}  // namespace

LONG characterCount(HWND control) {
    GETTEXTLENGTHEX request = {GTL_NUMCHARS, 1200};
    return static_cast<LONG>(SendMessageW(control, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&request), 0));
}

LONG firstVisibleCharacter(HWND control) {
    return static_cast<LONG>(SendMessageW(control, EM_LINEINDEX, firstVisibleLine(control), 0));
}

void scrollCharacterToTop(HWND control, LONG character) {
    scrollLineToTop(control, lineOfCharacter(control, character));
}

ControlView viewOf(HWND control) {
    ControlView view = {};
    GetClientRect(control, &view.client);
    view.scrollBars = GetWindowLongPtrW(control, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL);
    SendMessageW(control, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&view.scrolled));
    return view;
}

bool sameView(const ControlView& one, const ControlView& other) {
    return EqualRect(&one.client, &other.client) && one.scrollBars == other.scrollBars &&
           one.scrolled.x == other.scrolled.x && one.scrolled.y == other.scrolled.y;
}

ReadingPlace readingPlaceOf(HWND control) {
    ReadingPlace place = {};
    SendMessageW(control, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&place.selection));
    place.firstVisibleLine = firstVisibleLine(control);
    place.firstVisibleCharacter = firstVisibleCharacter(control);
    place.caretLine = lineOfCharacter(control, place.selection.cpMin);
    return place;
}

bool holdsPlace(HWND control, const ReadingPlace& place, PlaceBy by) {
    if (by == PlaceBy::lines) return lineCount(control) > std::max(place.caretLine, place.firstVisibleLine);
    const LONG furthest = std::max(place.selection.cpMax, place.firstVisibleCharacter);
    return characterCount(control) >= furthest;
}

void putBackReadingPlace(HWND control, const ReadingPlace& place, PlaceBy by) {
    if (by == PlaceBy::characters) {
        CHARRANGE selection = place.selection;
        SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        scrollCharacterToTop(control, place.firstVisibleCharacter);
        return;
    }
    const LONG lastLine = std::max(lineCount(control) - 1, 0L);
    const auto caret = static_cast<LONG>(
        SendMessageW(control, EM_LINEINDEX, std::min(place.caretLine, lastLine), 0));
    CHARRANGE selection = {caret, caret};
    SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    scrollLineToTop(control, std::min(place.firstVisibleLine, lastLine));
}

// The rich edit control that shows the document, and its two modes. A mode is fixed by the
// control's style, so a mode change makes a new control and reads the file into it again.
#include "../app/viewer_window.h"

#include <richedit.h>

#include "../app/message_box.h"
#include "../res/resource_ids.h"
#include "../settings/font_spec.h"
#include "text_control_style.h"

namespace {

// Any file fits: with the default limit of 64K characters the control would stop reading a
// larger one, show it cut off, and a Save would write the cut text over the whole file.
constexpr LPARAM unlimitedText = 0x7FFFFFFF;

const wchar_t discardQuestion[] = L"The current file has changed, do you still want to proceed?";

}  // namespace

void ViewerWindow::makeTextControl(DWORD style) {
    RECT client;
    GetClientRect(mainWindow, &client);
    textControl = CreateWindowExW(0, L"RichEdit20W", L"", style, 0, 0, client.right, client.bottom,
                                  mainWindow, reinterpret_cast<HMENU>(IDC_TEXT), instance, nullptr);
    SendMessageW(textControl, EM_EXLIMITTEXT, 0, unlimitedText);
    SendMessageW(textControl, EM_SETBKGNDCOLOR, 0, RGB(255, 255, 255));
}

void ViewerWindow::createTextControl(DWORD style) {
    makeTextControl(style);
    SendMessageW(textControl, WM_SETFONT, reinterpret_cast<WPARAM>(font->handle), 0);
}

// The new control takes the old one's place, font and focus. The old one is destroyed once the
// new one shows its text (view/retired_control.h).
void ViewerWindow::replaceTextControl(DWORD style) {
    const HWND previous = textControl;
    const bool hadFocus = GetFocus() == previous;
    createTextControl(style);
    retiredControl.retire(previous, mainWindow);
    if (hadFocus) SetFocus(textControl);
}

void ViewerWindow::toggleWrap() {
    if (isModified() && askYesNo(discardQuestion) != IDYES) return;
    const ReadingPlace place = readingPlaceOf(textControl);
    fileLoad.cancel();
    wrapLines = wrapLines ? 0 : 1;
    replaceTextControl(textControlStyle(readOnly != 0, wrapLines != 0));
    reloadCurrentFile(place);
    SetFocus(textControl);
}

void ViewerWindow::enableEditing() {
    if (!readOnly) return;
    const ReadingPlace place = readingPlaceOf(textControl);
    fileLoad.cancel();
    replaceTextControl(textControlStyle(false, wrapLines != 0));
    reloadCurrentFile(place);
    SetFocus(textControl);
    readOnly = 0;
}

// The same text comes back in the new mode, so the reader's place is found by its characters.
void ViewerWindow::reloadCurrentFile(const ReadingPlace& place) {
    if (lstrlenW(fileName) > 0 && openFile(fileName)) bringBackPlace(place, PlaceBy::characters);
}

void ViewerWindow::bringBackPlace(const ReadingPlace& place, PlaceBy by) {
    // A place beyond the first piece is loaded at once; the old text goes first, so that two
    // large texts are not held together.
    if (!holdsPlace(textControl, place, by)) retiredControl.destroy();
    fileLoad.loadThrough(place, by);
    putBackReadingPlace(textControl, place, by);
}

void ViewerWindow::copySelection() { SendMessageW(textControl, WM_COPY, 0, 0); }

// Plain text without formatting, taken as Unicode: asked for CF_TEXT, Windows' control would get
// the clipboard text converted to the ANSI code page, and Greek, Cyrillic or CJK letters would
// become '?'. (Wine's control pastes the Unicode text either way, so the difference does not show
// under Wine.)
void ViewerWindow::pasteText() { SendMessageW(textControl, EM_PASTESPECIAL, CF_UNICODETEXT, 0); }

int ViewerWindow::isModified() { return SendMessageW(textControl, EM_GETMODIFY, 0, 0) ? 1 : 0; }

void ViewerWindow::setModified(int flag) {
    SendMessageW(textControl, EM_SETMODIFY, static_cast<WPARAM>(static_cast<INT_PTR>(flag)), 0);
}

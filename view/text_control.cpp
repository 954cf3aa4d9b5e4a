// The rich edit control that shows the document, and its two modes. A mode is fixed by the
// control's style, so a mode change makes a new control and reads the file into it again.
#include "../app/viewer_window.h"

#include <richedit.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "../app/message_box.h"
#include "../res/resource_ids.h"
#include "../settings/font_spec.h"
#include "text_control_style.h"

namespace {

// Any file fits: with the default limit of 64K characters the control would stop reading a
// larger one, show it cut off, and a Save would write the cut text over the whole file.
constexpr LPARAM unlimitedText = 0x7FFFFFFF;

const wchar_t discardQuestion[] = L"The current file has changed, do you still want to proceed?";

// The control's characters from `range`, read from the control.
std::u16string controlRange(HWND control, CHARRANGE range) {
    std::u16string text(static_cast<std::size_t>(range.cpMax - range.cpMin), u'\0');
    TEXTRANGEW request = {range, reinterpret_cast<LPWSTR>(text.data())};
    const auto length = static_cast<std::size_t>(SendMessageW(control, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&request)));
    text.resize(std::min(length, text.size()));
    return text;
}

// `text` as Unicode text in movable memory for the clipboard, each paragraph's end as CR LF,
// which the control's own copy gives too (its CR LF text, GT_USECRLF, takes it about a second
// for 10 MiB).
HGLOBAL clipboardText(std::u16string_view text) {
    const auto lineEnds = static_cast<std::size_t>(std::count(text.begin(), text.end(), u'\r'));
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + lineEnds + 1) * sizeof(wchar_t));
    if (memory == nullptr) return nullptr;
    auto* out = static_cast<char16_t*>(GlobalLock(memory));
    for (const char16_t unit : text) {
        *out++ = unit;
        if (unit == u'\r') *out++ = u'\n';
    }
    *out = u'\0';
    GlobalUnlock(memory);
    return memory;
}

DWORD CALLBACK appendToBuffer(DWORD_PTR cookie, LPBYTE bytes, LONG count, LONG* written) {
    auto* buffer = reinterpret_cast<std::string*>(cookie);
    buffer->append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
    *written = count;
    return 0;
}

// The selection as RTF in movable memory for the clipboard.
HGLOBAL selectedRtf(HWND control) {
    std::string rtf;
    EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&rtf), 0, appendToBuffer};
    SendMessageW(control, EM_STREAMOUT, SF_RTF | SFF_SELECTION, reinterpret_cast<LPARAM>(&stream));
    if (stream.dwError != 0 || rtf.empty()) return nullptr;
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, rtf.size() + 1);
    if (memory == nullptr) return nullptr;
    auto* bytes = static_cast<char*>(GlobalLock(memory));
    rtf.copy(bytes, rtf.size());
    bytes[rtf.size()] = '\0';
    GlobalUnlock(memory);
    return memory;
}

}  // namespace

void ViewerWindow::makeTextControl(DWORD style) {
    RECT client;
    GetClientRect(mainWindow, &client);
    textControl = CreateWindowExW(0, L"RichEdit20W", L"", style, 0, 0, client.right, client.bottom,
                                  mainWindow, reinterpret_cast<HMENU>(IDC_TEXT), instance, nullptr);
    SendMessageW(textControl, EM_EXLIMITTEXT, 0, unlimitedText);
    SendMessageW(textControl, EM_SETBKGNDCOLOR, 0, RGB(255, 255, 255));
    // Edits are told to the main window, so that Find Next's copy of the text follows them.
    SendMessageW(textControl, EM_SETEVENTMASK, 0, ENM_CHANGE);
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

// The selection goes to the clipboard as Unicode text with CR LF line ends, as the control's own
// copy gives it, and as RTF where the document is RTF. The control's own copy is not used: it
// takes minutes for a selection of a few megabytes (300 KB: a second).
void ViewerWindow::copySelection() {
    CHARRANGE selection = {};
    SendMessageW(textControl, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    if (selection.cpMax <= selection.cpMin) return;
    // Find Next's copy of the text, kept up with the load, gives the selection at once.
    const std::optional<std::u16string_view> held = textSearch.heldRange(textControl, selection.cpMin, selection.cpMax);
    const HGLOBAL text = held ? clipboardText(*held) : clipboardText(controlRange(textControl, selection));
    if (text == nullptr) return;
    const HGLOBAL formatted = streamFormat == StreamFormat::richText ? selectedRtf(textControl) : nullptr;
    if (!OpenClipboard(mainWindow)) {
        GlobalFree(text);
        if (formatted != nullptr) GlobalFree(formatted);
        return;
    }
    EmptyClipboard();
    if (SetClipboardData(CF_UNICODETEXT, text) == nullptr) GlobalFree(text);
    if (formatted != nullptr && SetClipboardData(RegisterClipboardFormatW(L"Rich Text Format"), formatted) == nullptr) {
        GlobalFree(formatted);
    }
    CloseClipboard();
}

// Plain text without formatting, taken as Unicode: asked for CF_TEXT, Windows' control would get
// the clipboard text converted to the ANSI code page, and Greek, Cyrillic or CJK letters would
// become '?'. (Wine's control pastes the Unicode text either way, so the difference does not show
// under Wine.)
void ViewerWindow::pasteText() { SendMessageW(textControl, EM_PASTESPECIAL, CF_UNICODETEXT, 0); }

int ViewerWindow::isModified() { return SendMessageW(textControl, EM_GETMODIFY, 0, 0) ? 1 : 0; }

void ViewerWindow::setModified(int flag) {
    SendMessageW(textControl, EM_SETMODIFY, static_cast<WPARAM>(static_cast<INT_PTR>(flag)), 0);
}

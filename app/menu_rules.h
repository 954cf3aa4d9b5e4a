// How the menus look for a given state of the viewer. Windows-free.
#pragma once

// Where the context menu opens for a press at screen point (x, y): a press in the right half of
// the screen opens it to the left of the point, one in the lower half above it, so that it
// stays on the screen. `flags` holds TPM_RIGHTALIGN (0x8) and TPM_BOTTOMALIGN (0x20).
struct PopupPlacement {
    int x;
    int y;
    unsigned flags;
};
PopupPlacement contextMenuPlacement(int x, int y, int screenWidth, int screenHeight);

// The Wrap item names the mode that the command switches to.
const wchar_t* wrapItemText(bool wrapLines);

// Paste is offered only while the text is editable and the clipboard holds text; the clipboard
// is asked (through `clipboardHasText`) only while the text is editable.
template <typename ClipboardQuery>
bool pasteIsGrayed(bool readOnly, ClipboardQuery clipboardHasText) {
    return readOnly || !clipboardHasText();
}

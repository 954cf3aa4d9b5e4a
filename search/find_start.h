// Where Find Next starts looking. Windows-free.
#pragma once

// Downwards one character past the end of the selection (or the caret), upwards one before it,
// but never before the start of the text.
constexpr int findStart(int selectionEnd, bool down) {
    const int start = down ? selectionEnd + 1 : selectionEnd - 1;
    return start < 0 ? start + 1 : start;
}

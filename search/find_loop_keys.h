// Which keys the Find dialog's own loop keeps from the text control. Windows-free.
#pragma once

// Ctrl+W and Ctrl+Q are no editing keys for the text control, but Wine's control answers them
// with debugging aids: Ctrl+W opens a box of the selection's character format, Ctrl+Q dumps
// its internal offsets. Outside the Find dialog's loop Ctrl+W is Exit and never reaches the
// control. With Alt down the keys are AltGr combinations that type characters, and stay.
constexpr bool isDebuggingKey(unsigned virtualKey, bool controlDown, bool altDown) {
    return controlDown && !altDown && (virtualKey == 'W' || virtualKey == 'Q');
}

// The functions through which the program speaks to the user.
#pragma once

#include <windows.h>

// Length of the buffer each message box formats into, terminator included.
constexpr int messageBufferLength = 256;

// Each formats its message (see message_text.h for the language and the shortening), shows it
// in a modal box owned by the focused window, with the caption "Lorvane" and the warning icon,
// and gives the box's result.
int showWarning(const wchar_t* format, ...);
int askYesNo(const wchar_t* format, ...);
// The same with No as the default button: for questions where Enter given by habit must not lose
// anything.
int askYesNoDefaultNo(const wchar_t* format, ...);
int askYesNoCancel(const wchar_t* format, ...);

// The system's text for the calling thread's last error, or "<unknown error>". The buffer is
// shared and overwritten by the next call.
const wchar_t* lastErrorText();

// Words for the error code that a stream of the text control ends with (EDITSTREAM's dwError):
// the system's text for a system error, also when it comes as an HRESULT; for the control's own
// codes (data not in the format, data cut short), what went wrong. Shares lastErrorText's buffer.
const wchar_t* errorCodeText(DWORD code);

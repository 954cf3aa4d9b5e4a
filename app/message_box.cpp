#include "message_box.h"

#include <cstdarg>

#include "message_text.h"

namespace {

constexpr int errorTextLength = 512;

// How many of the program's message boxes are open, one inside the other.
int openMessageBoxes = 0;

int showMessage(UINT style, const wchar_t* format, va_list args) {
    wchar_t buffer[messageBufferLength];
    formatMessageText(buffer, messageBufferLength, format, args);
    ++openMessageBoxes;
    const int result = MessageBoxW(GetFocus(), buffer, L"Lorvane", style);
    --openMessageBoxes;
    return result;
}

}  // namespace

int showWarning(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = showMessage(MB_ICONWARNING | MB_OK, format, args);
    va_end(args);
    return result;
}

int askYesNo(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = showMessage(MB_ICONWARNING | MB_YESNO, format, args);
    va_end(args);
    return result;
}

int askYesNoCancel(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = showMessage(MB_ICONWARNING | MB_YESNOCANCEL, format, args);
    va_end(args);
    return result;
}

bool messageBoxOpen() { return openMessageBoxes > 0; }

const wchar_t* lastErrorText() {
    static wchar_t text[errorTextLength];
    const DWORD code = GetLastError();
    lstrcpyW(text, L"<unknown error>");
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, text, errorTextLength - 1, nullptr);
    return text;
}

#include "message_box.h"

#include <cstdarg>

#include "message_text.h"
#include "modal_scope.h"

namespace {

constexpr int errorTextLength = 512;
wchar_t errorText[errorTextLength];

// The control's own codes: data that does not have the form of the format it reads, and data
// that ends inside an unfinished group (the system's "end of file" as an HRESULT).
constexpr LONG invalidStreamData = -16;
constexpr DWORD truncatedStreamData = HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);

bool systemTextOf(DWORD code) {
    return FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, errorText, errorTextLength - 1,
                          nullptr) != 0;
}

int showMessage(UINT style, const wchar_t* format, va_list args) {
    wchar_t buffer[messageBufferLength];
    formatMessageText(buffer, messageBufferLength, format, args);
    const ModalScope waiting;
    return MessageBoxW(GetFocus(), buffer, L"Lorvane", style);
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

int askYesNoDefaultNo(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = showMessage(MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2, format, args);
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

const wchar_t* lastErrorText() {
    const DWORD code = GetLastError();
    lstrcpyW(errorText, L"<unknown error>");
    systemTextOf(code);
    return errorText;
}

const wchar_t* errorCodeText(DWORD code) {
    if (code == truncatedStreamData) {
        lstrcpyW(errorText, L"The data ends before it is complete.");
        return errorText;
    }
    if (systemTextOf(code)) return errorText;
    if (HRESULT_FACILITY(code) == FACILITY_WIN32 && systemTextOf(HRESULT_CODE(code))) return errorText;
    if (static_cast<LONG>(code) == invalidStreamData) {
        lstrcpyW(errorText, L"The data does not have the form of the chosen format.");
    } else {
        wsprintfW(errorText, L"The text control stopped with error %d.", static_cast<int>(code));
    }
    return errorText;
}

// The callbacks through which the text control reads a file in and writes its text out.
#pragma once

#include <windows.h>

#include <cstdint>

#include "rtf_nesting_guard.h"
#include "stream_format.h"

// What the read callback reads from: the open file, the format the viewer reads it in, how many
// of its bytes may still be read (a file that grows while it loads is read only up to the size
// it had when it was opened), and for RTF the guard against groups nested deeper than the
// control can take.
struct StreamSource {
    HANDLE file;
    StreamFormat format;
    std::uint64_t bytesLeft = UINT64_MAX;
    RtfNestingGuard rtfGuard = {};
};

// The wParam of EM_STREAMIN for `format`. UTF-8 is decoded by readStreamCallback itself and
// handed to the control as UTF-16: some versions of the control ignore the UTF-8 code page
// when reading and take the bytes for the ANSI code page.
WPARAM streamInFormat(StreamFormat format);

// `cookie` is a StreamSource. Gives 0 and the number of bytes handed over (0 at the end of the
// file, or once its bytesLeft are read), or the system's error code when the file cannot be read; ERROR_INVALID_DATA once RTF
// nests too deep.
DWORD CALLBACK readStreamCallback(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* moved);

// `cookie` is the file handle. Writes what the control hands over; gives 0, or the system's
// error code when not all of it could be written.
DWORD CALLBACK writeStreamCallback(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* moved);

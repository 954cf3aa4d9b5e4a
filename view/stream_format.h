// The formats in which files are streamed into and out of the text control, and how they map to
// the Options menu and to the types of the Save dialog. Windows-free.
#pragma once

#include <cstdint>

// The 64-bit value handed to the text control as the wParam of EM_STREAMIN and EM_STREAMOUT.
enum class StreamFormat : std::uint64_t {
    current = 0,       // saveFile only: "the format now in use"
    plainText = 1,     // SF_TEXT
    richText = 2,      // SF_RTF
    unicodeText = 17,  // SF_TEXT | SF_UNICODE
    // SF_TEXT | SF_USECODEPAGE with code page 65001 in the high word, 0xFDE90021 widened with its
    // sign; it is compared in this 64-bit form everywhere.
    utf8Text = 0xFFFFFFFFFDE90021u,
};

// The Options menu item that carries the check mark for `format`; any value other than the
// three special ones shows as plain text.
int formatMenuItem(StreamFormat format);

// The format chosen by a type of the Save dialog (a 1-based filter index); an index outside
// the list gives plain text.
StreamFormat formatForSaveType(unsigned long filterIndex);

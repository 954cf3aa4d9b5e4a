// Bounded formatting of the program's messages. Windows-free, so it is unit-tested natively.
#pragma once

#include <cstdarg>
#include <cstddef>

// Formats `format` with `args` into `buffer`, which holds `capacity` characters including the
// terminator, and gives the number of characters written (terminator not counted).
//
// The format language is the part of wvsprintfW's that the program's messages use: %s (wide text,
// a null pointer reads "(null)"), %c, %d, %i, %u, %x, %X, an optional l or h size prefix, and %%.
// Any other conversion is copied as it stands, and its argument is not consumed.
//
// Nothing is written past the buffer. When the result would not fit, the text arguments are
// shortened first, the longest ones first, each keeping its beginning and its end around "...";
// when even the fixed parts of the message do not fit, its end is replaced by "...".
std::size_t formatMessageText(wchar_t* buffer, std::size_t capacity, const wchar_t* format,
                              std::va_list args);

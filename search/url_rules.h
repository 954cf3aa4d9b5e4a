// The rules for handing a selection to the web: the scheme test and the search query.
// Windows-free.
#pragma once

#include <cstddef>

// 0 when `text` begins with `prefix`, else -1 or 1 by the first differing unit, compared as
// unsigned numbers; case-sensitive. The text is never read past its terminator.
int comparePrefix(const wchar_t* prefix, const wchar_t* text);

// Escapes `text` as the value of a query parameter into `escaped` (`capacity` characters,
// terminator included): ASCII letters, digits and "-._~" stay, every other ASCII character
// becomes %XX (a blank is %20), and characters above 0x7F are kept as they are, for the browser
// to send as UTF-8. Gives false, with `escaped` empty, when the result would not fit.
bool escapeQueryValue(const wchar_t* text, wchar_t* escaped, std::size_t capacity);

// Makes the selected text an address that the shell hands to the browser as one argument:
// white space around it (blank, tab, line breaks, vertical tab, form feed) is dropped, and the
// characters that cannot stand in an address (ASCII control characters, blank, and
// " < > \ ^ ` { | }) become %XX. Everything else stays, "%" too, so an address that is already
// escaped keeps its meaning. Writes into `address` (`capacity` characters, terminator included);
// gives false, with `address` empty, when the result would not fit.
bool escapeAddress(const wchar_t* selection, wchar_t* address, std::size_t capacity);

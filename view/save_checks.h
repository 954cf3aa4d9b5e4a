// The question asked before a save that would not keep every character of the text.
#pragma once

#include <windows.h>

#include "stream_format.h"

// Looks at the text of `control` for characters that saving in `format` would not keep, and
// when there are some asks whether to save anyway. Gives true when the save may go on.
//
// Plain 8-bit text keeps only the characters of the ANSI code page; the others would be saved
// as '?' (or as look-alikes). In Rich Text Format, characters that the ANSI code page has only
// look-alikes for ('a' for an alpha) are tried in a scratch control of the same kind and with
// the same font as `control`: a control that writes them as such look-alikes instead of their
// own code (Wine's does) would not read back the same text. UTF-16 and UTF-8 keep everything.
bool confirmCharactersKept(HWND control, HFONT font, StreamFormat format);

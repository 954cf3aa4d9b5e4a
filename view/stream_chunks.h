// Where a chunk of a file handed to the text control may end. Windows-free.
//
// The control reads a file in chunks through its callback. Two things must not fall on a chunk's
// end: a CR whose LF comes in the next chunk (the control would see two line breaks and insert an
// empty line), and a UTF-8 sequence cut in two (its halves would decode as two bad characters).
#pragma once

#include <cstddef>

// The length of the longest prefix of `bytes[0, length)` that ends on a whole UTF-8 sequence:
// at most the last three bytes are held back, and only when they begin a sequence that the
// bytes do not complete. Bytes that can never form a sequence are left to the decoder.
std::size_t wholeUtf8Prefix(const unsigned char* bytes, std::size_t length);

// Whether a chunk of `unitCount` text units (bytes or UTF-16 units), the last of which is
// `lastUnit`, must give its last unit back to the next chunk: it is a CR, and the chunk is not
// the file's last (it filled the request) nor that CR alone.
bool holdsBackFinalCr(unsigned lastUnit, std::size_t unitCount, bool filledRequest);

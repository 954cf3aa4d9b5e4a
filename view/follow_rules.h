// Whether the bytes a text shows are still the file's, and where text taken from a growing file
// may end so that what comes later leaves it as it is. Windows-free.
#pragma once

#include <cstddef>
#include <cstdint>

// How the viewer decodes the file's bytes: 8-bit text, UTF-16 (little-endian) or UTF-8.
enum class FileText { bytes, utf16, utf8 };

// The length of the longest prefix of `bytes[0, length)`, the last bytes of what is shown (taken
// from a whole UTF-16 unit), after which the next stream into the control may start: the bytes
// after it may still change what it stands for. Held back are a run of CRs at the end (a LF may
// follow), a UTF-8 sequence or a UTF-16 unit or surrogate pair that the bytes do not complete, and
// in 8-bit text always the last byte, so that a stream never starts with a byte that may begin
// the UTF-8 byte-order mark (the control would read the stream as UTF-8).
std::size_t settledLength(const unsigned char* bytes, std::size_t length, FileText text);

// What identifies a version of a file: the file itself (volume and index), its size, and the
// time it was last written.
struct FileStamp {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0;
};

enum class FileChange { unchanged, grown, changed };

// How a file stands against the text shown of it: the bytes shown are those of the version
// `shown`; `now` is the file as it is, and `shownBytesSame` whether its bytes where the shown ones
// are checked (its beginning and the bytes just before the shown end) are still the same. Grown
// when the same file is longer and those bytes are still there; changed when it is another file,
// shorter, or those bytes differ.
FileChange fileChange(const FileStamp& shown, const FileStamp& now, bool shownBytesSame);

// How many bytes at the beginning of a file, and just before the end of what is shown, are
// checked to tell a file that grew from one that was rewritten.
inline constexpr std::size_t checkedBytes = 4096;

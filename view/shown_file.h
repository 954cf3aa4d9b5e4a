// What the text control shows of a file: which version, how far, and the bytes that tell
// whether the file still begins and continues as shown.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "follow_rules.h"

struct ShownFile {
    // The version the shown bytes were read from.
    FileStamp stamp;
    // The bytes [0, end) are shown; from `settled` on, the next append streams them again with
    // what follows them (see settledLength).
    std::uint64_t end = 0;
    std::uint64_t settled = 0;
    // The file's first bytes and those just before `end`, as they were read.
    std::vector<unsigned char> start;
    std::vector<unsigned char> last;
};

// Opens `name` for reading only, sharing read, write and delete, so that a writer can go on,
// rotate or delete the file meanwhile.
HANDLE openShared(const wchar_t* name);
// The stamp of an open file; false when the system cannot give it.
bool stampOf(HANDLE file, FileStamp& stamp);
// Up to `length` bytes of `file` from `offset`; the file pointer stays where it was.
std::vector<unsigned char> bytesAt(HANDLE file, std::uint64_t offset, std::uint64_t length);
// How the open `file` stands against what is shown of it; `now` gets its stamp.
FileChange changeOf(const ShownFile& shown, HANDLE file, FileStamp& now);
// Whether an error of opening or looking at a file says that it is gone.
bool isGone(DWORD error);

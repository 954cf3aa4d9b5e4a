// Writing a file so that a failed write never harms the file it replaces.
#pragma once

#include <windows.h>

#include <string>

// The new content goes to a temporary file beside the file that is finally written; only once all
// of it is written and flushed does it take that file's place (ReplaceFileW for an existing file,
// a rename for a new one). Until then other programs still read the old file, and on any failure
// the file stays as it was and the temporary file is removed.
//
// A target that is a symbolic link or another reparse point is written through: the file it
// finally points at is the one replaced, and the link stays. A file with more than one name (hard
// links), or a reparse point whose final file cannot be named, must keep its identity: there the
// whole content is written to the temporary file first and then copied into the target in place.
// If that copy fails, the temporary file is kept, as the one place that holds the new content.
//
// Where the folder does not let a new file be created but the target itself may be written, and
// for targets that are not disk files (devices), the content is written in place as a last
// resort: there a failed write can still cut the target short.
class FileReplacement {
public:
    explicit FileReplacement(const wchar_t* target);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Opens the file to write into. False, with the system's error as the thread's last error,
    // when that failed; refusedByTarget() then tells whether the target itself cannot be written
    // (held by another program, read-only, a folder, ...) or only the temporary file failed.
    bool open();
    bool refusedByTarget() const { return targetRefused; }
    HANDLE handle() const { return file; }
    // Flushes what was written and puts it in the target's place. False, with the system's error
    // as the thread's last error, when that failed; the target is then as it was, or keptCopy()
    // names the file that holds the whole new content.
    bool commit();
    const std::wstring& keptCopy() const { return kept; }
    // Drops what was written; the target stays as it was. The destructor does the same.
    void discard();

private:
    enum class Way : unsigned char { replace, copyInto, inPlace };

    bool probeTarget();
    void findDestination(HANDLE opened);
    bool createTemporary();
    bool openInPlace();
    bool replaceDestination();
    bool copyIntoDestination();
    bool copyTemporaryTo(HANDLE destinationFile);
    void removeTemporary();
    void closeFile();

    std::wstring target;
    std::wstring destination;  // the file finally written: the target, or the file a link leads to
    std::wstring temporary;    // empty while writing in place
    std::wstring kept;
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD destinationAttributes = INVALID_FILE_ATTRIBUTES;  // of an existing disk file
    Way way = Way::replace;
    bool targetIsDiskFile = true;
    bool targetRefused = false;
};

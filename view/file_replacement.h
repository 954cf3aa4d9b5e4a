// Writing a file so that a failed write never harms the file it replaces.
#pragma once

#include <windows.h>

#include <string>

// The new content goes to a temporary file in the target's folder; only once all of it is
// written and flushed does it take the target's place (ReplaceFileW for an existing file, a
// rename for a new one). Until then other programs still read the old file, and on any failure
// the target stays as it was and the temporary file is removed.
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
    // when the target cannot be written (held by another program, read-only, a folder, ...).
    bool open();
    HANDLE handle() const { return file; }
    // Flushes what was written and puts it in the target's place. False, with the system's error
    // as the thread's last error, when that failed; the target is then as it was.
    bool commit();
    // Drops what was written; the target stays as it was. The destructor does the same.
    void discard();

private:
    bool probeTarget();
    bool createTemporary();
    bool openInPlace();
    bool replaceTarget();
    void closeFile();

    std::wstring target;
    std::wstring temporary;  // empty while writing in place
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD targetAttributes = INVALID_FILE_ATTRIBUTES;  // of an existing disk file
    bool targetIsDiskFile = true;
};

// Follows a file that grows once it has loaded, as a log is watched while it is written. About
// once a second it looks at the file's size and last-write time, without opening it; when they
// changed, it opens the file only to read what is new, sharing read, write and delete so that the
// writer can go on, rotate or delete it, and hands the file to the load, which appends the new
// bytes as it appended its pieces. A file that shrank, was rewritten or replaced, or went away is
// no longer followed, and nothing is loaded again without the user.
#pragma once

#include <windows.h>

#include "file_load.h"

class FileFollow {
public:
    // The identifier of the main window's timer that drives the looks.
    static constexpr UINT_PTR timerId = 0x464C;
    static constexpr UINT lookIntervalMs = 1000;

    // Follows afresh what the load shows, looking on the timer of `timerWindow`.
    void start(HWND timerWindow);
    void stop();
    // One look at the file of `load`, unless `mayAppend` is false (the document must not change
    // now). Gives true when this look found that the file can no longer be followed.
    bool onTimer(FileLoad& load, bool mayAppend);
    // The file changed otherwise than by growing, or went away, since it was shown.
    bool lostTrack() const { return lost; }

private:
    bool loseTrackIfGone(DWORD error);

    HWND timerWindow = nullptr;
    bool lost = false;
};

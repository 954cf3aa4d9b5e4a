// How far a file that loads in pieces has come, shown where a Windows user looks for it: a mark
// after the name in the main window's caption, and the progress of its taskbar button. Both go
// with the last piece, so that the caption of a loaded file is exactly that of a file loaded at
// once.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct ITaskbarList3;

class LoadProgress {
public:
    LoadProgress() = default;
    ~LoadProgress();
    LoadProgress(const LoadProgress&) = delete;
    LoadProgress& operator=(const LoadProgress&) = delete;

    // Shows `loaded` of `total` bytes of the file `fileName` in the caption of `window`.
    void show(HWND window, const wchar_t* fileName, std::uint64_t loaded, std::uint64_t total);
    // Puts the caption back to the file's name alone and clears the taskbar button, if the
    // progress was shown.
    void clear();

private:
    void showOnTaskbar(std::uint64_t loaded, std::uint64_t total);
    void releaseTaskbar();

    HWND window = nullptr;
    const wchar_t* fileName = nullptr;
    ITaskbarList3* taskbar = nullptr;
    bool taskbarTried = false;
    bool comStarted = false;
    std::wstring shownCaption;
};

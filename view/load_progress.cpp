#include "load_progress.h"

#include <shobjidl.h>

#include "file_name.h"

namespace {

// The taskbar's progress takes a fraction of two 64-bit numbers; the file's sizes are given in
// KiB, so that the numbers stay small for any file.
constexpr std::uint64_t taskbarUnit = 1024;

}  // namespace

LoadProgress::~LoadProgress() { releaseTaskbar(); }

void LoadProgress::show(HWND mainWindow, const wchar_t* name, std::uint64_t loaded, std::uint64_t total) {
    window = mainWindow;
    fileName = name;
    const std::wstring caption = loadingCaption(captionOfFileName(name), loaded, total);
    if (caption != shownCaption) {
        SetWindowTextW(window, caption.c_str());
        shownCaption = caption;
    }
    showOnTaskbar(loaded, total);
}

void LoadProgress::clear() {
    if (window == nullptr) return;
    if (IsWindow(window)) {
        SetWindowTextW(window, captionOfFileName(fileName));
        if (taskbar != nullptr) taskbar->SetProgressState(window, TBPF_NOPROGRESS);
    }
    releaseTaskbar();
    window = nullptr;
    fileName = nullptr;
    shownCaption.clear();
}

// The taskbar object is made when a file starts to load in pieces, and COM lives only as long
// as it: the shell runs some programs differently on a thread that has COM. A system without a
// taskbar shows the caption only.
void LoadProgress::showOnTaskbar(std::uint64_t loaded, std::uint64_t total) {
    if (!taskbarTried) {
        taskbarTried = true;
        comStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        if (comStarted && FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_ITaskbarList3, reinterpret_cast<void**>(&taskbar)))) {
            taskbar = nullptr;
        }
    }
    if (taskbar == nullptr) return;
    const std::uint64_t done = loaded / taskbarUnit;
    const std::uint64_t whole = total / taskbarUnit + 1;
    taskbar->SetProgressValue(window, done < whole ? done : whole, whole);
}

void LoadProgress::releaseTaskbar() {
    if (taskbar != nullptr) taskbar->Release();
    taskbar = nullptr;
    if (comStarted) CoUninitialize();
    comStarted = false;
    taskbarTried = false;
}
